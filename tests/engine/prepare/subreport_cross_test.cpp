// Sub-reports printed inside a band and cross tables printed column by
// column, also to the right on following pages.
#include <gtest/gtest.h>

#include "engine/prepare/report_run.h"

namespace lf::test {
namespace {

// A frame shifts its page right by its own left, margin included.
TEST(SubReports, PrintTheirPageInsideTheBand) {
  ReportRun run(Numbers(2));
  TfrPage& main = run.AddPage();
  run.Band(main, btMasterData, 40, 20, "frdataset0");
  run.Text(main, 20, 40, "M[cds0.n]");
  run.Band(main, btMasterFooter, 100, 20);
  run.SubReport(main, 20, 100, 1);
  run.Band(main, btReportSummary, 140, 20);
  run.Text(main, 20, 140, "end");
  TfrPage& sub = run.AddPage();
  run.Band(sub, btMasterData, 0, 20, "3");
  run.Text(sub, 20, 0, "s[LINE#]");
  ASSERT_TRUE(run.Prepare());
  EXPECT_EQ(run.Pages(), (std::vector<std::string>{
                             "20:M1 | 40:M2 | 60:s1@40 | 80:s2@40 | 100:s3@40 | 120:end"}));
}

TEST(SubReports, ContinueOnTheNextPageWhenTheyRunOut) {
  ReportRun run;
  TfrPage& main = run.AddPage(120);
  run.Band(main, btReportTitle, 0, 20);
  run.SubReport(main, 20, 0, 1);
  TfrPage& sub = run.AddPage();
  run.Band(sub, btMasterData, 0, 20, "7");
  run.Text(sub, 20, 0, "s[LINE#]");
  ASSERT_TRUE(run.Prepare());
  EXPECT_EQ(run.Pages(), (std::vector<std::string>{
                             "20:s1@40 | 40:s2@40 | 60:s3@40 | 80:s4@40 | 100:s5@40",
                             "20:s6@40 | 40:s7@40"}));
}

// Rows "[cds0.n]" at the left; a cross data band from x 100, 60 wide, over a
// counting data source, with a cell "[cds0.n].[COLUMN#]".
void CrossPage(ReportRun& run, const std::string& columns, bool header) {
  TfrPage& page = run.AddPage();
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  run.Text(page, 20, 40, "[cds0.n]", 60);
  if (header) {
    TfrBandView& h = run.Band(page, btCrossHeader, 0, 300, "", flBandRepeatHeader);
    h.SetBounds(20, 0, 60, 300);
  }
  TfrBandView& cross = run.Band(page, btCrossData, 0, 300, columns);
  cross.SetBounds(100, 0, 60, 300);
  run.Text(page, 100, 40, "[cds0.n].[COLUMN#]", 60);
}

TEST(CrossTables, CellsFollowEachRow) {
  ReportRun run(Numbers(2));
  CrossPage(run, "3", false);
  ASSERT_TRUE(run.Prepare());
  EXPECT_EQ(run.Pages(), (std::vector<std::string>{
                             "20:1 | 20:1.1@100 | 20:1.2@160 | 20:1.3@220 | "
                             "40:2 | 40:2.1@100 | 40:2.2@160 | 40:2.3@220"}));
}

TEST(CrossTables, WiderThanThePageGoOnToTheRightWithTheirHeader) {
  ReportRun run(Numbers(1));
  CrossPage(run, "9", true);
  ASSERT_TRUE(run.Prepare());
  // The header column ends at 80; seven columns fit up to the right limit
  // 520, the rest go to the next output page after the repeated header.
  EXPECT_EQ(run.Pages(), (std::vector<std::string>{
                             "20:1 | 20:1.1@80 | 20:1.2@140 | 20:1.3@200 | 20:1.4@260 | "
                             "20:1.5@320 | 20:1.6@380 | 20:1.7@440",
                             "20:1 | 20:1.8@80 | 20:1.9@140"}));
}

TEST(CrossTables, TotalsPerRowAndPerColumn) {
  ReportRun run(Numbers(2));
  TfrPage& page = run.AddPage();
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  run.Text(page, 20, 40, "[cds0.n]", 60);
  run.Text(page, 100, 40, "[cds0.n]", 60);
  run.Text(page, 280, 40, "[SUM([cds0.n])]", 60);
  run.Band(page, btMasterFooter, 80, 20);
  run.Text(page, 20, 80, "sum", 60);
  run.Text(page, 100, 80, "[SUM([cds0.n])]", 60);
  run.Band(page, btCrossData, 0, 300, "3").SetBounds(100, 0, 60, 300);
  run.Band(page, btCrossFooter, 0, 300).SetBounds(280, 0, 60, 300);
  ASSERT_TRUE(run.Prepare());
  EXPECT_EQ(run.Pages(), (std::vector<std::string>{
                             "20:1 | 20:1@100 | 20:1@160 | 20:1@220 | 20:3@280 | "
                             "40:2 | 40:2@100 | 40:2@160 | 40:2@220 | 40:6@280 | "
                             "60:sum | 60:3@100 | 60:3@160 | 60:3@220"}));
}

}  // namespace
}  // namespace lf::test
