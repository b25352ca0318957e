#pragma once

#include <cstdint>

#include "system/path.h"
#include "system/result.h"

namespace quillmar {

// Results of the trust provider that mean "this file carries no signature at all".
inline constexpr std::uint32_t kTrustNoSignature = 0x800B0100;          // TRUST_E_NOSIGNATURE
inline constexpr std::uint32_t kTrustSubjectFormUnknown = 0x800B0003;  // TRUST_E_SUBJECT_FORM_UNKNOWN
inline constexpr std::uint32_t kTrustProviderUnknown = 0x800B0001;     // TRUST_E_PROVIDER_UNKNOWN

// The trust provider's answer for one file: its status and the last error read
// right after the call.
struct TrustAnswer {
  std::uint32_t status = 0;
  std::uint32_t last_error = 0;
};

// The judging rule: success when the file is accepted, else the refusing status.
// A verified signature passes; so does a file with no signature at all (the status
// says "no signature" and the last error confirms the file was looked at and had
// none), because its integrity already rests on the size and digest from the signed
// answer. Everything else — a broken, untrusted or revoked signature, or "no
// signature" with any other last error — is refused.
Result<void, std::uint32_t> judge_code_signature(const TrustAnswer& answer);

// Asks the system about the file's Authenticode signature (WinVerifyTrust on
// Windows; the host has no such policy and answers "no signature").
TrustAnswer query_code_signature(const Path& file);

// Both together: success when accepted, else the refusing status.
inline Result<void, std::uint32_t> verifyCodeSignature(const Path& file) {
  return judge_code_signature(query_code_signature(file));
}

}  // namespace quillmar
