// Script runner: loops, jumps, calls, exit, errors and long runs that stop.
#include <gtest/gtest.h>

#include <QTimer>

#include <map>

#include "engine/expr/function_splitter.h"
#include "engine/script/interpreter.h"
#include "platform/code_page.h"

namespace lf {
namespace {

// A language machine with its own variables and the array procedures, the
// way the report interpreter extends the base; calls are logged.
class ScriptHost : public TfrInterpretator {
 public:
  std::map<std::string, Variant> vars;
  std::vector<std::string> calls;
  bool stop = false;
  int stopQuestions = 0;

  void Run(const TfrLines& source) {
    TfrLines compiled, errors;
    PrepareScript(source, compiled, errors);
    ASSERT_EQ(errors, TfrLines{});
    DoScript(compiled);
  }
  int64_t Int(const std::string& name) { return vars.at(AsciiUpper(name)).AsInteger(); }

  void GetValue(const std::string& name, Variant& value) override {
    auto it = vars.find(AsciiUpper(name));
    if (it != vars.end()) value = it->second;
  }
  void SetValue(const std::string& name, const Variant& value) override { vars[AsciiUpper(name)] = value; }
  void DoFunction(const std::string& name, const Variant& p1, const Variant& p2, const Variant& p3,
                  Variant& result) override {
    calls.push_back(name + "|" + p1.AsText() + "|" + p2.AsText() + "|" + p3.AsText());
    if (name == "SETARRAY")
      vars["ARR_" + AsciiUpper(p1.AsText()) + "_" + Parser().Evaluate(p2.AsText()).AsText()] =
          Parser().Evaluate(p3.AsText());
    else if (name == "GETARRAY")
      GetValue("ARR_" + p1.AsText() + "_" + Parser().Evaluate(p2.AsText()).AsText(), result);
  }

 protected:
  bool StopRequested() override {
    ++stopQuestions;
    return stop;
  }
};

TEST(ScriptRunner, WhileRunsUntilTheConditionFails) {
  ScriptHost h;
  h.vars["I"] = 0;
  h.vars["N"] = 0;
  h.Run({"while i < 3 do begin i := i + 1; n := n + 1 end"});
  EXPECT_EQ(h.Int("i"), 3);
  EXPECT_EQ(h.Int("n"), 3);
}

TEST(ScriptRunner, ForRunsEachValueAndLeavesTheVariablePastTheEnd) {
  ScriptHost h;
  h.vars["S"] = "";
  h.Run({"for i := 1 to 3 do begin", "  s := s + STR(i)", "end"});
  EXPECT_EQ(h.vars["S"].AsText(), "123");
  EXPECT_EQ(h.Int("i"), 4);
}

TEST(ScriptRunner, ForReadsItsEndBeforeEveryRound) {
  ScriptHost h;
  h.vars["N"] = 5;
  h.vars["C"] = 0;
  h.Run({"for i := 1 to n do begin c := c + 1; n := n - 1 end"});
  EXPECT_EQ(h.Int("c"), 3);  // rounds 1, 2, 3 while n falls to 2
}

TEST(ScriptRunner, RepeatRunsItsBodyAtLeastOnce) {
  ScriptHost h;
  h.vars["I"] = 10;
  h.Run({"repeat i := i + 1 until i >= 5"});
  EXPECT_EQ(h.Int("i"), 11);
}

TEST(ScriptRunner, ConditionsTreatFalseAsZero) {
  ScriptHost h;
  h.Run({"begin if FALSE then a := 1 else a := 2; if TRUE then b := 1 else b := 2 end"});
  EXPECT_EQ(h.Int("a"), 2);
  EXPECT_EQ(h.Int("b"), 1);
}

TEST(ScriptRunner, LabelsJumpBackwardsAndForwards) {
  ScriptHost h;
  h.vars["I"] = 0;
  h.vars["SKIPPED"] = 0;
  h.Run({"begin", "10: i := i + 1;", "if i < 3 then goto 10;", "goto 20;", "skipped := 1;", "20: end"});
  EXPECT_EQ(h.Int("i"), 3);
  EXPECT_EQ(h.Int("skipped"), 0);
}

TEST(ScriptRunner, ExitAndUnknownLabelsEndTheScript) {
  ScriptHost h;
  h.Run({"begin x := 1; EXIT; x := 2 end"});
  EXPECT_EQ(h.Int("x"), 1);
  h.Run({"begin y := 1; goto 99; y := 2 end"});
  EXPECT_EQ(h.Int("y"), 1);
}

TEST(ScriptRunner, CallsReachTheFunctionCallback) {
  ScriptHost h;
  h.Run({"begin NewPage; ShowBand(Band1); Memo1.Memo.Add('a, b', 2) end"});
  EXPECT_EQ(h.calls, (std::vector<std::string>{"NEWPAGE|0||", "SHOWBAND|Band1||",
                                               "MEMO1.MEMO.ADD|'a, b'| 2|"}));
}

TEST(ScriptRunner, ArrayElementsGoThroughSetArrayAndGetArray) {
  ScriptHost h;
  h.Run({"begin Arr[2] := 5; y := Arr[1 + 1] end"});
  EXPECT_EQ(h.calls.front(), "SETARRAY|Arr| 2| 5");
  EXPECT_EQ(h.Int("y"), 5);
}

TEST(ScriptRunner, EvaluationErrorsReachTheCaller) {
  ScriptHost h;
  TfrLines compiled, errors;
  h.PrepareScript({"begin x := 1; x := 'abc' - 1; x := 3 end"}, compiled, errors);
  EXPECT_THROW(h.DoScript(compiled), EVariantError);
  EXPECT_EQ(h.Int("x"), 1);
}

TEST(ScriptRunner, ADoublingTextStopsAtTheTextLimit) {
  ScriptHost h;
  try {
    h.Run({"begin s := 'x'; while 1 do s := s + s end"});
    FAIL() << "no error";
  } catch (const EVariantError& e) {
    EXPECT_EQ(e.Message(), "Text longer than 67108864 bytes");
  }
  EXPECT_EQ(h.vars.at("S").AsText().size(), kMaxTextValueBytes);
}

TEST(ScriptRunner, RunsTheCommandsCompiledBeforeAnError) {
  ScriptHost h;
  TfrLines compiled, errors;
  h.PrepareScript({"begin x := 1; y = 2 end"}, compiled, errors);
  ASSERT_EQ(errors.size(), 1u);
  h.DoScript(compiled);
  EXPECT_EQ(h.Int("x"), 1);
  EXPECT_EQ(h.vars.count("Y"), 0u);
}

TEST(ScriptRunner, EndlessLoopEndsWhenAStopIsRequested) {
  ScriptHost h;
  h.vars["N"] = 0;
  // The stop comes from a timer, so it only arrives if pending events are processed.
  QTimer::singleShot(50, [&] { h.stop = true; });
  h.Run({"while 1 = 1 do n := n + 1"});
  EXPECT_TRUE(h.stop);
  EXPECT_GT(h.Int("n"), 0);
  EXPECT_GT(h.stopQuestions, 0);
}

TEST(ScriptRunner, LooksForAStopEveryFewThousandCommands) {
  ScriptHost h;
  h.vars["I"] = 0;
  h.Run({"while i < 100 do i := i + 1"});  // 301 commands: never asked
  EXPECT_EQ(h.stopQuestions, 0);
  h.stop = true;
  h.Run({"10: goto 10"});  // ends at the first question
  EXPECT_EQ(h.stopQuestions, 1);
}

TEST(ScriptSplitter, HandsTheExpressionOfEveryCommand) {
  TfrInterpretator interpreter;
  TfrLines compiled, errors;
  interpreter.PrepareScript({"begin if SUM(a) > 1 then x := COUNT(b); NewPage; goto 1; 1: end"}, compiled,
                            errors);
  std::vector<std::string> seen;
  interpreter.SplitScript(compiled, [&](const std::string& e) { seen.push_back(e); });
  EXPECT_EQ(seen, (std::vector<std::string>{"SUM(a)1 >", "COUNT(b)", "NewPage(0)"}));

  std::vector<std::string> names{"SUM", "COUNT"}, found;
  TfrFunctionSplitter splitter(names, found, nullptr);
  interpreter.SplitScript(compiled, splitter);
  EXPECT_EQ(found, (std::vector<std::string>{"SUM(a)", "COUNT(b)"}));
}

}  // namespace
}  // namespace lf
