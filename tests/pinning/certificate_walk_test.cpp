#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pinning/certificate_walk.h"
#include "pinning/pinned_tls.h"
#include "walk_vectors.h"

namespace quillmar {
namespace {

using Bytes = std::vector<std::uint8_t>;

// One DER element with a definite length in the shortest form.
Bytes element(std::uint8_t tag, const Bytes& contents) {
  Bytes out;
  out.reserve(contents.size() + 4);
  out.push_back(tag);
  const std::size_t size = contents.size();
  if (size >= 0x100) {
    out.push_back(0x82);
    out.push_back(static_cast<std::uint8_t>(size >> 8));
  } else if (size >= 0x80) {
    out.push_back(0x81);
  }
  out.push_back(static_cast<std::uint8_t>(size));
  for (const std::uint8_t byte : contents) out.push_back(byte);
  return out;
}

Bytes join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) {
    for (const std::uint8_t byte : part) out.push_back(byte);
  }
  return out;
}

const Bytes kVersion = element(0xa0, element(0x02, {0x02}));
const Bytes kSerial = element(0x02, {0x01});
const Bytes kAlgorithm = element(0x30, element(0x06, {0x2a, 0x86, 0x48}));
const Bytes kName = element(0x30, element(0x31, {}));
const Bytes kValidity = element(0x30, join({element(0x17, {'1'}), element(0x17, {'2'})}));
const Bytes kKeyInfo = element(0x30, join({kAlgorithm, element(0x03, {0x00, 0x04, 0x01})}));

Bytes certificate(const Bytes& tbs_contents) {
  return element(0x30, join({element(0x30, tbs_contents), kAlgorithm, element(0x03, {0x00})}));
}

const Bytes kMinimal = certificate(join({kVersion, kSerial, kAlgorithm, kName, kValidity, kName, kKeyInfo}));

struct AcceptCase {
  const char* name;
  Bytes der;
  Bytes key_info;
};

TEST(CertificateWalk, AcceptsCertificatesAndFindsTheirKeyInfo) {
  const AcceptCase cases[] = {
      {"openssl EC version 3 certificate", k_server_der, k_server_spki_der},
      {"openssl RSA version 1 certificate, no [0], long lengths", k_v1_der, k_v1_spki_der},
      {"minimal with version", kMinimal, kKeyInfo},
      {"minimal without version",
       certificate(join({kSerial, kAlgorithm, kName, kValidity, kName, kKeyInfo})), kKeyInfo},
      {"extensions after the key info",
       certificate(join({kVersion, kSerial, kAlgorithm, kName, kValidity, kName, kKeyInfo,
                         element(0xa3, element(0x30, {}))})),
       kKeyInfo},
      {"non-minimal long length on the outer element",
       join({Bytes{0x30, 0x82, 0x00, static_cast<std::uint8_t>(kMinimal.size() - 2)},
             Bytes(kMinimal.begin() + 2, kMinimal.end())}),
       kKeyInfo},
  };
  for (const AcceptCase& test : cases) {
    const auto found = find_subject_public_key_info(test.der);
    ASSERT_TRUE(found.ok()) << test.name << ": " << found.error().message;
    EXPECT_EQ(Bytes(found.value().begin(), found.value().end()), test.key_info) << test.name;
  }
}

TEST(CertificateWalk, RejectsEveryOtherShape) {
  Bytes truncated_real(k_server_der.begin(), k_server_der.end() - 1);
  Bytes trailing_real = k_server_der;
  trailing_real.push_back(0x00);
  const Bytes trailing_minimal = join({kMinimal, Bytes{0x30, 0x00}});
  Bytes outer_too_long = kMinimal;
  outer_too_long[1] = static_cast<std::uint8_t>(outer_too_long[1] + 1);

  const std::pair<const char*, Bytes> cases[] = {
      {"empty", {}},
      {"one byte", {0x30}},
      {"outer is a SET", join({Bytes{0x31}, Bytes(kMinimal.begin() + 1, kMinimal.end())})},
      {"outer runs past the input", outer_too_long},
      {"openssl certificate missing its last byte", truncated_real},
      {"openssl certificate cut in half", Bytes(k_server_der.begin(), k_server_der.begin() + k_server_der.size() / 2)},
      {"openssl certificate with trailing garbage", trailing_real},
      {"minimal with a trailing element", trailing_minimal},
      {"TBS is not a SEQUENCE", element(0x30, element(0x02, {0x01}))},
      {"TBS empty", certificate({})},
      {"only four elements after the version", certificate(join({kVersion, kSerial, kAlgorithm, kName, kValidity}))},
      {"nothing where the key info belongs",
       certificate(join({kVersion, kSerial, kAlgorithm, kName, kValidity, kName}))},
      {"key info is not a SEQUENCE",
       certificate(join({kVersion, kSerial, kAlgorithm, kName, kValidity, kName, element(0x03, {0x00})}))},
      {"version counted as one of the five",
       certificate(join({kVersion, kSerial, kAlgorithm, kName, kValidity, kKeyInfo}))},
      {"inner element runs past the TBS",
       certificate(join({kVersion, kSerial, kAlgorithm, kName, kValidity, kName, Bytes{0x30, 0x7f, 0x00}}))},
      {"indefinite length", Bytes{0x30, 0x80, 0x30, 0x80, 0x00, 0x00, 0x00, 0x00}},
      {"five length bytes", Bytes{0x30, 0x85, 0x00, 0x00, 0x00, 0x00, 0x04, 0x30, 0x02, 0x02, 0x00}},
      {"length bytes past the input", Bytes{0x30, 0x84, 0x00}},
      {"high tag number form", join({Bytes{0x3f, 0x01}, Bytes(kMinimal.begin() + 1, kMinimal.end())})},
  };
  for (const auto& [name, der] : cases) {
    const auto found = find_subject_public_key_info(der);
    ASSERT_FALSE(found.ok()) << name;
    EXPECT_EQ(found.error().message, kUnreadableCertificate) << name;
  }
}

}  // namespace
}  // namespace quillmar
