#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "system/result.h"

namespace quillmar {

// Finds the SubjectPublicKeyInfo element (tag, length and contents) inside a
// certificate's DER, by walking the fixed start of the TBSCertificate: an optional
// [0] version, then serial number, signature algorithm, issuer, validity and
// subject. Anything else, a length that runs past its container, or bytes after the
// certificate, fails with kUnreadableCertificate. Pure code over bytes: the same walk
// runs behind both TLS backends and under the fuzz target.
Result<std::span<const std::uint8_t>> find_subject_public_key_info(std::span<const std::uint8_t> certificate_der);

// The certificate's issuer name as text, most specific part first: "CN=Example CA,
// O=Example" (common attribute types by short name, others by dotted number; values
// that are not strings as "#" and hex digits). Absent when the name is unreadable.
std::optional<std::string> issuer_name_text(std::span<const std::uint8_t> certificate_der);

}  // namespace quillmar
