#include <gtest/gtest.h>

#include <string>

#include "signature/canonical_json.h"

namespace quillmar {
namespace {

using nlohmann::json;

struct Case {
  const char* input;  // JSON text as a server might write it
  const char* expected;
};


template <std::size_t N>
void expect_all(const Case (&cases)[N]) {
  for (const Case& c : cases) {
    const Result<std::string> canonical = canonical_json(json::parse(c.input));
    ASSERT_TRUE(canonical.ok()) << c.input << ": " << canonical.error().message;
    EXPECT_EQ(canonical.value(), c.expected) << c.input;
  }
}

TEST(CanonicalJson, WritesScalarsAndIntegersExactly) {
  const Case cases[] = {
      {"null", "null"},
      {"true", "true"},
      {" false ", "false"},
      {"0", "0"},
      {"-0", "0"},
      {"42", "42"},
      {"-42", "-42"},
      {"18446744073709551615", "18446744073709551615"},
      {"-9223372036854775808", "-9223372036854775808"},
      {"9223372036854775808", "9223372036854775808"},
  };
  expect_all(cases);
}

TEST(CanonicalJson, SortsMembersBytewiseAtEveryLevelWithoutWhitespace) {
  const Case cases[] = {
      {R"({"b":1,"a":[true,null,"x"]})", R"({"a":[true,null,"x"],"b":1})"},
      {R"({"ab":1,"a":2})", R"({"a":2,"ab":1})"},
      {R"({"a":1,"Z":2,"1":3,"_":4})", R"({"1":3,"Z":2,"_":4,"a":1})"},
      {R"({ "z" : { "y" : [ { "b" : 1 , "a" : 2 } ] , "x" : {} } , "e" : [ ] })",
       R"({"e":[],"z":{"x":{},"y":[{"a":2,"b":1}]}})"},
      // By code point, not by UTF-16 unit: U+FFFD (EF BF BD) comes before U+1F600
      // (F0 9F 98 80), although its UTF-16 unit FFFD sorts after the surrogate D83D.
      {"{\"\xF0\x9F\x98\x80\":1,\"\xEF\xBF\xBD\":2,\"\xC3\xA9\":3,\"z\":4}",
       R"({"z":4,"\u00e9":3,"\ufffd":2,"\ud83d\ude00":1})"},
      {"[3,1,2]", "[3,1,2]"},
  };
  expect_all(cases);
}

TEST(CanonicalJson, EscapesEverythingOutsidePrintableAscii) {
  const Case cases[] = {
      {R"("a\tb\u007fc\u00e9")", R"("a\tb\u007fc\u00e9")"},
      {"\"\xC3\xA9\"", R"("\u00e9")"},
      {R"("\ud83d\ude00")", R"("\ud83d\ude00")"},
      {"\"\xF0\x9F\x98\x80\"", R"("\ud83d\ude00")"},
      {R"("\/ and / stay")", R"("/ and / stay")"},
      {R"("\"\\\n\r\t\b\f")", R"("\"\\\n\r\t\b\f")"},
      {R"("\u0000\u0001\u001f \u0020~")", R"("\u0000\u0001\u001f  ~")"},
      {R"("\u00C9\u20AC\uFEFF")", R"("\u00c9\u20ac\ufeff")"},
      {"\"\xE2\x80\xA8\xEF\xBF\xBF\"", R"("\u2028\uffff")"},
      {R"({"k\"ey\u00e9":"v"})", R"({"k\"ey\u00e9":"v"})"},
  };
  expect_all(cases);
}

TEST(CanonicalJson, RefusesFloatingPointAnywhere) {
  const char* inputs[] = {
      "2.5",
      "1e3",
      "1.0",
      "-0.0",
      "18446744073709551616",
      "-9223372036854775809",
      R"([{"a":[{"b":{"price":9.5}}]}])",
      R"({"a":1,"z":[1,2,{"deep":[[[1E2]]]}]})",
      R"({"0":0.5,"a":"later members are never written"})",
  };
  for (const char* input : inputs) {
    const Result<std::string> canonical = canonical_json(json::parse(input));
    ASSERT_FALSE(canonical.ok()) << input << " gave " << canonical.value();
    EXPECT_EQ(canonical.error().message, "a signed answer carries a floating-point number") << input;
  }
}

TEST(CanonicalJson, RefusesValuesNoParserMakes) {
  // Programs (the signer's callers) can build these; a parsed answer never holds them.
  EXPECT_EQ(canonical_json(json{{"a", std::string("\xC3")}}).error().message,
            "a signed answer carries text that is not UTF-8");
  EXPECT_EQ(canonical_json(json{{std::string("\xED\xA0\x80"), 1}}).error().message,
            "a signed answer carries text that is not UTF-8");
  EXPECT_EQ(canonical_json(json{{"a", std::string("\xC0\xAF")}}).error().message,
            "a signed answer carries text that is not UTF-8");
  EXPECT_FALSE(canonical_json(json::binary({1, 2})).ok());
}

TEST(CanonicalJson, PayloadLeavesOutOnlyTopLevelSignatureMembers) {
  const json answer = json::parse(
      R"({"signature":"x","sig_alg":"y","sig_version":1,"b":{"signature":"kept","sig_version":2},"a":0})");
  const Result<std::string> payload = canonical_json_without(answer, {"signature", "sig_alg", "sig_version"});
  ASSERT_TRUE(payload.ok());
  EXPECT_EQ(payload.value(), R"({"a":0,"b":{"sig_version":2,"signature":"kept"}})");
  // A float inside a left-out member does not count: it is not part of the payload.
  EXPECT_EQ(canonical_json_without(json::parse(R"({"sig_version":1.0,"a":1})"), {"sig_version"}).value(), R"({"a":1})");
  EXPECT_EQ(canonical_json_without(json::parse("[1]"), {"signature"}).value(), "[1]");
}

TEST(CanonicalJson, DeepNestingNeitherRecursesNorFails) {
  const std::size_t depth = 200000;
  const std::string text = std::string(depth, '[') + std::string(depth, ']');
  const Result<std::string> canonical = canonical_json(json::parse(text));
  ASSERT_TRUE(canonical.ok());
  EXPECT_EQ(canonical.value(), text);
}

}  // namespace
}  // namespace quillmar
