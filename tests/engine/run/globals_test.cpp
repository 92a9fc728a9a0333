// Engine globals: constants, libraries, shared lists, creation and
// destruction; and the report's value chain that reads them.
#include <gtest/gtest.h>

#include "platform/code_page.h"

#include <QImage>

#include "engine/data/field_reference.h"
#include "engine/functions/function_library.h"
#include "engine/run/globals.h"
#include "engine/script/interpreter.h"
#include "engine/model/memo_view.h"
#include "engine/model/report.h"
#include "engine/functions/report_values.h"
#include "platform/format_settings.h"

namespace lf {
namespace {

class ReportValues : public ::testing::Test {
 protected:
  ReportValues() { AttachReport(SharedParser(), *report_); }
  ~ReportValues() override {
    SharedParser().ValueCallback = nullptr;
    SharedParser().FunctionCallback = nullptr;
    EngineState() = TfrEngineState{};
    Globals().ScriptVariables->Clear();
  }
  Variant Eval(const std::string& e) { return SharedParser().Evaluate(e); }
  std::string Error(const std::string& e) {
    try {
      Eval(e);
    } catch (const Exception& x) {
      return x.what();
    }
    return "no error";
  }

  ScopedFormatSettings fs_{InvariantFormatSettings()};
  TComponent owner_;
  TfrReport* report_ = TComponent::Create<TfrReport>(&owner_, "frReport1");
};

TEST_F(ReportValues, ConstantsResolveAfterEverythingElse) {
  EXPECT_EQ(Eval("clRed").AsInteger(), 255);
  EXPECT_EQ(Eval("[clTransparent]").AsInteger(), 536870911);
  EXPECT_EQ(Eval("clBtnFace").AsInteger(), static_cast<int32_t>(0xFF00000F));
  EXPECT_EQ(Eval("mrYes + mb_IconWarning").AsInteger(), 54);
  EXPECT_EQ(Eval("CRLF").AsText(), "\r\n");
  EXPECT_TRUE(Eval("Null").IsNull());
  report_->Dictionary->Variables.Assign("clRed", Variant("1 + 1"));
  EXPECT_EQ(Eval("clRed").AsDouble(), 2);  // a report variable hides the constant
}

TEST_F(ReportValues, OnGetValueWinsUnlessItLeavesEmpty) {
  report_->OnGetValue = [](const std::string& name, Variant& value) {
    if (name == "MINE") value = Variant("event");
    if (name == "CLRED") value = Variant(1);
  };
  EXPECT_EQ(Eval("mine").AsText(), "event");
  EXPECT_EQ(Eval("clRed").AsInteger(), 1);
  EXPECT_EQ(Eval("clBlue").AsInteger(), 0xFF0000);
}

TEST_F(ReportValues, DictionaryVariablesEvaluateTheirText) {
  report_->Dictionary->Variables.Assign("Net", Variant("100"));
  report_->Dictionary->Variables.Assign("Gross", Variant("[Net] * 1.2"));
  report_->Dictionary->Variables.Assign("Blank", Variant(""));
  EXPECT_DOUBLE_EQ(Eval("gross").AsDouble(), 120);
  EXPECT_EQ(Eval("Blank").AsText(), "");
  // A script variable of the same name is what the dictionary answers.
  Globals().ScriptVariables->Assign("Net", Variant(5));
  EXPECT_DOUBLE_EQ(Eval("Gross").AsDouble(), 6);
}

TEST_F(ReportValues, ScriptVariablesLastAcrossReports) {
  Globals().Interpreter->SetValue("Runs", Variant(1));
  TfrReport* second = TComponent::Create<TfrReport>(&owner_, "frReport2");
  AttachReport(SharedParser(), *second);
  EXPECT_EQ(Eval("runs + 1").AsInteger(), 2);
}

TEST_F(ReportValues, SystemNamesAreExactAndReachedThroughReevaluation) {
  EngineState().PageNo = 3;
  EngineState().TotalPages = 9;
  report_->ReportAutor = "Ann";
  EXPECT_EQ(Eval("PAGE#").AsInteger(), 3);
  EXPECT_EQ(Eval("[Page#] + [TOTALPAGES]").AsInteger(), 12);
  EXPECT_EQ(Eval("reportautor").AsText(), "Ann");
  EngineState().CurValue = Variant("shown");
  EXPECT_EQ(Eval("[VALUE]").AsText(), "shown");
}

TEST_F(ReportValues, EngineNamesReadTheCurrentPage) {
  TfrPage* page = report_->Pages->Add();
  page->CurY = 100;
  page->BottomY = 1000;
  EngineState().CurPage = page;
  EXPECT_EQ(Eval("FREESPACE").AsInteger(), 900);
  EXPECT_EQ(Eval("[PageHeight] - CURY").AsInteger(), 900);
  EngineState().MasterReport = report_;
  report_->InFinalPass = true;
  EXPECT_TRUE(Eval("FINALPASS").AsBoolean());
}

TEST_F(ReportValues, UnresolvedNamesFailWithUndefinedSymbol) {
  EXPECT_EQ(Error("nothing + 1"), "Undefined symbol \"NOTHING\"");
  EXPECT_EQ(Error("[lower]"), "Undefined symbol \"LOWER\"");
  EXPECT_EQ(Error("[a b]"), "Undefined symbol \"A\"");
}

TEST_F(ReportValues, RegistrationPassLeavesUnresolvedNamesEmpty) {
  EngineState().AggregatesRegistering = true;
  EXPECT_TRUE(Eval("nothing").IsEmpty());
}

TEST_F(ReportValues, MutuallyReferringVariablesAreStopped) {
  report_->Dictionary->Variables.Assign("A", Variant("[B]"));
  report_->Dictionary->Variables.Assign("B", Variant("[A] + 1"));
  EXPECT_THROW(Eval("A"), EParserError);
}

TEST_F(ReportValues, ObjectPropertiesAndMethodsOfTheCurrentObject) {
  TfrPage* page = report_->Pages->Add();
  auto memo = std::make_unique<TfrMemoView>();
  memo->Name = "Memo1";
  memo->Memo = {"one"};
  memo->Left = 12;
  TfrView* view = page->AddObject(std::move(memo));
  EngineState().CurView = view;
  EXPECT_EQ(Eval("Memo1.Left").AsInteger(), 12);
  EXPECT_EQ(Eval("[Left] + 1").AsInteger(), 13);
  Eval("Memo1.Memo.Add('two')");
  Eval("Memo.Add('three')");
  EXPECT_EQ(view->Memo, (TfrLines{"one", "two", "three"}));
  Eval("SETARRAY(Memo1.Memo, 0, 'first')");
  EXPECT_EQ(Eval("Memo1.Memo[0]").AsText(), "first");
}

TEST(CalculationError, NamesReportObjectAndItsText) {
  TComponent owner;
  TfrReport* report = TComponent::Create<TfrReport>(&owner, "frReport1");
  TfrMemoView memo;
  memo.Name = "Memo3";
  memo.Memo = {"[Price]", "x"};
  EXPECT_EQ(CalculationErrorMessage(*report, &memo, "Undefined symbol \"PRICE\""),
            "An error occured during calculating\r\r[Price]\rx\r\rReport: frReport1\r"
            "Object: Memo3\r\rUndefined symbol \"PRICE\"");
  EXPECT_EQ(CalculationErrorMessage(*report, nullptr, "boom"),
            "An error occured during calculating\r\rReport: frReport1\r\rboom");
}

TEST(Globals, ConstantListIsSortedAndCaseInsensitive) {
  DestroyGlobals();  // objects made by other tests add constants of their own
  TfrVariables& c = *Globals().Constants;
  EXPECT_TRUE(c.Sorted());
  EXPECT_TRUE(Globals().ScriptVariables->Sorted());
  for (int i = 1; i < c.Count(); ++i) EXPECT_LT(CompareNames(c.NameAt(i - 1), c.NameAt(i)), 0);
  // 42 colours, 5 results, CRLF, Null, 4 + 5 + 6 + 8 + 6 + 8 of the other groups.
  EXPECT_EQ(c.Count(), 42 + 5 + 2 + 4 + 5 + 6 + 8 + 6 + 8);
  EXPECT_EQ(c.Lookup("CLRED").AsInteger(), 255);
  EXPECT_EQ(c.Lookup("fsbold").AsInteger(), 2);
  EXPECT_EQ(c.Lookup("frtaDown").AsInteger(), 16);
  EXPECT_EQ(c.Lookup("baRest").AsInteger(), 7);
  EXPECT_EQ(c.Lookup("psDouble").AsInteger(), 5);
  EXPECT_EQ(c.Lookup("clInfoBk").AsInteger(), static_cast<int32_t>(0xFF000018));
}

TEST(Globals, StartLoadsTablesAndRegistersBothLibraries) {
  TfrGlobals& g = Globals();
  EXPECT_EQ(g.Tables.DefaultCharset, 1);
  EXPECT_EQ(g.Tables.BandNames[0], "Report title");
  EXPECT_EQ(g.Tables.BandNames[22], "None");
  EXPECT_EQ(g.Tables.BooleanFormats[1], "No;Yes");
  EXPECT_EQ(g.Tables.DateFormats[2], "d mmm yyyy");
  EXPECT_EQ(g.Tables.TimeFormats[3], "h:nn");
  ASSERT_EQ(g.Libraries->Count(), 2);
  EXPECT_EQ(g.Libraries->At(0)->ClassName(), "TfrStdFunctionLibrary");
  EXPECT_EQ(g.Libraries->At(1)->ClassName(), "TDatabaseFunctionLibrary");
  ASSERT_TRUE(g.BandBrush);
  EXPECT_EQ(g.BandBrush->pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(g.BandBrush->pixel(1, 0), qRgb(192, 192, 192));
  EXPECT_EQ(g.BandBrush->pixel(3, 5), qRgb(255, 255, 255));
}

TEST(Globals, DestroyedAndCreatedAgainFresh) {
  Globals().ScriptVariables->Assign("Leftover", Variant(1));
  DestroyGlobals();
  EXPECT_FALSE(GlobalsCreated());
  EXPECT_EQ(Globals().ScriptVariables->IndexOf("Leftover"), -1);
  EXPECT_TRUE(GlobalsCreated());
}

TEST(Globals, TextUtilities) {
  EXPECT_EQ(SplitSemicolonList("a;b;;c"), (TfrLines{"a", "b", "", "c"}));
  EXPECT_EQ(SplitSemicolonList(""), TfrLines{});
  EXPECT_EQ(UnquoteReferencePart("\"first name\""), "first name");
  EXPECT_EQ(UnquoteReferencePart("\"\""), "\"\"");
  EXPECT_EQ(UnquoteReferencePart("\"a"), "\"a");
}

TEST(Variables, AssignReplacesAndOutOfRangeIsHarmless) {
  for (bool sorted : {false, true}) {
    TfrVariables v;
    v.SetSorted(sorted);
    v.Assign("b", Variant(1));
    v.Assign("A", Variant(2));
    v.Assign("B", Variant(3));
    EXPECT_EQ(v.Count(), 2);
    EXPECT_EQ(v.Lookup("b").AsInteger(), 3);
    EXPECT_TRUE(v.Lookup("c").IsNull());
    EXPECT_EQ(v.IndexOf("a"), sorted ? 0 : 1);
    EXPECT_EQ(v.NameAt(5), "");
    EXPECT_TRUE(v.ValueAt(-1).SameAs(Variant(0)));
    v.AssignAt(9, Variant(1));
    v.DeleteAt(9);
    v.RenameAt(9, "x");
    EXPECT_EQ(v.Count(), 2);
    v.DeleteAt(0);
    EXPECT_EQ(v.Count(), 1);
    v.Clear();
    EXPECT_EQ(v.Count(), 0);
  }
}

// Names and texts of one list stay within kMaxVariablesBytes; replacing or
// deleting a value gives its bytes back.
TEST(Variables, HoldAtMostTheByteLimit) {
  const Variant longest(std::string(kMaxTextValueBytes, 'x'));
  for (bool sorted : {false, true}) {
    TfrVariables v;
    v.SetSorted(sorted);
    v.Assign("a", longest);
    v.Assign("b", longest);
    v.Assign("c", longest);
    v.Assign("a", longest);
    try {
      v.Assign("d", longest);
      ADD_FAILURE() << "no error";
    } catch (const EVariantError& e) {
      EXPECT_EQ(e.Message(), "Variables hold more than 268435456 bytes");
    }
    EXPECT_EQ(v.Count(), 3);
    v.DeleteAt(v.IndexOf("b"));
    v.Assign("d", longest);
    v.Assign("c", Variant(1));
    v.Assign("e", longest);
    EXPECT_EQ(v.Count(), 4);
  }
}

// Names added to a sorted list between lookups are found in any letter case
// and take their sorted places once positions are asked for.
TEST(Variables, SortedListInterleavesAddsLookupsAndPositions) {
  TfrVariables v;
  v.SetSorted(true);
  for (int i = 0; i < 200; ++i) {
    std::string name = "n" + std::to_string((i * 7919) % 200);
    v.Assign(name, Variant(i));
    ASSERT_NE(v.Find(AsciiUpper(name)), nullptr) << name;
    v.Assign(AsciiUpper(name), Variant(i + 1000));
    if (i % 50 == 49) {
      for (int k = 1; k < v.Count(); ++k) ASSERT_LT(CompareNames(v.NameAt(k - 1), v.NameAt(k)), 0);
      EXPECT_EQ(v.ValueAt(v.IndexOf(name)).AsInteger(), i + 1000);
    }
  }
  EXPECT_EQ(v.Count(), 200);
  v.DeleteAt(v.IndexOf("n0"));
  v.Assign("N0", Variant(-1));
  EXPECT_EQ(v.NameAt(0), "N0");
}

}  // namespace
}  // namespace lf
