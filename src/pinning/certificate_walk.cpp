#include "pinning/certificate_walk.h"

#include "pinning/pinned_tls.h"

namespace quillmar {
namespace {

constexpr std::uint8_t kSequenceTag = 0x30;
constexpr std::uint8_t kVersionTag = 0xa0;  // context-specific, constructed, [0]

// One element's place inside its container.
struct Element {
  std::uint8_t tag = 0;
  std::size_t start = 0;  // offset of the tag byte
  std::size_t end = 0;    // offset one past the last contents byte
  std::size_t contents = 0;
};

// Reads the element at OFFSET, which must end no later than LIMIT. Only the short
// tag form and definite lengths of up to four bytes occur in certificates; anything
// else is refused rather than guessed at.
bool read_element(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t limit, Element& element) {
  if (offset >= limit || limit > bytes.size()) return false;
  element.start = offset;
  element.tag = bytes[offset++];
  if ((element.tag & 0x1f) == 0x1f) return false;
  if (offset >= limit) return false;
  std::uint64_t length = bytes[offset++];
  if (length & 0x80) {
    const std::size_t count = length & 0x7f;
    if (count == 0 || count > 4) return false;
    if (limit - offset < count) return false;
    length = 0;
    for (std::size_t i = 0; i < count; ++i) length = (length << 8) | bytes[offset++];
  }
  if (length > limit - offset) return false;
  element.contents = offset;
  element.end = offset + static_cast<std::size_t>(length);
  return true;
}

}  // namespace

Result<std::span<const std::uint8_t>> find_subject_public_key_info(std::span<const std::uint8_t> der) {
  const Error unreadable{kUnreadableCertificate};

  Element certificate;
  if (!read_element(der, 0, der.size(), certificate) || certificate.tag != kSequenceTag) return unreadable;
  // A certificate followed by anything is not the certificate the TLS stack checked.
  if (certificate.end != der.size()) return unreadable;

  Element tbs;
  if (!read_element(der, certificate.contents, certificate.end, tbs) || tbs.tag != kSequenceTag) return unreadable;

  Element element;
  std::size_t offset = tbs.contents;
  if (!read_element(der, offset, tbs.end, element)) return unreadable;
  if (element.tag == kVersionTag) offset = element.end;

  // Serial number, signature algorithm, issuer, validity, subject.
  for (int skipped = 0; skipped < 5; ++skipped) {
    if (!read_element(der, offset, tbs.end, element)) return unreadable;
    offset = element.end;
  }

  if (!read_element(der, offset, tbs.end, element) || element.tag != kSequenceTag) return unreadable;
  return der.subspan(element.start, element.end - element.start);
}

}  // namespace quillmar
