// Must always hold: equal JSON values give equal bytes, different values give
// different bytes, and a value with no exact integer form gives no bytes at all.
#include "signature/canonical_json.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "system/text.h"

namespace quillmar {

namespace {

using nlohmann::json;

// Values a parser never produces but a program can build; refused rather than
// given some made-up form, since the signer shares this code.
constexpr char kInvalidUtf8Refusal[] = "a signed answer carries text that is not UTF-8";
constexpr char kNotJsonRefusal[] = "a signed answer carries a value that is not JSON";

// Bytewise order of the UTF-8 keys, which is the order of code points.
bool key_before(const std::string* left, const std::string* right) {
  return std::lexicographical_compare(left->begin(), left->end(), right->begin(), right->end(),
                                      [](char a, char b) { return static_cast<unsigned char>(a) < static_cast<unsigned char>(b); });
}

void append_unit_escape(std::string& out, std::uint32_t unit) {
  static constexpr char kDigits[] = "0123456789abcdef";
  out += "\\u";
  out += kDigits[(unit >> 12) & 0xF];
  out += kDigits[(unit >> 8) & 0xF];
  out += kDigits[(unit >> 4) & 0xF];
  out += kDigits[unit & 0xF];
}

bool append_string(std::string& out, const std::string& text) {
  out += '"';
  std::size_t at = 0;
  while (at < text.size()) {
    bool valid = true;
    const char32_t c = decode_utf8(text, at, valid);
    if (!valid) return false;
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case 0x08: out += "\\b"; break;
      case 0x0C: out += "\\f"; break;
      default:
        if (c >= 0x20 && c <= 0x7E) {
          out += static_cast<char>(c);
        } else if (c <= 0xFFFF) {
          append_unit_escape(out, c);
        } else {
          // Above the Basic Multilingual Plane: the two code units of the surrogate pair.
          const std::uint32_t offset = c - 0x10000;
          append_unit_escape(out, 0xD800 + (offset >> 10));
          append_unit_escape(out, 0xDC00 + (offset & 0x3FF));
        }
    }
  }
  out += '"';
  return true;
}

// One open array or object on the way down. Answers come from the network, so the
// walk keeps its own stack instead of recursing: a deeply nested value cannot
// exhaust the thread's stack.
struct Frame {
  const json* container = nullptr;
  std::vector<std::pair<const std::string*, const json*>> members;  // objects, sorted
  std::size_t next = 0;
};

// Writes a scalar, or opens a container and pushes its frame. SKIPPED applies only
// to the object given for the top level.
Result<void> open_value(const json& value, std::string& out, std::vector<Frame>& stack,
                        std::initializer_list<std::string_view> skipped) {
  switch (value.type()) {
    case json::value_t::null: out += "null"; return {};
    case json::value_t::boolean: out += value.get<bool>() ? "true" : "false"; return {};
    case json::value_t::number_unsigned: out += std::to_string(value.get<std::uint64_t>()); return {};
    case json::value_t::number_integer: out += std::to_string(value.get<std::int64_t>()); return {};
    case json::value_t::number_float: return Error{kFloatingPointRefusal};
    case json::value_t::string:
      if (!append_string(out, value.get_ref<const std::string&>())) return Error{kInvalidUtf8Refusal};
      return {};
    case json::value_t::array:
      out += '[';
      stack.push_back(Frame{&value, {}, 0});
      return {};
    case json::value_t::object: {
      Frame frame{&value, {}, 0};
      frame.members.reserve(value.size());
      for (auto it = value.begin(); it != value.end(); ++it) {
        if (std::find(skipped.begin(), skipped.end(), std::string_view(it.key())) != skipped.end()) continue;
        frame.members.emplace_back(&it.key(), &it.value());
      }
      std::sort(frame.members.begin(), frame.members.end(),
                [](const auto& left, const auto& right) { return key_before(left.first, right.first); });
      out += '{';
      stack.push_back(std::move(frame));
      return {};
    }
    case json::value_t::binary:
    case json::value_t::discarded:
      break;
  }
  return Error{kNotJsonRefusal};
}

Result<std::string> canonicalise(const json& root, std::initializer_list<std::string_view> skipped) {
  std::string out;
  std::vector<Frame> stack;
  QUILLMAR_TRY(open_value(root, out, stack, skipped));
  while (!stack.empty()) {
    Frame& frame = stack.back();
    const json* child = nullptr;
    if (frame.container->is_array()) {
      if (frame.next == frame.container->size()) {
        out += ']';
        stack.pop_back();
        continue;
      }
      if (frame.next > 0) out += ',';
      child = &(*frame.container)[frame.next];
    } else {
      if (frame.next == frame.members.size()) {
        out += '}';
        stack.pop_back();
        continue;
      }
      if (frame.next > 0) out += ',';
      const auto& [key, value] = frame.members[frame.next];
      if (!append_string(out, *key)) return Error{kInvalidUtf8Refusal};
      out += ':';
      child = value;
    }
    ++frame.next;
    // FRAME may move once a child container is pushed; it is not used after this.
    QUILLMAR_TRY(open_value(*child, out, stack, {}));
  }
  return out;
}

}  // namespace

Result<std::string> canonical_json(const nlohmann::json& value) { return canonicalise(value, {}); }

Result<std::string> canonical_json_without(const nlohmann::json& object,
                                           std::initializer_list<std::string_view> skipped) {
  return canonicalise(object, skipped);
}

}  // namespace quillmar
