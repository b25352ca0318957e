// libFuzzer target for the walk from a leaf certificate's DER to its
// SubjectPublicKeyInfo: bytes that come straight from the network before any pin is
// checked. Besides crashes and sanitizer findings it traps when
//   - a found element is not inside the input, is not a SEQUENCE, or its own
//     header does not describe exactly the bytes returned;
//   - a refusal carries any text but the one unreadable-certificate message.
// OpenSSL is no oracle here: it takes BER forms the walk refuses by design and
// re-encodes keys it decodes, so its answer may differ without either being wrong.
#include <cstddef>
#include <cstdint>
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
  return 0;
}
