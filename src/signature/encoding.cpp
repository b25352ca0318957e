// Must always hold: each decoder accepts exactly the documented form and nothing
// near it, because what it lets through reaches the signature check.
#include "signature/encoding.h"

#include <date/date.h>

#include <chrono>

namespace quillmar {

namespace {

int base64_value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trim_space(std::string_view text) {
  while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_space(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> decode_base64_strict(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  std::size_t padding = 0;
  if (!text.empty() && text.back() == '=') padding = text[text.size() - 2] == '=' ? 2 : 1;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size() / 4 * 3);
  for (std::size_t group = 0; group < text.size(); group += 4) {
    const bool last = group + 4 == text.size();
    const std::size_t data_characters = last ? 4 - padding : 4;
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < 4; ++i) {
      int value = 0;
      if (i < data_characters) {
        value = base64_value(text[group + i]);
        if (value < 0) return std::nullopt;  // a stray `=`, whitespace or another alphabet
      }
      bits = (bits << 6) | static_cast<std::uint32_t>(value);
    }
    bytes.push_back(static_cast<std::uint8_t>(bits >> 16));
    if (data_characters >= 3) bytes.push_back(static_cast<std::uint8_t>(bits >> 8));
    if (data_characters == 4) bytes.push_back(static_cast<std::uint8_t>(bits));
    // The bits the padding stands in for must be zero, or two texts would decode
    // to the same bytes.
    if (data_characters == 3 && (bits & 0xFF) != 0) return std::nullopt;
    if (data_characters == 2 && (bits & 0xFFFF) != 0) return std::nullopt;
  }
  return bytes;
}

Result<std::vector<std::uint8_t>> decode_pem(std::string_view pem, std::string_view label) {
  static constexpr std::string_view kBegin = "-----BEGIN ";
  static constexpr std::string_view kDashes = "-----";
  std::string_view rest = trim_space(pem);
  if (rest.substr(0, kBegin.size()) != kBegin) return Error{"no PEM begin line"};
  rest.remove_prefix(kBegin.size());
  const std::size_t label_end = rest.find(kDashes);
  if (label_end == std::string_view::npos) return Error{"malformed PEM begin line"};
  const std::string_view found_label = rest.substr(0, label_end);
  if (found_label != label) {
    return Error{"PEM label is \"" + std::string(found_label) + "\", not \"" + std::string(label) + "\""};
  }
  rest.remove_prefix(label_end + kDashes.size());
  if (rest.empty() || (rest.front() != '\r' && rest.front() != '\n')) return Error{"malformed PEM begin line"};

  const std::string end_line = "-----END " + std::string(label) + "-----";
  const std::size_t end_at = rest.find(end_line);
  if (end_at == std::string_view::npos) return Error{"no PEM end line"};
  if (!trim_space(rest.substr(end_at + end_line.size())).empty()) return Error{"text after the PEM end line"};

  std::string body;
  for (char c : rest.substr(0, end_at)) {
    if (!is_space(c)) body += c;
  }
  std::optional<std::vector<std::uint8_t>> der = decode_base64_strict(body);
  if (!der) return Error{"PEM body is not base64"};
  if (der->empty()) return Error{"PEM body is empty"};
  return std::move(*der);
}

bool constant_time_equal(std::string_view left, std::string_view right) {
  // The length is not secret (a digest text always has 64 digits); the content is.
  if (left.size() != right.size()) return false;
  volatile unsigned char difference = 0;
  for (std::size_t i = 0; i < left.size(); ++i) {
    difference = difference | static_cast<unsigned char>(left[i] ^ right[i]);
  }
  return difference == 0;
}

namespace {

// Reads exactly COUNT digits at TEXT[*AT] as a number.
bool read_digits(std::string_view text, std::size_t* at, std::size_t count, int* value) {
  if (text.size() - *at < count) return false;
  int number = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const char c = text[*at + i];
    if (c < '0' || c > '9') return false;
    number = number * 10 + (c - '0');
  }
  *at += count;
  *value = number;
  return true;
}

bool read_char(std::string_view text, std::size_t* at, char expected) {
  if (*at >= text.size() || text[*at] != expected) return false;
  ++*at;
  return true;
}

}  // namespace

std::optional<std::int64_t> parse_server_time(std::string_view text) {
  std::size_t at = 0;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!read_digits(text, &at, 4, &year) || !read_char(text, &at, '-') || !read_digits(text, &at, 2, &month) ||
      !read_char(text, &at, '-') || !read_digits(text, &at, 2, &day) || !read_char(text, &at, 'T') ||
      !read_digits(text, &at, 2, &hour) || !read_char(text, &at, ':') || !read_digits(text, &at, 2, &minute) ||
      !read_char(text, &at, ':') || !read_digits(text, &at, 2, &second)) {
    return std::nullopt;
  }
  if (read_char(text, &at, '.')) {
    const std::size_t fraction_start = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    if (at == fraction_start) return std::nullopt;
  }
  int offset_seconds = 0;
  if (read_char(text, &at, 'Z')) {
    offset_seconds = 0;
  } else {
    const bool ahead = read_char(text, &at, '+');
    if (!ahead && !read_char(text, &at, '-')) return std::nullopt;
    int offset_hours = 0, offset_minutes = 0;
    if (!read_digits(text, &at, 2, &offset_hours) || !read_char(text, &at, ':') ||
        !read_digits(text, &at, 2, &offset_minutes) || offset_hours > 23 || offset_minutes > 59) {
      return std::nullopt;
    }
    offset_seconds = (ahead ? 1 : -1) * (offset_hours * 3600 + offset_minutes * 60);
  }
  if (at != text.size()) return std::nullopt;

  // Year 0 has no place in a server's clock; leap seconds (second 60) are not sent.
  const date::year_month_day calendar{date::year{year}, date::month{static_cast<unsigned>(month)},
                                      date::day{static_cast<unsigned>(day)}};
  if (year < 1 || !calendar.ok() || hour > 23 || minute > 59 || second > 59) return std::nullopt;
  const std::int64_t days = date::sys_days{calendar}.time_since_epoch().count();
  // A local time ahead of UTC (offset +hh:mm) is an earlier instant than the same
  // wall-clock reading in UTC.
  return days * 86400 + std::int64_t{hour} * 3600 + std::int64_t{minute} * 60 + second - offset_seconds;
}

}  // namespace quillmar
