#include "pinning/certificate_walk.h"

#include <algorithm>
#include <vector>

#include "pinning/pinned_tls.h"
#include "system/sha256.h"
#include "system/text.h"

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

// The element at INDEX among the TBSCertificate's fields that follow the optional
// [0] version: 0 the serial number, 2 the issuer, 5 the SubjectPublicKeyInfo.
bool find_tbs_field(std::span<const std::uint8_t> der, int index, Element& element) {
  Element certificate;
  if (!read_element(der, 0, der.size(), certificate) || certificate.tag != kSequenceTag) return false;
  // A certificate followed by anything is not the certificate the TLS stack checked.
  if (certificate.end != der.size()) return false;

  Element tbs;
  if (!read_element(der, certificate.contents, certificate.end, tbs) || tbs.tag != kSequenceTag) return false;

  std::size_t offset = tbs.contents;
  if (!read_element(der, offset, tbs.end, element)) return false;
  if (element.tag == kVersionTag) offset = element.end;
  for (int at = 0; at <= index; ++at) {
    if (!read_element(der, offset, tbs.end, element)) return false;
    offset = element.end;
  }
  return true;
}

// Short names of the attribute types a certificate authority's name is made of,
// by their DER-encoded object identifiers.
const char* attribute_short_name(std::span<const std::uint8_t> oid) {
  static const struct {
    std::uint8_t bytes[9];
    std::size_t size;
    const char* name;
  } kNames[] = {
      {{0x55, 0x04, 0x03}, 3, "CN"}, {{0x55, 0x04, 0x06}, 3, "C"},  {{0x55, 0x04, 0x07}, 3, "L"},
      {{0x55, 0x04, 0x08}, 3, "ST"}, {{0x55, 0x04, 0x0a}, 3, "O"},  {{0x55, 0x04, 0x0b}, 3, "OU"},
      {{0x2a, 0x86, 0x48, 0x86, 0xf7, 0x0d, 0x01, 0x09, 0x01}, 9, "emailAddress"},
  };
  for (const auto& known : kNames) {
    if (oid.size() == known.size && std::equal(oid.begin(), oid.end(), known.bytes)) return known.name;
  }
  return nullptr;
}

std::string dotted_oid(std::span<const std::uint8_t> oid) {
  std::string text;
  std::uint64_t value = 0;
  bool first = true;
  for (const std::uint8_t byte : oid) {
    value = (value << 7) | (byte & 0x7f);
    if (byte & 0x80) continue;
    if (first) {
      const std::uint64_t arc = value < 80 ? value / 40 : 2;
      text = std::to_string(arc) + "." + std::to_string(value - arc * 40);
      first = false;
    } else {
      text += "." + std::to_string(value);
    }
    value = 0;
  }
  return text;
}

// A name attribute's value as text: the string types as they are (BMPString turned
// into UTF-8), anything else as "#" and hexadecimal digits.
std::string attribute_value_text(std::uint8_t tag, std::span<const std::uint8_t> value) {
  constexpr std::uint8_t kUtf8String = 0x0c, kNumericString = 0x12, kPrintableString = 0x13, kT61String = 0x14,
                         kIa5String = 0x16, kBmpString = 0x1e;
  if (tag == kUtf8String || tag == kNumericString || tag == kPrintableString || tag == kT61String ||
      tag == kIa5String) {
    return std::string(value.begin(), value.end());
  }
  if (tag == kBmpString && value.size() % 2 == 0) {
    std::u16string units;
    for (std::size_t at = 0; at < value.size(); at += 2) {
      units += static_cast<char16_t>((unsigned{value[at]} << 8) | value[at + 1]);
    }
    return utf16_to_utf8_lossy(units);
  }
  return "#" + to_hex(value.data(), value.size());
}

}  // namespace

Result<std::span<const std::uint8_t>> find_subject_public_key_info(std::span<const std::uint8_t> der) {
  Element element;
  if (!find_tbs_field(der, 5, element) || element.tag != kSequenceTag) return Error{kUnreadableCertificate};
  return der.subspan(element.start, element.end - element.start);
}

std::optional<std::string> issuer_name_text(std::span<const std::uint8_t> der) {
  constexpr std::uint8_t kSetTag = 0x31, kOidTag = 0x06;
  Element name;
  if (!find_tbs_field(der, 2, name) || name.tag != kSequenceTag) return std::nullopt;
  std::vector<std::string> parts;
  for (std::size_t offset = name.contents; offset < name.end;) {
    Element set;
    if (!read_element(der, offset, name.end, set) || set.tag != kSetTag) return std::nullopt;
    offset = set.end;
    std::string part;
    for (std::size_t inner = set.contents; inner < set.end;) {
      Element pair, oid, value;
      if (!read_element(der, inner, set.end, pair) || pair.tag != kSequenceTag ||
          !read_element(der, pair.contents, pair.end, oid) || oid.tag != kOidTag ||
          !read_element(der, oid.end, pair.end, value) || value.end != pair.end) {
        return std::nullopt;
      }
      inner = pair.end;
      const auto oid_bytes = der.subspan(oid.contents, oid.end - oid.contents);
      const char* short_name = attribute_short_name(oid_bytes);
      if (!part.empty()) part += "+";
      part += (short_name != nullptr ? std::string(short_name) : dotted_oid(oid_bytes)) + "=" +
              attribute_value_text(value.tag, der.subspan(value.contents, value.end - value.contents));
    }
    parts.push_back(std::move(part));
  }
  // The most specific part first, as names are usually written.
  std::string text;
  for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
    if (!text.empty()) text += ", ";
    text += *part;
  }
  return text;
}

}  // namespace quillmar
