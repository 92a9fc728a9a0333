// Reports prepared end to end: the pages, texts and positions that lists,
// breaks, passes, groups, levels, columns and splits give.
#include <gtest/gtest.h>

#include <ostream>

#include "engine/prepare/report_run.h"
#include "platform/message_box.h"

namespace lf::test {
namespace {

// "top:text" of rows first..last, 20 apart from top.
std::string Rows(int first, int last, int32_t top, const std::string& suffix = "") {
  std::string out;
  for (int i = first; i <= last; ++i, top += 20)
    out += (out.empty() ? "" : " | ") + std::to_string(top) + ":" + std::to_string(i) + suffix;
  return out;
}

// Page header "Head", data rows "[cds0.n]", page footer "P[PAGE#]".
void ListPage(ReportRun& run, TfrPage& page, const std::string& footer = "P[PAGE#]") {
  run.Band(page, btPageHeader, 0, 20, "", flBandOnFirstPage);
  run.Text(page, 20, 0, "Head");
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  run.Text(page, 20, 40, "[cds0.n]");
  run.Band(page, btPageFooter, 100, 20, "", flBandOnFirstPage | flBandOnLastPage);
  run.Text(page, 20, 100, footer, 200);
}

TEST(PageForming, ListBreaksPagesBelowTheFooter) {
  ReportRun run(Numbers(20));
  ListPage(run, run.AddPage());
  ASSERT_TRUE(run.Prepare());
  EXPECT_EQ(run.Pages(), (std::vector<std::string>{
                             "20:Head | " + Rows(1, 8, 40) + " | 200:P1",
                             "20:Head | " + Rows(9, 16, 40) + " | 200:P2",
                             "20:Head | " + Rows(17, 20, 40) + " | 200:P3"}));
}

TEST(PageForming, TwoPassesKnowTotalPagesAndOnePassForgetsThem) {
  ReportRun run(Numbers(20));
  ListPage(run, run.AddPage(), "[PAGE#] of [TOTALPAGES]");
  run.Report().TwoPass = true;
  std::vector<std::string> progress;
  run.Report().ShowProgress = true;
  TfrRunOptions options;
  options.Progress = [&progress](const std::string& t) { progress.push_back(t); };
  ASSERT_TRUE(run.Prepare(options));
  std::vector<std::string> pages = run.Pages();
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_NE(pages[0].find("200:1 of 3"), std::string::npos) << pages[0];
  EXPECT_NE(pages[2].find("200:3 of 3"), std::string::npos) << pages[2];
  EXPECT_NE(std::find(progress.begin(), progress.end(), "Performing 1st pass: 1"), progress.end());
  EXPECT_NE(std::find(progress.begin(), progress.end(), "Processing page: 2 from 3"), progress.end());

  run.Report().TwoPass = false;
  ASSERT_TRUE(run.Prepare());
  EXPECT_NE(run.Pages()[0].find("200:1 of 0"), std::string::npos);
}

TEST(PageForming, GroupFootersSeeTheLastRecordOfTheirGroup) {
  ReportRun run(R"([{"g":"a","n":"1"},{"g":"a","n":"2"},{"g":"b","n":"3"}])");
  TfrPage& page = run.AddPage();
  run.Band(page, btGroupHeader, 40, 20, "[cds0.g]");
  run.Text(page, 20, 40, "G[cds0.g]");
  run.Band(page, btMasterData, 70, 20, "frdataset0");
  run.Text(page, 20, 70, "[cds0.n] [LINE#] [LINETHROUGH#]");
  run.Band(page, btGroupFooter, 100, 20);
  run.Text(page, 20, 100, "F[cds0.g] [cds0.n]");
  ASSERT_TRUE(run.Prepare());
  EXPECT_EQ(run.Pages(), (std::vector<std::string>{
                             "20:Ga | 40:1 1 1 | 60:2 2 2 | 80:Fa 2 | 100:Gb | 120:3 1 3 | 140:Fb 3"}));
}

TEST(PageForming, PageFooterTotalsAreTotalsOfTheirPage) {
  ReportRun run(Numbers(20));
  TfrPage& page = run.AddPage();
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  run.Text(page, 20, 40, "[cds0.n]");
  run.Band(page, btReportSummary, 70, 20);
  run.Text(page, 20, 70, "total [SUM([cds0.n])] of [COUNT()]");
  run.Band(page, btPageFooter, 100, 20, "", flBandOnFirstPage | flBandOnLastPage);
  run.Text(page, 20, 100, "S[SUM([cds0.n])]", 200);
  ASSERT_TRUE(run.Prepare());
  std::vector<std::string> pages = run.Pages();
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_NE(pages[0].find("200:S45"), std::string::npos) << pages[0];
  EXPECT_NE(pages[1].find("200:S126"), std::string::npos) << pages[1];
  EXPECT_EQ(pages[2], "20:19 | 40:20 | 60:total 210 of 20 | 200:S39");
}

TEST(PageForming, RepeatedGroupHeaderOpensTheNextPage) {
  std::string data = "[";
  for (int i = 1; i <= 12; ++i)
    data += std::string(i > 1 ? "," : "") + "{\"g\":\"" + (i <= 2 ? "a" : "b") + "\",\"n\":\"" +
            std::to_string(i) + "\"}";
  ReportRun run(data + "]");
  TfrPage& page = run.AddPage();
  run.Band(page, btGroupHeader, 40, 20, "[cds0.g]", flBandRepeatHeader);
  run.Text(page, 20, 40, "G[cds0.g] [LINE#]");
  run.Band(page, btMasterData, 70, 20, "frdataset0");
  run.Text(page, 20, 70, "[cds0.n]");
  ASSERT_TRUE(run.Prepare());
  EXPECT_EQ(run.Pages(), (std::vector<std::string>{
                             "20:Ga 1 | " + Rows(1, 2, 40) + " | 80:Gb 2 | " + Rows(3, 8, 100),
                             "20:Gb 2 | " + Rows(9, 12, 40)}));
}

struct LevelCase {
  const char* name;
  const char* detailSource;
  uint16_t masterFlags;
  std::string expected;
};
void PrintTo(const LevelCase& c, std::ostream* os) { *os << c.name; }

class DataLevels : public ::testing::TestWithParam<LevelCase> {};

TEST_P(DataLevels, EmptySubsetsDropTheirMaster) {
  const LevelCase& c = GetParam();
  ReportRun run(Numbers(2));
  TfrPage& page = run.AddPage();
  run.Band(page, btMasterData, 40, 20, "frdataset0", c.masterFlags);
  run.Text(page, 20, 40, "M[cds0.n]");
  run.Band(page, btDetailData, 70, 20, c.detailSource);
  run.Text(page, 20, 70, "d[LINE#]");
  run.Band(page, btMasterFooter, 100, 20);
  run.Text(page, 20, 100, "end");
  ASSERT_TRUE(run.Prepare());
  EXPECT_EQ(run.Pages(), std::vector<std::string>{c.expected});
}

INSTANTIATE_TEST_SUITE_P(
    PageForming, DataLevels,
    ::testing::Values(
        LevelCase{"DetailsUnderEachMaster", "2", 0,
                  "20:M1 | 40:d1 | 60:d2 | 80:M2 | 100:d1 | 120:d2 | 140:end"},
        // Every master dropped: nothing stays pending, so the footer prints.
        LevelCase{"NoDetailsNoMasters", "", 0, "20:end"},
        LevelCase{"PrintIfSubsetEmptyKeepsMasters", "", flBandPrintIfSubsetEmpty,
                  "20:M1 | 40:M2 | 60:end"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PageForming, NewPageAfterEveryMasterRecordButTheLast) {
  ReportRun run(Numbers(3));
  TfrPage& page = run.AddPage();
  run.Band(page, btMasterData, 40, 20, "frdataset0", flBandNewPageAfter);
  run.Text(page, 20, 40, "[cds0.n]");
  ASSERT_TRUE(run.Prepare());
  EXPECT_EQ(run.Pages(), (std::vector<std::string>{"20:1", "20:2", "20:3"}));
}

TEST(PageForming, PageColumnsFillSideBySideThenANewPage) {
  ReportRun run(Numbers(12));
  TfrPage& page = run.AddPage(120);
  page.Columns = 2;
  page.ColumnGap = 20;
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  run.Text(page, 20, 40, "[cds0.n]");
  ASSERT_TRUE(run.Prepare());
  // Columns (520 - 20 - 20) / 2 = 240 wide: the second starts at 20 + 240 + 20.
  EXPECT_EQ(run.Pages(), (std::vector<std::string>{
                             Rows(1, 5, 20) + " | " + Rows(6, 10, 20, "@280"), Rows(11, 12, 20)}));
}

TEST(PageForming, BandColumnsPrintRecordsBesideEachOther) {
  ReportRun run(Numbers(4));
  TfrPage& page = run.AddPage();
  TfrBandView& data = run.Band(page, btMasterData, 40, 20, "frdataset0");
  data.Columns = 3;
  data.ColumnWidth = 100;
  data.ColumnGap = 10;
  run.Text(page, 20, 40, "[cds0.n]");
  run.Band(page, btReportSummary, 100, 20);
  run.Text(page, 20, 100, "sum");
  ASSERT_TRUE(run.Prepare());
  EXPECT_EQ(run.Pages(), (std::vector<std::string>{
                             "20:1 | 20:2@130 | 20:3@240 | 40:4 | 60:sum"}));
}

TEST(PageForming, PrintToPreviousPageContinuesBelowTheLastBand) {
  ReportRun run(Numbers(3));
  TfrPage& first = run.AddPage();
  run.Band(first, btMasterData, 40, 20, "frdataset0");
  run.Text(first, 20, 40, "[cds0.n]");
  TfrPage& second = run.AddPage();
  second.PrintToPrevPage = true;
  run.Band(second, btReportTitle, 0, 20);
  run.Text(second, 20, 0, "Second");
  ASSERT_TRUE(run.Prepare());
  EXPECT_EQ(run.Pages(), (std::vector<std::string>{Rows(1, 3, 20) + " | 80:Second"}));
}

TEST(PageForming, RepeatModeFormsThePagesOncePerRecord) {
  ReportRun run;
  TfrUserDataset records;
  records.RangeEnd = reCount;
  records.RangeEndCount = 3;
  run.Report().ReportType = rtMultiple;
  run.Report().SetDataset(&records);
  TfrPage& page = run.AddPage();
  run.Band(page, btReportTitle, 0, 20);
  run.Text(page, 20, 0, "Title [PAGE#]");
  ASSERT_TRUE(run.Prepare());
  EXPECT_EQ(run.Pages(), (std::vector<std::string>{"20:Title 1", "20:Title 2", "20:Title 3"}));
  run.Report().SetDataset(nullptr);
}

TEST(PageForming, ScriptPageBreaksComeBeforeTheBand) {
  ReportRun run(Numbers(1));
  TfrPage& page = run.AddPage();
  TfrBandView& data = run.Band(page, btMasterData, 40, 20, "frdataset0");
  data.Script = {"begin NEWPAGE; NEWPAGE end"};
  run.Text(page, 20, 40, "[cds0.n]");
  ASSERT_TRUE(run.Prepare());
  EXPECT_EQ(run.Pages(), (std::vector<std::string>{"", "", "20:1"}));
}

TEST(PageForming, AssignedCurYHoldsOnlyAfterTheBreakRequest) {
  const std::pair<const char*, const char*> cases[] = {
      {"begin NEWCOLUMN; CURY := 100 end", "100:1@280"},
      {"begin CURY := 100; NEWCOLUMN end", "20:1@280"},
  };
  for (const auto& [script, expected] : cases) {
    ReportRun run(Numbers(1));
    TfrPage& page = run.AddPage();
    page.Columns = 2;
    page.ColumnGap = 20;
    TfrBandView& data = run.Band(page, btMasterData, 40, 20, "frdataset0");
    data.Script = {script};
    run.Text(page, 20, 40, "[cds0.n]");
    ASSERT_TRUE(run.Prepare());
    EXPECT_EQ(run.Pages(), std::vector<std::string>{expected}) << script;
  }
}

}  // namespace
}  // namespace lf::test
