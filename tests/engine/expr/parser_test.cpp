// Postfix conversion, the text scanners and the parser's error limits.
#include <gtest/gtest.h>

#include <ostream>

#include "param_name.h"

#include "engine/expr/parser.h"
#include "engine/expr/text_scanners.h"

namespace lf {
namespace {

struct PostfixCase {
  const char* source;
  const char* postfix;  // operator codes written {n}
};
void PrintTo(const PostfixCase& c, std::ostream* os) { *os << c.source; }

class ParserPostfix : public ::testing::TestWithParam<PostfixCase> {};

TEST_P(ParserPostfix, ConvertsToDocumentedForm) {
  TfrParser parser;
  EXPECT_EQ(PostfixToDisplay(parser.ToPostfix(GetParam().source)), GetParam().postfix);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParserPostfix,
    ::testing::Values(
        PostfixCase{"2+3*4", "2 3 4 *+"},
        PostfixCase{"(a = 1) or (b = 2)", "a 1 =b 2 ={4}"},
        PostfixCase{"a = 1 or b = 2", "a 1 b {4}=2 ="},
        PostfixCase{"a * -b", "a b {9}*"},
        PostfixCase{"INT(7.5) + 1", "7.5 {6}1 +"},
        PostfixCase{"not a = b", "a {12}b ="},
        PostfixCase{"a <> b", "a b {3}"},
        PostfixCase{"a >= b", "a b {1}"},
        PostfixCase{"a <= b", "a b {2}"},
        PostfixCase{"7 mod 3", "7 3 {13}"},
        // A word operator only stands as a whole operand.
        PostfixCase{"Order + Android", "Order Android +"},
        PostfixCase{"'it''s' + [a b]", "'it''s' [a b] +"},
        PostfixCase{"COPY('a,b', 1, 2) + x", "COPY('a,b', 1, 2)x +"},
        PostfixCase{"arr[i + 1]", "arr[i + 1] "},
        PostfixCase{"cds0.\"first name\"", "cds0.\"first name\" "},
        PostfixCase{"1 + 2; 3 * 4", "1 2 +"},
        PostfixCase{"x;comment", "x "},
        PostfixCase{"1)+2", "1 2 +"},
        PostfixCase{"", ""}),
    [](const ::testing::TestParamInfo<ParserPostfix::ParamType>& info) { return lf::test::ParamName(info.param.source); });

TEST(ParserErrors, UnmatchedOpenParenthesisIsRejected) {
  TfrParser parser;
  try {
    parser.ToPostfix("((1+2)");
    FAIL();
  } catch (const EParserError& e) {
    EXPECT_STREQ(e.what(), "Missing \")\" in expression");
  }
  try {
    parser.ToPostfix("COPY('abc', 1");
    FAIL();
  } catch (const EParserError& e) {
    EXPECT_STREQ(e.what(), "Missing \")\" in call of COPY");
  }
}

TEST(ParserErrors, CallWithMoreThanThreeArgumentsIsRejected) {
  TfrParser parser;
  try {
    parser.Evaluate("IF(1, 2, 3, 4)");
    FAIL();
  } catch (const EParserError& e) {
    EXPECT_STREQ(e.what(), "Too many arguments in call of IF");
  }
}

TEST(ParserErrors, MoreThan32PendingValuesIsTooComplex) {
  TfrParser parser;
  std::string ok, tooMany;
  for (int i = 0; i < kParserStackSize - 1; ++i) ok += "1+(";
  ok += "1" + std::string(kParserStackSize - 1, ')');
  EXPECT_DOUBLE_EQ(parser.Evaluate(ok).AsDouble(), kParserStackSize);
  for (int i = 0; i < kParserStackSize; ++i) tooMany += "1+(";
  tooMany += "1" + std::string(kParserStackSize, ')');
  try {
    parser.Evaluate(tooMany);
    FAIL();
  } catch (const EParserError& e) {
    EXPECT_STREQ(e.what(), "Expression too complex");
  }
}

TEST(ParserErrors, NestingOfEvaluationsIsBounded) {
  TfrParser parser;
  // Each IF evaluates its branch with a nested evaluation.
  auto nested = [](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "IF(1, ";
    s += "7";
    for (int i = 0; i < n; ++i) s += ", 0)";
    return s;
  };
  EXPECT_DOUBLE_EQ(parser.Evaluate(nested(kParserMaxNesting - 2)).AsDouble(), 7);
  try {
    parser.Evaluate(nested(kParserMaxNesting + 1));
    FAIL();
  } catch (const EParserError& e) {
    EXPECT_STREQ(e.what(), "Expression nested too deeply");
  }
}

TEST(ParserErrors, BinaryOperatorWithoutOperandIsRejected) {
  TfrParser parser;
  EXPECT_THROW(parser.Evaluate("5 +"), EParserError);
  EXPECT_THROW(parser.Evaluate("* 3"), EParserError);
}

TEST(TextScanners, ReadIdentifierStopsAtOperatorsOutsideDoubleQuotes) {
  size_t pos = 1;
  EXPECT_EQ(ReadIdentifier("  cds0.\"a+b c\"+1", pos), "cds0.\"a+b c\"");
  EXPECT_EQ(pos, 15u);
  pos = 1;
  EXPECT_EQ(ReadIdentifier("PAGE#", pos), "PAGE#");
  EXPECT_EQ(pos, 6u);
  pos = 1;
  EXPECT_EQ(ReadIdentifier("arr[1]", pos), "arr");
  EXPECT_EQ(pos, 4u);
  pos = 1;
  EXPECT_EQ(ReadIdentifier("a,b;c]'d", pos), "a,b;c]'d");
}

TEST(TextScanners, ReadQuotedKeepsDoubledQuotesAndRunsToEndWhenOpen) {
  size_t pos = 3;
  EXPECT_EQ(ReadQuoted("x 'it''s' y", pos), "'it''s'");
  EXPECT_EQ(pos, 10u);
  pos = 1;
  EXPECT_EQ(ReadQuoted("'open", pos), "'open");
  EXPECT_EQ(pos, 6u);
}

TEST(TextScanners, ReadBracketedCountsNestingOutsideQuotes) {
  size_t pos = 1, open = 0;
  EXPECT_EQ(ReadBracketed("[a[b]c]d", pos, &open), "a[b]c");
  EXPECT_EQ(open, 1u);
  EXPECT_EQ(pos, 7u);
  pos = 1;
  EXPECT_EQ(ReadBracketed("[x ']' \"]\" y]", pos), "x ']' \"]\" y");
  // Unterminated: the last character stands for the closing bracket.
  pos = 1;
  EXPECT_EQ(ReadBracketed("[abc", pos), "ab");
  EXPECT_EQ(pos, 4u);
  // Not at a bracket: nothing, position unchanged.
  pos = 1;
  EXPECT_EQ(ReadBracketed("a[b]", pos), "");
  EXPECT_EQ(pos, 1u);
}

TEST(TextScanners, SplitArgumentsSeparatesTopLevelCommasOutsideQuotes) {
  size_t pos = 2;
  TArguments a = SplitArguments("F(g(1, 2), 'x,y', [z])+1", pos);
  EXPECT_EQ(a.a1, "g(1, 2)");
  EXPECT_EQ(a.a2, " 'x,y'");
  EXPECT_EQ(a.a3, " [z]");
  EXPECT_EQ(a.count, 3);
  EXPECT_EQ(pos, 23u);
  pos = 2;
  EXPECT_EQ(SplitArguments("F()", pos).count, 0);
  pos = 2;
  EXPECT_EQ(SplitArguments("F(1,2,3,4)", pos).count, 4);
}

TEST(TextScanners, SplitArgumentsFailsWithEmptyMessageWhenUnbalanced) {
  size_t pos = 2;
  try {
    SplitArguments("F(1, (2)", pos);
    FAIL();
  } catch (const EParserError& e) {
    EXPECT_STREQ(e.what(), "");
  }
}

}  // namespace
}  // namespace lf
