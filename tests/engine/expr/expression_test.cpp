// Evaluation of expressions: operators, built-in functions, the callbacks
// and number/date texts under pinned format settings.
#include <gtest/gtest.h>

#include "param_name.h"

#include <map>
#include <ostream>

#include "engine/expr/parser.h"
#include "platform/format_settings.h"

namespace lf {
namespace {

// A parser whose names come from a table; every name asked is recorded.
class Evaluator {
 public:
  Evaluator() {
    parser.ValueCallback = [this](const std::string& name, Variant& value) {
      asked.push_back(name);
      auto it = values.find(name);
      if (it != values.end()) value = it->second;
    };
  }
  Variant Eval(const std::string& e) { return parser.Evaluate(e); }
  TfrParser parser;
  std::map<std::string, Variant> values;
  std::vector<std::string> asked;
};

struct EvalCase {
  const char* expression;
  const char* kind;
  const char* text;
};
void PrintTo(const EvalCase& c, std::ostream* os) { *os << c.expression; }

class ExpressionValues : public ::testing::TestWithParam<EvalCase> {};

TEST_P(ExpressionValues, EvaluatesTo) {
  ScopedFormatSettings fs(InvariantFormatSettings());
  Evaluator ev;
  ev.values = {{"A", Variant(1)},          {"B", Variant(2)},   {"X", Variant(2)},
               {"Y", Variant(0)},          {"S6", Variant("6")}, {"S2", Variant("2")},
               {"F100", Variant("100")},   {"T", Variant(true)}};
  Variant v = ev.Eval(GetParam().expression);
  EXPECT_STREQ(VariantKindName(v.Kind()), GetParam().kind) << GetParam().expression;
  EXPECT_EQ(v.AsText(), GetParam().text) << GetParam().expression;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExpressionValues,
    ::testing::Values(
        // precedence
        EvalCase{"2+3*4", "double", "14"}, EvalCase{"(2+3)*4", "double", "20"},
        EvalCase{"7 mod 3 + 1", "double", "2"},
        EvalCase{"(a = 1) or (b = 2)", "integer", "1"},
        EvalCase{"a = 1 or b = 2", "integer", "0"},
        // unary operators
        EvalCase{"a * -b", "integer", "-2"}, EvalCase{"a - -b", "integer", "3"},
        EvalCase{"x > 1 and not y", "integer", "1"}, EvalCase{"+a", "integer", "1"},
        // division
        EvalCase{"10/0", "integer", "0"}, EvalCase{"10/4", "double", "2.5"},
        // strings
        EvalCase{"'it''s'", "text", "it's"}, EvalCase{"'ab' + 'cd'", "text", "abcd"},
        EvalCase{"'\"q\"'", "text", "\"q\""},
        // decimal separators in literals
        EvalCase{"1,5 + 1.5", "double", "3"},
        // text arithmetic
        EvalCase{"s6 - s2", "double", "4"}, EvalCase{"s6 * s2", "double", "12"},
        EvalCase{"f100 > 99", "integer", "1"}, EvalCase{"'abc' < 'abd'", "integer", "1"},
        EvalCase{"'a' = 'A'", "integer", "0"},
        // MOD and the bitwise AND / OR
        EvalCase{"7.5 mod 2", "integer", "0"}, EvalCase{"6.5 mod 4", "integer", "2"},
        EvalCase{"3 and 5", "integer", "1"}, EvalCase{"3 or 4", "integer", "7"},
        EvalCase{"TRUE and FALSE", "boolean", "False"}, EvalCase{"t or false", "boolean", "True"},
        EvalCase{"t = -1", "integer", "1"},
        // INT / FRAC / ROUND / STR
        EvalCase{"INT(-2.7)", "double", "-2"}, EvalCase{"INT(2.99999999999)", "double", "3"},
        EvalCase{"FRAC(1.25)", "double", "0.25"}, EvalCase{"FRAC(2.99999999999)", "double", "0"},
        EvalCase{"ROUND(2.5)", "double", "2"}, EvalCase{"ROUND(3.5)", "double", "4"},
        EvalCase{"ROUND(-2.5)", "double", "-2"},
        EvalCase{"STR(1/3)", "text", "0.333333333333333"},
        EvalCase{"STR(unknown)", "text", ""},
        // built-in functions
        EvalCase{"IF(1 > 2, 'a', 'b')", "text", "b"}, EvalCase{"IF(2.7, 'a', 'b')", "text", "a"},
        EvalCase{"IF(0.5, 'a', 'b')", "text", "b"},
        EvalCase{"COPY('abcdef', 2, 3)", "text", "bcd"},
        EvalCase{"COPY('abcdef', 5, 10)", "text", "ef"},
        EvalCase{"COPY('abcdef', 1+1, 1)", "text", "b"},
        EvalCase{"STRTODATE('12/25/2024')", "datetime", "12/25/2024"},
        EvalCase{"STRTOTIME('13:30')", "datetime", "1:30:00 PM"},
        EvalCase{"STRTODATE('12/25/2024') + 1", "datetime", "12/26/2024"},
        EvalCase{"STRTODATE('12/25/2024') - STRTODATE('12/20/2024')", "double", "5"},
        // empty expression and ";"
        EvalCase{"", "integer", "0"}, EvalCase{"1+1; ignored garbage (", "double", "2"},
        EvalCase{"true", "boolean", "True"}),
    [](const ::testing::TestParamInfo<ExpressionValues::ParamType>& info) { return lf::test::ParamName(info.param.expression); });

TEST(ExpressionCallbacks, BracketedNamePassesUnchangedPlainNameUpperCased) {
  Evaluator ev;
  ev.Eval("[Price * 2] + amount + [a [b] c]");
  EXPECT_EQ(ev.asked, (std::vector<std::string>{"Price * 2", "AMOUNT", "a [b] c"}));
}

TEST(ExpressionCallbacks, IfEvaluatesOnlyTheChosenBranch) {
  Evaluator ev;
  ev.values = {{"A", Variant("yes")}};
  EXPECT_EQ(ev.Eval("IF(1 > 2, boom, a)").AsText(), "yes");
  EXPECT_EQ(ev.asked, (std::vector<std::string>{"A"}));
}

TEST(ExpressionCallbacks, IndexedIdentifierCallsGetArray) {
  TfrParser parser;
  std::vector<std::string> calls;
  parser.FunctionCallback = [&](const std::string& name, const Variant& p1, const Variant& p2,
                                const Variant& p3, Variant& result) {
    calls.push_back(name + "|" + p1.AsText() + "|" + p2.AsText() + "|" + p3.AsText());
    result = Variant(42);
  };
  EXPECT_EQ(parser.Evaluate("arr[i + 1] + 1").AsInteger(), 43);
  EXPECT_EQ(calls, (std::vector<std::string>{"GETARRAY|arr| i + 1|"}));
}

TEST(ExpressionCallbacks, FunctionCallGetsUpperNameAndSourceTexts) {
  TfrParser parser;
  std::string seen;
  parser.FunctionCallback = [&](const std::string& name, const Variant& p1, const Variant& p2,
                                const Variant& p3, Variant& result) {
    EXPECT_TRUE(result.IsNull());
    seen = name + "|" + p1.AsText() + "|" + p2.AsText() + "|" + p3.AsText();
  };
  EXPECT_TRUE(parser.Evaluate("myFunc('a', b+1)").IsNull());
  EXPECT_EQ(seen, "MYFUNC|'a'| b+1|");
}

TEST(ExpressionCallbacks, WithoutCallbacksNamesAndFunctionsAreNull) {
  TfrParser parser;
  EXPECT_TRUE(parser.Evaluate("abc").IsNull());
  EXPECT_TRUE(parser.Evaluate("f(1)").IsNull());
  EXPECT_TRUE(parser.Evaluate("[x]").IsNull());
}

TEST(ExpressionConversions, NonNumbersFailNamingTheText) {
  ScopedFormatSettings fs(InvariantFormatSettings());
  TfrParser parser;
  auto message = [&](const char* e) {
    try {
      parser.Evaluate(e);
    } catch (const EVariantError& x) {
      return std::string(x.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message("'abc' + 1"), "'abc' is not a valid floating point value");
  EXPECT_EQ(message("1,000.5 + 1"), "'1,000.5' is not a valid floating point value");
  EXPECT_EQ(message("12abc"), "'12abc' is not a valid floating point value");
  EXPECT_EQ(message("COPY('abc', 1.5, 1)"), "'1.5' is not a valid integer value");
  EXPECT_EQ(message("STRTODATE('13/45/2020')"), "'13/45/2020' is not a valid date");
  EXPECT_EQ(message("5 mod 0"), "Division by zero");
}

TEST(ExpressionConversions, CommaDecimalSeparatorReadsBothAndWritesComma) {
  TFormatSettings s = InvariantFormatSettings();
  s.DecimalSeparator = ',';
  ScopedFormatSettings fs(s);
  TfrParser parser;
  EXPECT_EQ(parser.Evaluate("1,5 + 1.5").AsText(), "3");
  EXPECT_EQ(parser.Evaluate("STR(10/4)").AsText(), "2,5");
  EXPECT_EQ(parser.Evaluate("'2,5' * 2").AsText(), "5");
  EXPECT_EQ(parser.Evaluate("IF(STR(0,5), 'a', 'b')").AsText(), "b");
}

TEST(ExpressionConversions, DatesFollowTheShortDateFormat) {
  TFormatSettings s = InvariantFormatSettings();
  s.DateSeparator = '.';
  s.ShortDateFormat = "dd/mm/yyyy";
  s.LongTimeFormat = "hh:nn:ss";
  ScopedFormatSettings fs(s);
  TfrParser parser;
  EXPECT_EQ(parser.Evaluate("STRTODATE('25.12.2024')").AsText(), "25.12.2024");
  EXPECT_EQ(parser.Evaluate("STRTODATE('25.12.2024') + 0.75").AsText(), "25.12.2024 18:00:00");
  EXPECT_EQ(parser.Evaluate("STRTOTIME('7:05')").AsText(), "07:05:00");
}

}  // namespace
}  // namespace lf
