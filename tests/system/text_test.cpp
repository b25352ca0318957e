#include <gtest/gtest.h>

#include "system/json_text.h"
#include "system/text.h"

namespace quillmar {
namespace {

TEST(Utf16ToUtf8, ReplacesUnpairedSurrogatesAndKeepsPairs) {
  struct Case {
    std::u16string input;
    std::string expected;
  };
  const Case cases[] = {
      {u"C:\\Apps\\Quillmar", "C:\\Apps\\Quillmar"},
      {u"\u041F\u0430\u043F\u043A\u0430", "\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0"},
      {std::u16string{0xD83D, 0xDE00}, "\xF0\x9F\x98\x80"},
      {std::u16string{u'a', 0xD800, u'b'}, "a\xEF\xBF\xBD" "b"},
      {std::u16string{u'a', 0xDC00}, "a\xEF\xBF\xBD"},
      {std::u16string{0xDC00, 0xD800}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {std::u16string{0xD800}, "\xEF\xBF\xBD"},
  };
  for (const Case& c : cases) EXPECT_EQ(utf16_to_utf8_lossy(c.input), c.expected);
}

TEST(Utf8ToUtf16, RoundTripsValidTextAndReplacesInvalidBytes) {
  EXPECT_EQ(utf8_to_utf16_lossy("\xF0\x9F\x98\x80 \xD0\x9F"), (std::u16string{0xD83D, 0xDE00, u' ', 0x041F}));
  EXPECT_EQ(utf8_to_utf16_lossy("a\xFF" "b"), (std::u16string{u'a', 0xFFFD, u'b'}));
  EXPECT_EQ(utf16_to_utf8_lossy(utf8_to_utf16_lossy("\xE2\x86\x92 ok")), "\xE2\x86\x92 ok");
}

TEST(Utf8Lossy, KeepsValidTextAndReplacesEachInvalidSequence) {
  struct Case {
    std::string input;
    std::string expected;
  };
  const Case cases[] = {
      {"plain", "plain"},
      {"\xE2\x86\x92", "\xE2\x86\x92"},
      {"a\x80" "b", "a\xEF\xBF\xBD" "b"},
      {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},              // overlong encoding of '/'
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // an encoded surrogate
      {"\xE2\x86", "\xEF\xBF\xBD"},                          // truncated at the end
      {"\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // beyond U+10FFFF
  };
  for (const Case& c : cases) {
    EXPECT_EQ(utf8_lossy(c.input), c.expected);
    EXPECT_EQ(is_valid_utf8(c.input), c.input == c.expected);
  }
}

TEST(ParseJsonText, RefusesNestingBeyondTheLimitAndCountsOnlyBracketsOutsideStrings) {
  const auto nested = [](std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); };
  const struct {
    std::string text;
    bool parses;
  } cases[] = {
      {nested(kJsonNestingLimit), true},
      {nested(kJsonNestingLimit + 1), false},
      {"{\"a\":" + nested(kJsonNestingLimit - 1) + "}", true},
      {"[\"" + std::string(500, '[') + "\\\"\"]", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(!parse_json_text(c.text).is_null(), c.parses) << c.text.substr(0, 80);
  }
}

TEST(ParseJsonText, RefusesATextWithANulByte) {
  // The JSON library stops reading at a NUL byte and would take the value before it.
  EXPECT_TRUE(parse_json_text(std::string("{\"a\":1}\0{", 9)).is_null());
}

}  // namespace
}  // namespace quillmar
