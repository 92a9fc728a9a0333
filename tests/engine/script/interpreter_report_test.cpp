// Report interpreter: where script assignments go, in order, and stopping.
#include <gtest/gtest.h>

#include <memory>

#include "engine/model/band.h"
#include "engine/run/globals.h"
#include "engine/model/memo_view.h"
#include "engine/model/page.h"
#include "engine/model/report.h"
#include "engine/script/report_interpreter.h"

namespace lf {
namespace {

class ReportInterpreter : public ::testing::Test {
 protected:
  void SetUp() override {
    page = report.Pages->Add();
    memo = static_cast<TfrMemoView*>(page->AddObject(std::make_unique<TfrMemoView>()));
    memo->Name = "Memo1";
    TfrEngineState& state = EngineState();
    state.CurReport = &report;
    state.CurPage = page;
    vars().Clear();
  }
  void TearDown() override {
    TfrEngineState& state = EngineState();
    state.CurReport = nullptr;
    state.CurPage = nullptr;
    state.CurBand = nullptr;
    state.CurView = nullptr;
    vars().Clear();
  }
  static TfrVariables& vars() { return *Globals().ScriptVariables; }
  void Run(const TfrLines& source) {
    TfrLines compiled, errors;
    interpreter.PrepareScript(source, compiled, errors);
    ASSERT_EQ(errors, TfrLines{});
    interpreter.DoScript(compiled);
  }

  TfrReport report;
  TfrPage* page = nullptr;
  TfrMemoView* memo = nullptr;
  TInterpretator interpreter;
};

TEST_F(ReportInterpreter, SetsAPropertyOfANamedObject) {
  Run({"Memo1.Visible := False"});
  EXPECT_FALSE(memo->Visible);
  EXPECT_EQ(vars().Count(), 0);
}

TEST_F(ReportInterpreter, SetsAPropertyOfTheCurrentObjectOrAPage) {
  EngineState().CurView = memo;
  Run({"begin Visible := False; PAGE1.Visible := False end"});
  EXPECT_FALSE(memo->Visible);
  EXPECT_FALSE(page->Visible);
  EXPECT_EQ(vars().Count(), 0);
}

TEST_F(ReportInterpreter, UnresolvedNamesBecomeScriptVariables) {
  Run({"begin Counter := 3; Memo1.NoSuchProperty := 'x'; PAGE9.Visible := False end"});
  EXPECT_EQ(vars().Count(), 3);
  EXPECT_EQ(vars().Lookup("COUNTER").AsInteger(), 3);
  EXPECT_EQ(vars().Lookup("memo1.nosuchproperty").AsText(), "x");
  EXPECT_TRUE(page->Visible);
}

TEST_F(ReportInterpreter, ScriptVariablesComeBeforeObjectProperties) {
  EngineState().CurView = memo;
  vars().Assign("Visible", Variant(1));
  Run({"Visible := False"});
  EXPECT_TRUE(memo->Visible);
  EXPECT_TRUE(vars().Lookup("VISIBLE").SameAs(Variant(false)));
}

TEST_F(ReportInterpreter, DictionaryVariablesTakeTheScriptValue) {
  report.Dictionary->Variables.Assign("Visible", Variant("1"));
  EngineState().CurView = memo;
  Run({"Visible := 7"});
  EXPECT_TRUE(memo->Visible);
  EXPECT_EQ(vars().Lookup("Visible").AsInteger(), 7);
}

TEST_F(ReportInterpreter, CurYMovesThePageAndKeepsItAcrossARequestedBreak) {
  TfrBand band(btMasterData, page);
  EngineState().CurBand = &band;
  Run({"CurY := 120"});
  EXPECT_EQ(page->CurY, 120);
  EXPECT_FALSE(band.KeepCurY);
  band.PageBreakRequests = 1;
  Run({"cury := 40.4"});
  EXPECT_EQ(page->CurY, 40);
  EXPECT_TRUE(band.KeepCurY);
  EXPECT_EQ(vars().Count(), 0);
}

TEST_F(ReportInterpreter, ModalResultGoesToADialogPageOnly) {
  std::vector<int> results;
  interpreter.OnModalResult = [&](TfrPage& p, int r) {
    EXPECT_EQ(&p, page);
    results.push_back(r);
  };
  Run({"ModalResult := 1"});
  page->PageType = ptDialog;
  Run({"MODALRESULT := 2"});
  EXPECT_EQ(results, std::vector<int>{2});
  EXPECT_EQ(vars().Count(), 0);
}

TEST_F(ReportInterpreter, ProgressShowsTheTextOfTheValue) {
  std::string shown;
  interpreter.OnProgressText = [&](const std::string& t) { shown = t; };
  Run({"Progress := 'Step ' + '2'"});
  EXPECT_EQ(shown, "Step 2");
  EXPECT_EQ(vars().Count(), 0);
}

TEST_F(ReportInterpreter, EndlessScriptEndsWhenTheReportIsStopped) {
  report.StopRequested = true;
  Run({"while 1 = 1 do n := 1"});
  EXPECT_EQ(vars().Lookup("N").AsInteger(), 1);
}

}  // namespace
}  // namespace lf
