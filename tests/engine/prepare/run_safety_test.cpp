// Preparation that must end: bands taller than a page, template loops,
// limits, errors that leave the template as it was, and re-entry.
#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>

#include "engine/prepare/report_run.h"
#include "engine/template/template_format.h"
#include "platform/message_box.h"

namespace lf::test {
namespace {

std::string PrepareError(ReportRun& run, TfrRunOptions options = {}) {
  try {
    run.Prepare(std::move(options));
  } catch (const EPrepareError& e) {
    return e.Message();
  }
  return "";
}

TEST(RunSafety, BandTallerThanThePageSplitsAcrossPages) {
  ReportRun run;
  TfrPage& page = run.AddPage();
  run.Band(page, btReportTitle, 0, 300);
  run.Text(page, 20, 0, "A");
  run.Text(page, 20, 250, "B");
  ASSERT_TRUE(run.Prepare());
  // Room on the first page: 220 - 20 - 2; B continues 52 below the top.
  EXPECT_EQ(run.Pages(), (std::vector<std::string>{"20:A", "72:B"}));
}

TEST(RunSafety, StretchedTextLongerThanThePageContinuesLineByLine) {
  ReportRun run;
  TfrPage& page = run.AddPage();
  run.Band(page, btReportTitle, 0, 20, "", flStretched);
  TfrMemoView& text = run.Text(page, 20, 0, "");
  text.Flags = flStretched | flWordWrap;
  text.Memo.clear();
  for (int i = 1; i <= 40; ++i) text.Memo.push_back("line " + std::to_string(i));
  ASSERT_TRUE(run.Prepare());
  std::vector<std::string> pages = run.Pages();
  ASSERT_GE(pages.size(), 2u);
  ASSERT_LT(pages.size(), 6u);
  std::string all;
  for (const std::string& p : pages) all += p.substr(p.find(':') + 1) + "/";
  std::string expected;
  for (int i = 1; i <= 40; ++i) expected += "line " + std::to_string(i) + "/";
  EXPECT_EQ(all, expected);
}

TEST(RunSafety, HeadsTallerThanThePageStillMakeProgress) {
  ReportRun run(Numbers(3));
  TfrPage& page = run.AddPage();
  run.Band(page, btPageHeader, 0, 150, "", flBandOnFirstPage);
  run.Text(page, 20, 0, "Head");
  run.Band(page, btColumnHeader, 160, 100);
  run.Text(page, 20, 160, "Columns");
  run.Band(page, btMasterData, 300, 20, "frdataset0");
  run.Text(page, 20, 300, "[cds0.n]");
  ASSERT_TRUE(run.Prepare());
  std::vector<std::string> pages = run.Pages();
  ASSERT_FALSE(pages.empty());
  ASSERT_LT(pages.size(), 10u);
  std::string all;
  for (const std::string& p : pages) all += p + "\n";
  for (const char* row : {":1", ":2", ":3"}) EXPECT_NE(all.find(row), std::string::npos) << all;
}

TEST(RunSafety, PageLimitStopsTheRunWithAClearError) {
  ReportRun run(Numbers(10));
  TfrPage& page = run.AddPage();
  run.Band(page, btMasterData, 40, 20, "frdataset0", flBandNewPageAfter);
  run.Text(page, 20, 40, "[cds0.n]");
  TfrRunOptions options;
  options.Budgets.Pages = 4;
  EXPECT_EQ(PrepareError(run, options), "The report has more than 4 pages; preparation stopped");
  EXPECT_EQ(run.Report().PreparedPages->Count(), 0);
}

// The texts of all pages in order, without positions and line breaks.
std::string AllText(ReportRun& run) {
  std::string all;
  for (const std::string& page : run.Pages()) {
    size_t at = 0;
    while (at < page.size()) {
      size_t end = page.find(" | ", at);
      if (end == std::string::npos) end = page.size();
      std::string part = page.substr(at, end - at);
      part = part.substr(part.find(':') + 1);
      for (char c : part.substr(0, part.find('@')))
        if (c != '/') all += c;
      at = end + 3;
    }
  }
  return all;
}

// A 90 x 30 mm label: a stretched text in large letters is taller than the
// room under its band's top; at 1600 points each letter is a line taller
// than the page.
struct LabelCase {
  int points;
  int maxPages;
};
void PrintTo(const LabelCase& c, std::ostream* os) { *os << c.points << " points, at most " << c.maxPages << " pages"; }
class LabelText : public ::testing::TestWithParam<LabelCase> {};

TEST_P(LabelText, PrintsEveryLineAndEnds) {
  ReportRun run;
  TfrPage& page = *run.Report().Pages->Add();
  page.ChangePaper(256, 900, 300, -1, false);
  run.Band(page, btMasterData, 10, 60, "1", flStretched);
  TfrMemoView& text = run.Text(page, 20, 10, "", 280, 60);
  text.Flags = flStretched | flWordWrap;
  text.Font.Size = GetParam().points;
  text.Memo = {"SALE", "50%"};
  ASSERT_TRUE(run.Prepare());
  EXPECT_EQ(AllText(run), "SALE50%");
  EXPECT_LE(run.Report().PreparedPages->Count(), GetParam().maxPages);
}

INSTANTIATE_TEST_SUITE_P(RunSafety, LabelText, ::testing::Values(LabelCase{72, 2}, LabelCase{1600, 7}),
                         [](const auto& info) { return std::to_string(info.param.points) + "Points"; });

TEST(RunSafety, PageLimitHoldsAtTheRealLimitAndClearsWhatWasFormed) {
  // Pages with nothing on them, one more than the limit allows.
  ReportRun run;
  TfrPage& page = run.AddPage();
  run.Band(page, btMasterData, 40, 20, std::to_string(kMaxPreparedPages + 1), flBandNewPageAfter);
  EXPECT_EQ(PrepareError(run), "The report has more than 1000000 pages; preparation stopped");
  EXPECT_EQ(run.Report().PreparedPages->Count(), 0);
}

TEST(RunSafety, PreparedBytesBeyondTheBudgetStopTheRun) {
  // About 100 bytes a row; the budget lets 10 rows through, not 40.
  auto build = [](ReportRun& run) {
    TfrPage& page = run.AddPage(100000);
    run.Band(page, btMasterData, 40, 20, "frdataset0");
    run.Text(page, 20, 40, "[cds0.n]");
  };
  TfrRunOptions options;
  ReportRun probe(Numbers(10));
  build(probe);
  TfrRunContext measured(probe.Report());
  ASSERT_TRUE(measured.Prepare());
  options.Budgets.PreparedBytes = measured.PreparedBytes;
  ReportRun fits(Numbers(10));
  build(fits);
  EXPECT_TRUE(fits.Prepare(options));
  ReportRun over(Numbers(40));
  build(over);
  EXPECT_EQ(PrepareError(over, options), "The prepared pages take more than " +
                                             std::to_string(measured.PreparedBytes) +
                                             " bytes; preparation stopped");
  EXPECT_EQ(over.Report().PreparedPages->Count(), 0);
  EXPECT_EQ(kMaxPreparedBytes, int64_t{1} << 30);
}

TEST(RunSafety, SubReportRecordingBeyondTheBudgetStopsTheRun) {
  // The sub-report over 1000 counted records records 2001 actions.
  auto build = [](ReportRun& run) {
    TfrPage& first = run.AddPage();
    run.Band(first, btReportTitle, 0, 40);
    run.SubReport(first, 20, 0, 1);
    TfrPage& second = run.AddPage();
    run.Band(second, btMasterData, 0, 20, "1000");
  };
  TfrRunOptions options;
  options.Budgets.RecordedActions = 2001;
  ReportRun fits;
  build(fits);
  EXPECT_TRUE(fits.Prepare(options));
  options.Budgets.RecordedActions = 2000;
  ReportRun over;
  build(over);
  EXPECT_EQ(PrepareError(over, options),
            "The sub-reports record more than 2000 band actions; preparation stopped");
}

TEST(RunSafety, LongChildBandChainsBindAndOverlongOnesAreRefused) {
  // Chains are checked in one walk (this once took hours); printing them
  // goes one band deeper a child, so their length is limited.
  for (int length : {kMaxChildBandChain, 20000}) {
    ReportRun run;
    TfrPage& page = run.AddPage(1000000);
    TfrBandView* last = &run.Band(page, btReportTitle, 0, 1);
    const std::string head = last->Name;
    for (int i = 1; i < length; ++i) {
      TfrBandView& child = run.Band(page, btChild, 10 + i, 0);
      last->ChildBand = child.Name;
      last = &child;
    }
    if (length <= kMaxChildBandChain) {
      EXPECT_TRUE(run.Prepare());
    } else {
      EXPECT_EQ(PrepareError(run), "The child bands below " + head + " chain more than " +
                                       std::to_string(kMaxChildBandChain) + " bands");
    }
  }
}

// Geometry from scripts and templates far beyond the page: saturated to the
// coordinate range, never wrapped around (run under the sanitizer build,
// undefined behaviour fails these).
TEST(RunSafety, ScriptGeometryIsSaturatedToTheCoordinateRange) {
  {
    // CURY far below the page: the row goes to the next page.
    ReportRun run(Numbers(3));
    TfrPage& page = run.AddPage();
    run.Band(page, btMasterData, 40, 20, "frdataset0").Script = {"if [cds0.n] = '2' then CURY := 2147483600"};
    run.Text(page, 20, 40, "[cds0.n]");
    ASSERT_TRUE(run.Prepare());
    EXPECT_EQ(run.Pages(), (std::vector<std::string>{"20:1", "20:2 | 40:3"}));
  }
  {
    // The right margin at the 32-bit minimum: the page ends a million units
    // beyond the sheet.
    ReportRun run;
    TfrPage& page = run.AddPage();
    page.Name = "Page1";
    run.Band(page, btReportTitle, 0, 20).Script = {"Page1.RightMargin := -2147483648"};
    run.Text(page, 20, 0, "[PAGEWIDTH]");
    const int64_t sheetWidth = page.Metrics.SheetWidth;
    ASSERT_TRUE(run.Prepare());
    const std::string width = std::to_string(sheetWidth + kMaxPageCoordinate);
    EXPECT_EQ(run.Pages(), (std::vector<std::string>{"20:" + width}));
  }
  {
    // 3000 columns a million units apart: the column width is computed in
    // 64 bits, and every row still prints.
    ReportRun run(Numbers(12));
    TfrPage& page = run.AddPage();
    page.Columns = 3000;
    page.ColumnGap = kMaxPageCoordinate;
    run.Band(page, btMasterData, 40, 20, "frdataset0");
    run.Text(page, 20, 40, "[cds0.n]");
    ASSERT_TRUE(run.Prepare());
    EXPECT_EQ(AllText(run), "123456789101112");
  }
}

TEST(RunSafety, ChildBandsInACycleAreRefusedByName) {
  ReportRun run;
  TfrPage& page = run.AddPage();
  TfrBandView& a = run.Band(page, btReportTitle, 0, 20);
  TfrBandView& b = run.Band(page, btChild, 40, 20);
  a.ChildBand = b.Name;
  b.ChildBand = a.Name;
  EXPECT_EQ(PrepareError(run), "Child bands form a cycle: " + a.Name + " -> " + b.Name + " -> " + a.Name);
}

struct SubReportErrorCase {
  const char* name;
  int subPage;
  std::string expected;
};
void PrintTo(const SubReportErrorCase& c, std::ostream* os) { *os << c.name; }

class SubReportErrors : public ::testing::TestWithParam<SubReportErrorCase> {};

TEST_P(SubReportErrors, AreFoundWhenBandsAreBound) {
  ReportRun run;
  TfrPage& first = run.AddPage();
  run.Band(first, btReportTitle, 0, 40);
  run.SubReport(first, 20, 0, GetParam().subPage).Name = "Frame1";
  TfrPage& second = run.AddPage();
  run.Band(second, btReportTitle, 0, 40);
  run.SubReport(second, 20, 0, 0).Name = "Frame2";
  run.Report().Pages->Add()->PageType = ptDialog;
  run.Report().Pages->PageAt(2)->Name = "Dialog";
  EXPECT_EQ(PrepareError(run), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    RunSafety, SubReportErrors,
    ::testing::Values(
        SubReportErrorCase{"PrintEachOther", 1, "Sub-reports print each other: Frame1 -> Frame2"},
        SubReportErrorCase{"NoSuchPage", 7,
                           "Sub-report Frame1 prints page 8, which the report does not have"},
        SubReportErrorCase{"DialogPage", 2, "Sub-report Frame1 prints Dialog, which is a dialog page"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RunSafety, AnyErrorRestoresTheTemplateAndTheRunState) {
  ReportRun run(Numbers(3));
  TfrPage& page = run.AddPage();
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  TfrMemoView& text = run.Text(page, 20, 40, "[cds0.n]");
  const std::string name = text.Name;
  run.Report().OnEndBand = [&run, name](TfrBand*) {
    run.Report().FindObject(name)->Left = 300;
    throw std::runtime_error("handler failed");
  };
  EXPECT_THROW(run.Prepare(), std::runtime_error);
  run.Report().OnEndBand = nullptr;
  TfrView* restored = run.Report().FindObject(name);
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->Left, 20);
  EXPECT_EQ(restored->Parent, nullptr);
  EXPECT_EQ(EngineState().CurBand, nullptr);
  EXPECT_EQ(EngineState().CurPage, nullptr);
  EXPECT_EQ(run.Report().PreparedPages->Count(), 0);
  ASSERT_TRUE(run.Prepare());
  EXPECT_EQ(run.Pages(), (std::vector<std::string>{"20:1 | 40:2 | 60:3"}));
}

TEST(RunSafety, APreparationStartedDuringARunIsRefused) {
  ReportRun run;
  TfrPage& page = run.AddPage();
  run.Band(page, btReportTitle, 0, 20);
  run.Text(page, 20, 0, "T");
  std::string nested;
  run.Report().OnBeginDoc = [&] {
    try {
      PrepareReport(run.Report());
    } catch (const EPrepareError& e) {
      nested = e.Message();
    }
  };
  ASSERT_TRUE(run.Prepare());
  EXPECT_EQ(nested, "A report is being prepared already; it cannot be prepared again until it ends");
  EXPECT_EQ(run.Pages(), (std::vector<std::string>{"20:T"}));
}

TEST(RunSafety, CalculationErrorIsShownOnceAndLeavesNoPages) {
  ReportRun run(Numbers(3));
  TfrPage& page = run.AddPage();
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  run.Text(page, 20, 40, "[NOSUCHNAME]").Name = "Bad";
  RecordingMessageService boxes;
  ScopedMessageService scoped(&boxes);
  EXPECT_TRUE(run.Prepare());
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "Error");
  EXPECT_NE(boxes.boxes[0].text.find("An error occured during calculating"), std::string::npos);
  EXPECT_NE(boxes.boxes[0].text.find("Object: Bad"), std::string::npos);
  EXPECT_EQ(run.Report().PreparedPages->Count(), 0);
}

TEST(RunSafety, DialogPageCancelledByItsScriptFormsNothing) {
  ReportRun run;
  TfrPage& dialog = *run.Report().Pages->Add();
  dialog.PageType = ptDialog;
  dialog.Script = {"ModalResult := mrCancel"};
  TfrPage& page = run.AddPage();
  run.Band(page, btReportTitle, 0, 20);
  run.Text(page, 20, 0, "T");
  EXPECT_FALSE(run.Prepare());
  EXPECT_EQ(run.Report().PreparedPages->Count(), 0);
  run.Report().Pages->PageAt(0)->Script = {"ModalResult := mrOk"};
  EXPECT_TRUE(run.Prepare());
  EXPECT_EQ(run.Pages(), (std::vector<std::string>{"20:T"}));
}

// An invisible page's script runs again before every round of pages; a
// dialog page's runs compiled there too.
TEST(RunSafety, InvisibleDialogPageRunsItsCompiledScript) {
  ReportRun run;
  TfrPage& dialog = *run.Report().Pages->Add();
  dialog.PageType = ptDialog;
  dialog.Visible = false;
  dialog.Script = {"n := 40 + 2"};
  TfrPage& page = run.AddPage();
  run.Band(page, btReportTitle, 0, 20);
  run.Text(page, 20, 0, "[n]");
  EXPECT_TRUE(run.Prepare());
  EXPECT_EQ(run.Pages(), (std::vector<std::string>{"20:42"}));
}

TEST(RunSafety, StopReportKeepsThePagesFormedSoFar) {
  ReportRun run(Numbers(30));
  TfrPage& page = run.AddPage();
  TfrBandView& data = run.Band(page, btMasterData, 40, 20, "frdataset0");
  data.Script = {"if [cds0.n] = '12' then STOPREPORT"};
  run.Text(page, 20, 40, "[cds0.n]");
  EXPECT_TRUE(run.Prepare());
  EXPECT_EQ(run.Pages().size(), 2u);
}

}  // namespace
}  // namespace lf::test
