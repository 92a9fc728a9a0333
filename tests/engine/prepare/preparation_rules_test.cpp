// Report cases for the finer rules of page forming and band printing: record
// numbers in group footers, chained data bands that stretch, totals of bands
// that carry cross cells, splits, pending headers, and following pages.
#include <gtest/gtest.h>

#include <functional>

#include "engine/prepare/report_run.h"

namespace lf::test {
namespace {

struct RuleCase {
  const char* name;
  std::string data;
  std::function<void(ReportRun&)> build;
  std::vector<std::string> pages;
};

void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.name; }

class PreparationRules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(PreparationRules, GiveTheirPages) {
  const RuleCase& c = GetParam();
  ReportRun run(c.data);
  c.build(run);
  ASSERT_TRUE(run.Prepare());
  EXPECT_EQ(run.Pages(), c.pages);
}

const char* kGroups = R"([{"g":"a","n":"1"},{"g":"a","n":"2"},{"g":"b","n":"3"}])";

void GroupFooterNumbers(ReportRun& run) {
  TfrPage& page = run.AddPage();
  run.Band(page, btGroupHeader, 40, 20, "[cds0.g]");
  run.Text(page, 20, 40, "G[cds0.g] [LINE#]");
  run.Band(page, btMasterData, 70, 20, "frdataset0");
  run.Text(page, 20, 70, "[cds0.n]");
  run.Band(page, btGroupFooter, 100, 20);
  run.Text(page, 20, 100, "F[cds0.g] [LINE#]/[LINETHROUGH#]");
}

// A stretched data band followed in its chain by a band without a dataset.
void StretchedChain(ReportRun& run) {
  TfrPage& page = run.AddPage();
  run.Band(page, btMasterData, 40, 20, "frdataset0", flStretched);
  run.Text(page, 20, 40, "[cds0.t]").Flags |= flStretched;
  run.Band(page, btMasterData, 70, 20);
  run.Text(page, 20, 70, "b");
}

// Rows with three counted cross columns; the summary totals the rows.
void CrossRowsWithSummary(ReportRun& run) {
  TfrPage& page = run.AddPage();
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  run.Text(page, 20, 40, "[cds0.n]", 60);
  run.Text(page, 100, 40, "c", 60);
  run.Band(page, btCrossData, 0, 300, "3").SetBounds(100, 0, 60, 300);
  run.Band(page, btReportSummary, 100, 20);
  run.Text(page, 20, 100, "[SUM([cds0.n])] [AVG([cds0.n])]", 200);
}

// A master header, masters whose details are all empty, a master footer.
void HeaderLeftPending(ReportRun& run) {
  auto* empty = TComponent::Create<TfrUserDataset>(run.Report().Owner(), "frempty");
  empty->RangeEnd = reCount;
  TfrPage& page = run.AddPage();
  run.Band(page, btMasterHeader, 0, 20);
  run.Text(page, 20, 0, "MH");
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  run.Text(page, 20, 40, "M[cds0.n]");
  run.Band(page, btDetailData, 70, 20, "frempty");
  run.Text(page, 20, 70, "d");
  run.Band(page, btMasterFooter, 100, 20);
  run.Text(page, 20, 100, "MF");
}

// A second page printed on the first one's output page, its rows framing a
// sub-report whose page has no records.
void EmptySubReportOnAContinuedPage(ReportRun& run) {
  run.Report().PrintIfEmpty = false;
  TComponent::Create<TfrUserDataset>(run.Report().Owner(), "frempty")->RangeEnd = reCount;
  TfrPage& first = run.AddPage();
  run.Band(first, btMasterData, 40, 20, "frdataset0");
  run.Text(first, 20, 40, "[cds0.n]");
  TfrPage& second = run.AddPage();
  second.PrintToPrevPage = true;
  run.Band(second, btMasterData, 0, 20, "frdataset0");
  run.SubReport(second, 20, 0, 2);
  run.Band(second, btReportSummary, 40, 20);
  run.Text(second, 20, 40, "end");
  TfrPage& sub = run.AddPage();
  run.Band(sub, btMasterData, 0, 20, "frempty");
  run.Text(sub, 20, 0, "s");
}

INSTANTIATE_TEST_SUITE_P(
    Preparation, PreparationRules,
    ::testing::Values(
        // A group footer counts with its group's data band: LINE# restarts
        // with every group, LINETHROUGH# runs on.
        RuleCase{"GroupFooterShowsTheRecordNumberWithinItsGroup", kGroups, GroupFooterNumbers,
                 {"20:Ga 1 | 40:1 | 60:2 | 80:Fa 2/2 | 100:Gb 2 | 120:3 | 140:Fb 1/3"}},
        // The chained band follows right below the stretched one.
        RuleCase{"StretchedDataBandAndItsChainPrintAsOneRecord",
                 R"([{"t":"one\ntwo\nthree"},{"t":"four"}])", StretchedChain,
                 {"20:one/two/three | 67:b | 87:four | 107:b"}},
        RuleCase{"BandWithCrossCellsKeepsItsOwnTotals", Numbers(2), CrossRowsWithSummary,
                 {"20:1 | 20:c@100 | 20:c@160 | 20:c@220 | 40:2 | 40:c@100 | 40:c@160 | 40:c@220 | "
                  "60:3 1.5"}},
        // The master header waits for a printed master: with none, it is
        // dropped and the master footer does not print either.
        RuleCase{"HeaderStillPendingDropsTheFooter", Numbers(2), HeaderLeftPending, {""}},
        // An empty sub-report page forms nothing and leaves the output page
        // of the page around it alone.
        RuleCase{"EmptySubReportKeepsTheContinuedPage", Numbers(2), EmptySubReportOnAContinuedPage,
                 {"20:1 | 40:2 | 100:end"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lf::test
