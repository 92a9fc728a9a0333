// Script compiler: the commands statements compile to, error lines and limits.
#include <gtest/gtest.h>

#include <ostream>

#include "engine/script/interpreter.h"

namespace lf {
namespace {

// The compiled script as a listing, one CommandToDisplay line per command.
std::string Listing(const TfrLines& compiled) {
  std::string out;
  for (const std::string& line : compiled) out += CommandToDisplay(line) + "\n";
  return out;
}

struct Compiled {
  TfrLines commands;
  TfrLines errors;
};

Compiled Compile(const TfrLines& source) {
  TfrInterpretator interpreter;
  Compiled c;
  interpreter.PrepareScript(source, c.commands, c.errors);
  return c;
}

struct ListingCase {
  const char* name;
  TfrLines source;
  const char* listing;
};
void PrintTo(const ListingCase& c, std::ostream* os) { *os << c.name; }

class ScriptCompilerListing : public ::testing::TestWithParam<ListingCase> {};

TEST_P(ScriptCompilerListing, CompilesToCommands) {
  Compiled c = Compile(GetParam().source);
  EXPECT_EQ(c.errors, TfrLines{});
  EXPECT_EQ(Listing(c.commands), GetParam().listing);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, ScriptCompilerListing,
    ::testing::Values(
        ListingCase{"IfElseIsFourCommands",
                    {"if x > 1 then y := 1 else y := 2"},
                    "jz\t3\tx 1 >\nset\ty\t1 \njmp\t4\nset\ty\t2 \n"},
        ListingCase{"IfWithoutElseJumpsPastTheStatement",
                    {"IF a THEN b := 'it''s'"},
                    "jz\t2\ta \nset\tb\t'it''s' \n"},
        ListingCase{"WhileJumpsBackToItsCondition",
                    {"while i < 3 do i := i + 1"},
                    "jz\t3\ti 3 <\nset\ti\ti 1 +\njmp\t0\n"},
        ListingCase{"ForChecksTheEndEveryRoundAndStepsByOne",
                    {"for i := 1 to n do s := s + i"},
                    "set\ti\t1 \njz\t5\ti n {2}\nset\ts\ts i +\nset\ti\ti 1 +\njmp\t1\n"},
        ListingCase{"RepeatJumpsBackWhileTheConditionFails",
                    {"repeat i := i + 1; j := i until i >= 5"},
                    "set\ti\ti 1 +\nset\tj\ti \njz\t0\ti 5 {1}\n"},
        ListingCase{"BlocksNestAndAcceptTrailingSemicolons",
                    {"begin", "  begin a := 1 end;", "  b := 2;", "end"},
                    "set\ta\t1 \nset\tb\t2 \n"},
        ListingCase{"CallWithoutArgumentsPassesZero",
                    {"begin NewPage; Memo1.Clear end"},
                    "call\tNewPage(0)\ncall\tMemo1.Clear(0)\n"},
        ListingCase{"CallWithArgumentsIsAnExpression",
                    {"ShowBand(Band1)"},
                    "call\tShowBand(Band1)\n"},
        ListingCase{"ArrayElementAssignmentCallsSetArray",
                    {"Arr[i + 1] := 5 * 2"},
                    "call\tSETARRAY(Arr, i + 1, 5 * 2)\n"},
        ListingCase{"ExitIsACall",
                    {"begin x := 1; exit; x := 2 end"},
                    "set\tx\t1 \ncall\texit(0)\nset\tx\t2 \n"},
        ListingCase{"LabelsResolveBackwardsAndForwards",
                    {"begin 10: i := i + 1; if i < 3 then goto 10; goto 20; i := 0; 20: end"},
                    "set\ti\ti 1 +\njz\t3\ti 3 <\njmp\t0\njmp\t5\nset\ti\t0 \n"},
        ListingCase{"GotoToAnUnknownLabelEndsTheScript",
                    {"begin goto 7; x := 1 end"},
                    "jmp\t2\nset\tx\t1 \n"},
        ListingCase{"CommentsAreIgnored",
                    {"begin { one", "two } x := 1; // y := 2", "z := '{not a comment}' end"},
                    "set\tx\t1 \nset\tz\t'{not a comment}' \n"},
        ListingCase{"OnlyTheFirstStatementCompiles",
                    {"x := 1 y := 2"},
                    "set\tx\t1 \n"},
        ListingCase{"BracketedNamesAndWordOperators",
                    {"if ([PAGE#] mod 2 = 0) and not Done then Memo1.Visible := False"},
                    "jz\t2\t[PAGE#] 2 {13}0 =Done {12}{5}\nset\tMemo1.Visible\tFalse \n"},
        ListingCase{"EmptyScriptCompilesToNothing", {"", "  { nothing }  "}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct ErrorCase {
  const char* name;
  TfrLines source;
  const char* error;
};
void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.name; }

class ScriptCompilerErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ScriptCompilerErrors, StopsWithOneErrorLine) {
  Compiled c = Compile(GetParam().source);
  EXPECT_EQ(c.errors, TfrLines{GetParam().error});
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ScriptCompilerErrors,
    ::testing::Values(
        ErrorCase{"MissingThen", {"if x > 1 y := 1"}, "Line 1/10: Need \"then\" here"},
        ErrorCase{"MissingSemicolon", {"begin", "  x := 1", "  y := 2", "end"},
                  "Line 3/3: Need \";\" or \"end\" here"},
        ErrorCase{"MissingUntil", {"repeat x := 1 y"}, "Line 1/15: Need \";\" or \"until\" here"},
        ErrorCase{"MissingDo", {"while x < 1 x := 1"}, "Line 1/13: Need \"do\" here"},
        ErrorCase{"MissingTo", {"for i := 1 3 do"}, "Line 1/12: Need \"to\" here"},
        ErrorCase{"GotoWithoutNumber", {"goto x"}, "Line 1/1: \"goto\" label must be a number"},
        ErrorCase{"MissingAssign", {"x = 1"}, "Line 1/3: Need \":=\" here"},
        ErrorCase{"MissingParenAtTheEnd", {"x := (1 + 2", ""}, "Line 1/12: Need \")\" here"},
        ErrorCase{"MissingBracket", {"x := a[1 + 2;"}, "Line 1/13: Need \"]\" here"},
        ErrorCase{"MissingComma", {"x := f(1 2)"}, "Line 1/10: Need \",\" or \")\" here"},
        ErrorCase{"EmptyStatement", {"begin x := 1;; end"}, "Line 1/14: Need a statement here"},
        ErrorCase{"MissingOperand", {"x := 1 +"}, "Line 1/9: Need an expression here"},
        ErrorCase{"UnterminatedString", {"x := 'abc"}, "Line 1/6: Unterminated string"},
        ErrorCase{"CommentsKeepColumns", {"if {note} x > 1 { more } y := 1"},
                  "Line 1/26: Need \"then\" here"},
        ErrorCase{"CommentsKeepLines", {"{ a", "b } // c", "if x y"}, "Line 3/6: Need \"then\" here"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScriptCompiler, KeepsTheCommandsBeforeAnError) {
  Compiled c = Compile({"begin x := 1; y = 2 end"});
  EXPECT_EQ(Listing(c.commands), "set\tx\t1 \n");
  EXPECT_EQ(c.errors, TfrLines{"Line 1/17: Need \":=\" here"});
}

TEST(ScriptCompiler, JumpOfAStatementCutShortEndsTheScript) {
  Compiled c = Compile({"while a do begin x := 1 y"});
  EXPECT_EQ(Listing(c.commands), "jz\t2\ta \nset\tx\t1 \n");
}

TEST(ScriptCompiler, CompilesInPlace) {
  TfrInterpretator interpreter;
  TfrLines script{"x := 1"}, errors{"old"};
  interpreter.PrepareScript(script, script, errors);
  EXPECT_EQ(Listing(script), "set\tx\t1 \n");
  EXPECT_TRUE(errors.empty());
}

TEST(ScriptCompiler, StoresAddressesLowByteFirst) {
  // 300 assignments inside a while loop put the loop's end past one byte.
  TfrLines source{"while a do begin"};
  for (int i = 0; i < 300; ++i) source.push_back("x := 1;");
  source.push_back("end");
  Compiled c = Compile(source);
  ASSERT_EQ(c.commands.size(), 302u);
  EXPECT_EQ(c.commands[0].substr(0, 3), std::string("\x01\x2e\x01", 3));
  EXPECT_EQ(CommandAddress(c.commands[0]), 302);
}

TEST(ScriptCompilerLimits, ScriptLength) {
  std::string line = "x := 1 ";
  line.resize(kScriptMaxLength - 1, ' ');  // with its line end exactly at the limit
  EXPECT_TRUE(Compile({line}).errors.empty());
  line += ' ';
  EXPECT_EQ(Compile({line}).errors, TfrLines{"Line 1/32001: Script is longer than 32000 characters"});
}

TEST(ScriptCompilerLimits, LabelCount) {
  auto script = [](int labels) {
    TfrLines s{"begin"};
    for (int i = 0; i < labels; ++i) s.push_back(std::to_string(i) + ": x := 1;");
    s.push_back("end");
    return s;
  };
  EXPECT_TRUE(Compile(script(kScriptMaxLabels)).errors.empty());
  EXPECT_EQ(Compile(script(kScriptMaxLabels + 1)).errors, TfrLines{"Line 103/1: More than 101 labels"});
}

TEST(ScriptCompilerLimits, LabelLength) {
  std::string digits(kScriptMaxLabelLength - 1, '9');
  EXPECT_TRUE(Compile({digits + ": x := 1"}).errors.empty());
  EXPECT_EQ(Compile({digits + "9: x := 1"}).errors, TfrLines{"Line 1/1: Label is longer than 16 characters"});
}

TEST(ScriptCompilerLimits, Nesting) {
  auto parens = [](int n) { return "x := " + std::string(n, '(') + "1" + std::string(n, ')'); };
  EXPECT_TRUE(Compile({parens(kScriptMaxNesting - 10)}).errors.empty());
  Compiled deep = Compile({parens(15000)});
  ASSERT_EQ(deep.errors.size(), 1u);
  EXPECT_NE(deep.errors[0].find(kScriptTooDeep), std::string::npos);

  std::string blocks;
  for (int i = 0; i < 5000; ++i) blocks += "begin ";
  Compiled deepBlocks = Compile({blocks});
  ASSERT_EQ(deepBlocks.errors.size(), 1u);
  EXPECT_NE(deepBlocks.errors[0].find(kScriptTooDeep), std::string::npos);
}

}  // namespace
}  // namespace lf
