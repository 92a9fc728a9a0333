// Preparation that must end: bands taller than a page, template loops,
// limits, errors that leave the template as it was, and re-entry.
#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>

#include "engine/prepare/report_run.h"
#include "platform/message_box.h"

namespace lf::test {
namespace {

std::string PrepareError(ReportRun& run) {
  try {
    run.Prepare();
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
  EXPECT_EQ(PreparedPageLimit(), kMaxPreparedPages);
  PreparedPageLimit() = 4;
  std::string error = PrepareError(run);
  PreparedPageLimit() = kMaxPreparedPages;
  EXPECT_EQ(error, "The report has more than 4 pages; preparation stopped");
  EXPECT_EQ(run.Report().PreparedPages->Count(), 0);
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
