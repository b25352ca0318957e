// libFuzzer target for the walk from a leaf certificate's DER to its
// SubjectPublicKeyInfo: bytes that come straight from the network before any pin is
// checked. Besides crashes and sanitizer findings it traps when
//   - a found element is not inside the input, is not a SEQUENCE, or its own
//     header does not describe exactly the bytes returned;
//   - a refusal carries any text but the one unreadable-certificate message;
//   - the input is a certificate OpenSSL reads and writes back byte for byte, yet
//     the walk does not return exactly the SubjectPublicKeyInfo OpenSSL encodes
//     for it (an independent parser as the oracle, on the inputs where both must
//     agree).
#include <openssl/x509.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "pinning/certificate_walk.h"
#include "pinning/pinned_tls.h"

namespace {

// The length of the element whose header starts SPAN, or -1 when the header is not
// a short tag with a definite length of up to four bytes.
long long element_length(std::span<const std::uint8_t> span) {
  if (span.size() < 2 || (span[0] & 0x1f) == 0x1f) return -1;
  std::size_t header = 2;
  unsigned long long length = span[1];
  if (length & 0x80) {
    const std::size_t count = length & 0x7f;
    if (count == 0 || count > 4 || span.size() < 2 + count) return -1;
    length = 0;
    for (std::size_t i = 0; i < count; ++i) length = (length << 8) | span[2 + i];
    header += count;
  }
  return static_cast<long long>(header + length);
}

void check_against_openssl(std::span<const std::uint8_t> input,
                           const quillmar::Result<std::span<const std::uint8_t>>& found) {
  const unsigned char* cursor = input.data();
  X509* certificate = d2i_X509(nullptr, &cursor, static_cast<long>(input.size()));
  if (certificate == nullptr) return;
  unsigned char* rewritten = nullptr;
  const int rewritten_size = i2d_X509(certificate, &rewritten);
  const bool canonical = cursor == input.data() + input.size() && rewritten_size >= 0 &&
                         static_cast<std::size_t>(rewritten_size) == input.size() &&
                         std::memcmp(rewritten, input.data(), input.size()) == 0;
  OPENSSL_free(rewritten);
  if (canonical) {
    unsigned char* key = nullptr;
    const int key_size = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(certificate), &key);
    if (key_size <= 0) __builtin_trap();
    if (!found.ok()) __builtin_trap();
    const auto& spki = found.value();
    if (spki.size() != static_cast<std::size_t>(key_size) || std::memcmp(spki.data(), key, spki.size()) != 0) {
      __builtin_trap();
    }
    OPENSSL_free(key);
  }
  X509_free(certificate);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  const auto found = quillmar::find_subject_public_key_info(input);
  if (found.ok()) {
    const auto& spki = found.value();
    if (spki.data() < data || spki.data() + spki.size() > data + size) __builtin_trap();
    if (spki.empty() || spki[0] != 0x30) __builtin_trap();
    if (element_length(spki) != static_cast<long long>(spki.size())) __builtin_trap();
  } else if (found.error().message != quillmar::kUnreadableCertificate) {
    __builtin_trap();
  }
  check_against_openssl(input, found);
  return 0;
}
