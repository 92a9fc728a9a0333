// Tests of the lenient JSON parser: accepted language, results, end offsets
// and errors, for UTF-16 text and UTF-8 bytes alike.
#include <gtest/gtest.h>

#include <ostream>

#include "data/json_parser.h"
#include "data/json_table.h"
#include "data/json_writer.h"
#include "platform/code_page.h"

namespace lf {
namespace {

const char* const kNothing = "<nothing>";

// WriteText of the parse, as UTF-8, or kNothing.
std::string Parsed16(const std::string& utf8) {
  IJsonValue v = ParseText(Utf8ToUtf16(utf8));
  return v ? Utf16ToUtf8(WriteText(v)) : kNothing;
}
std::string Parsed8(const std::string& utf8) {
  IJsonValue v = ParseUtf8Text(utf8);
  return v ? Utf16ToUtf8(WriteText(v)) : kNothing;
}

struct Case {
  const char* name;
  std::string input;
  std::string written;  // WriteText of the result, or kNothing
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class JsonParserCases : public ::testing::TestWithParam<Case> {};

TEST_P(JsonParserCases, ReadsTheFirstValue) {
  EXPECT_EQ(Parsed16(GetParam().input), GetParam().written);
  // The byte parser reads exactly the same language.
  EXPECT_EQ(Parsed8(GetParam().input), GetParam().written);
}

std::string Nest(int depth, const std::string& inner) {
  return std::string(static_cast<size_t>(depth), '[') + inner + std::string(static_cast<size_t>(depth), ']');
}

INSTANTIATE_TEST_SUITE_P(
    JsonParser, JsonParserCases,
    ::testing::Values(
        Case{"TrailingCommaInArray", "[1,2,]", "[1,2]"},
        Case{"SingleQuotesAndTrailingComma", "{'a':1,}", "{\"a\":1}"},
        Case{"UnquotedKey", "{a:1}", "{\"a\":1}"},
        Case{"WordsThatAreNoLiterals", "[True, nullx, abc ]", "[\"True\",\"nullx\",\"abc\"]"},
        Case{"LeadingCommentAndTrailingWords", "  /* c */ [1] other words", "[1]"},
        Case{"Unclosed", "[1", kNothing},
        Case{"SlashWithoutComment", "[1]/x", kNothing},
        Case{"LoneSlashAtEnd", "[1]/", kNothing},
        Case{"EmptyText", "", "\"\""},
        Case{"OnlyWhitespace", " \t\r\n\b\f", "\"\""},
        Case{"EmptyElements", "[1,,2]", "[1,\"\",2]"},
        Case{"EmptyMemberValue", "{a:,b:2}", "{\"b\":2,\"a\":\"\"}"},
        Case{"EmptyLastMemberValue", "{a:}", "{\"a\":\"\"}"},
        Case{"RepeatedKeyKeepsLater", "{\"a\":1,\"a\":2}", "{\"a\":2}"},
        Case{"TwoStarsKeepCommentOpen", "/* a **/ [1]", "\"\""},
        Case{"ThreeStarsCloseComment", "/* a ***/ [1]", "[1]"},
        Case{"LineComment", "// x\n[1]", "[1]"},
        Case{"CommentsAroundSeparators", "{ /*k*/ \"a\" /*c*/ : 1 // c\n , 'b' : 2 }", "{\"b\":2,\"a\":1}"},
        Case{"NoCommentsInsideUnquotedKey", "{a /*c*/:1}", "{\"a \\/*c*\\/\":1}"},
        Case{"OpenCommentAfterValue", "[1] /* open", "[1]"},
        Case{"VerticalTabIsNoWhitespace", "\v[1]", "\"\v[1]\""},
        Case{"Escapes", "\"\\b\\f\\n\\r\\t\\u0041\\x42\\q\\\"\\/\"", "\"\b\f\n\r\tABq\\\"\\/\""},
        Case{"UpperCaseHex", "'\\u00E9\\xe9'", "\"\xC3\xA9\xC3\xA9\""},
        Case{"BadHexDigit", "\"\\u12G4\"", kNothing},
        Case{"ShortHexAtEnd", "\"\\x4", kNothing},
        Case{"OtherQuoteInside", "'a\"b'", "\"a\\\"b\""},
        Case{"EscapedTerminatorInUnquoted", "[a\\,b]", "[\"a,b\"]"},
        Case{"UnquotedTrimKeepsTabs", "[ab\t , cd\r\n]", "[\"ab\t\",\"cd\"]"},
        Case{"TopLevelUnquotedRunsToEnd", "hello world ] x ", "\"hello world ] x\""},
        Case{"UnquotedInObjectEndsAtBrace", "{a: x]}", "{\"a\":\"x]\"}"},
        Case{"UnquotedKeepsSlashes", "[http://x/y]", "[\"http:\\/\\/x\\/y\"]"},
        Case{"PartialLiteral", "[nul]", "[\"nul\"]"},
        Case{"LiteralBeforeDigitAtTop", "true1", "true"},
        Case{"LiteralBeforeDigitInArray", "[true1]", kNothing},
        Case{"LiteralBeforeLetter", "[truex,true_,true.]", "[\"truex\",\"true_\",\"true.\"]"},
        Case{"LiteralBeforeLatin1", "[true\xC3\xA9]", kNothing},
        Case{"LiteralBeforeCjk", "[true\xE4\xB8\xAD]", "[\"true\xE4\xB8\xAD\"]"},
        Case{"Literals", "[true,false,null]", "[true,false,null]"},
        Case{"ParenthesisSkipped", "[(1,((2]", "[1,2]"},
        Case{"KeyMayNotStartWithDot", "{.a:1}", kNothing},
        Case{"CommaCannotStartKey", "{,}", kNothing},
        Case{"UnquotedKeyKeepsTrailingSpace", "{a :1}", "{\"a \":1}"},
        Case{"GarbageAfterElement", "[1 2]", kNothing},
        Case{"GarbageAfterString", "[\"a\" b]", kNothing},
        Case{"ChineseStaysUnescaped", "[\"\xE4\xB8\xAD\xE6\x96\x87\"]", "[\"\xE4\xB8\xAD\xE6\x96\x87\"]"},
        Case{"NulEscapedOnWrite", "\"a\\u0000b\"", "\"a\\u0000b\""},
        Case{"Integer", "7", "7"},
        Case{"NegativeCurrency", "-0.5", "-0.5"},
        Case{"CurrencyWithTrailingPoint", "12.", "12."},
        Case{"CurrencyFourDecimals", "0.0001", "0.0001"},
        Case{"DoubleFiveDecimals", "7.12345", "7.12345"},
        Case{"DoubleWithExponent", "7e2", "700."},
        Case{"IntegerBeyond64Bits", "12345678901234567890", "1.23456789012346e+019"},
        Case{"CurrencyBeyondRange", "9223372036854775.5", "9.22337203685478e+015"},
        Case{"SignInsideNumber", "[1-2]", kNothing},
        Case{"LoneMinus", "[-]", kNothing},
        Case{"TwoPoints", "[1.2.3]", kNothing},
        Case{"DeepestEmptyContainer", Nest(32, ""), Nest(32, "")},
        Case{"ContentAtLevel31", Nest(31, "1"), Nest(31, "1")},
        Case{"ContentInsideLevel31", Nest(32, "1"), kNothing},
        Case{"ContainerBelowLevel31", Nest(33, ""), kNothing},
        Case{"ObjectBelowLevel31", Nest(31, "{a:{}}"), kNothing},
        Case{"ObjectAtLevel31MayBeEmpty", Nest(31, "{}"), Nest(31, "{}")}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(JsonParser, ClassifiesNumbers) {
  struct {
    const char* text;
    TJsonKind kind;
  } cases[] = {{"7", TJsonKind::jkInteger},   {"7.25", TJsonKind::jkCurrency}, {"7.12345", TJsonKind::jkDouble},
               {"7e2", TJsonKind::jkDouble},  {"-0.5", TJsonKind::jkCurrency}, {"12.", TJsonKind::jkCurrency},
               {"-3", TJsonKind::jkInteger},  {"1E-2", TJsonKind::jkDouble}};
  for (const auto& c : cases) {
    IJsonValue v = ParseUtf8Text(c.text);
    ASSERT_TRUE(v) << c.text;
    EXPECT_EQ(v->Kind(), c.kind) << c.text;
  }
  EXPECT_EQ(ParseUtf8Text("12.5")->CurrencyValue(), 125000);
  EXPECT_EQ(ParseUtf8Text("12.")->CurrencyValue(), 120000);
  EXPECT_EQ(ParseUtf8Text("-0.5")->CurrencyValue(), -5000);
  EXPECT_EQ(ParseUtf8Text("-9223372036854775808")->IntValue(), INT64_MIN);
}

TEST(JsonParser, EmptyTextIsAnEmptyStringAndNoArray) {
  IJsonValue v = ParseText(u"");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->Kind(), TJsonKind::jkString);
  EXPECT_EQ(v->StringValue(), u"");
  EXPECT_EQ(ArrayValue(v), nullptr);
}

TEST(JsonParser, ReportsWhereTheValueEnds) {
  TJsonParseInfo info;
  ASSERT_TRUE(ParseText(u"  [1]  /*x*/ rest", &info));
  EXPECT_EQ(info.valueEnd, 5u);
  EXPECT_EQ(info.stop, 13u);
  ASSERT_TRUE(ParseUtf8Text("[\"\xE4\xB8\xAD\"] x", &info));
  EXPECT_EQ(info.valueEnd, 7u);  // bytes
  EXPECT_EQ(info.stop, 8u);
  ASSERT_TRUE(ParseText(u"[\"\u4E2D\"] x", &info));
  EXPECT_EQ(info.valueEnd, 5u);  // code units
}

TEST(JsonParser, DescribesErrors) {
  struct {
    const char* text;
    const char* error;
    size_t offset;
  } cases[] = {{"[1", "unexpected end of text", 2},
               {"[1]/x", "a slash that starts no comment", 3},
               {"[1 2]", "expected ',' or ']', found '2'", 3},
               {"{\"a\" 1}", "expected ':', found '1'", 5},
               {"{(:1}", "a member name may not start with '('", 1},
               {"\"\\uZZZZ\"", "hexadecimal digit expected, found 'Z'", 3},
               {"[1-2]", "bad number", 1},
               {"\"abc", "unexpected end of text in a string", 4}};
  for (const auto& c : cases) {
    TJsonParseInfo info;
    EXPECT_FALSE(ParseUtf8Text(c.text, &info)) << c.text;
    EXPECT_EQ(info.error, c.error) << c.text;
    EXPECT_EQ(info.errorOffset, c.offset) << c.text;
  }
  TJsonParseInfo info;
  EXPECT_FALSE(ParseUtf8Text(Nest(33, ""), &info));
  EXPECT_EQ(info.error, "nesting deeper than 31 levels");
  EXPECT_EQ(info.errorOffset, 32u);
}

TEST(JsonParser, RecordsElementStartsOfTheTopLevelArray) {
  TJsonParseInfo info;
  info.recordElements = true;
  ASSERT_TRUE(ParseUtf8Text("[ 1, [2,3] ,{\"a\":[4]}]", &info));
  EXPECT_EQ(info.elementStarts, (std::vector<size_t>{2, 5, 12}));
}

TEST(JsonParser, InvalidUtf8ReadsAsReplacementCharacters) {
  std::string bytes = "[\"a\xFF\xE4\xB8\" , b\xC3]";
  IJsonValue a = ParseUtf8Text(bytes);
  IJsonValue b = ParseText(Utf8ToUtf16(bytes));
  ASSERT_TRUE(a);
  ASSERT_TRUE(b);
  EXPECT_EQ(WriteText(a), WriteText(b));
  EXPECT_EQ(ArrayValue(a)->At(0)->StringValue(), u"a\uFFFD\uFFFD\uFFFD");
}

TEST(JsonParser, SurrogatePairsFromUtf8) {
  IJsonValue v = ParseUtf8Text("\"\xF0\x9F\x98\x80\"");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->StringValue(), u"\U0001F600");
}

}  // namespace
}  // namespace lf
