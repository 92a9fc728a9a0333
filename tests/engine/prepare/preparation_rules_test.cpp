// Report cases for the finer rules of page forming and band printing: record
// numbers of groups, chained data bands that stretch, totals beside cross
// cells, headers waiting for a printed record, splits, cross data sources,
// continued pages, page breaks in columns, two passes and nested sub-reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "engine/model/picture_view.h"
#include "engine/prepare/report_run.h"

namespace lf::test {
namespace {

class PreparationRules : public ::testing::TestWithParam<ReportCase> {};

TEST_P(PreparationRules, GiveTheirPages) { EXPECT_EQ(PagesOf(GetParam()), GetParam().pages); }

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

// A detail dataset of one record, empty under the first master record
// (counted by its starts).
TfrUserDataset& DetailEmptyAtFirst(ReportRun& run) {
  auto* detail = TComponent::Create<TfrUserDataset>(run.Report().Owner(), "frdetail");
  detail->RangeEnd = reCount;
  detail->RangeEndCount = 1;
  auto starts = std::make_shared<int>(0);
  detail->OnFirst = [starts](TfrDataset*) { ++*starts; };
  detail->OnCheckEOF = [starts](TfrDataset*, bool& eof) { eof = eof || *starts == 1; };
  return *detail;
}

// Groups over masters whose first one has no details.
void GroupStartingWithAnEmptySubset(ReportRun& run) {
  DetailEmptyAtFirst(run);
  TfrPage& page = run.AddPage(320);
  run.Band(page, btGroupHeader, 0, 20, "[cds0.g]");
  run.Text(page, 20, 0, "G[cds0.g] [LINE#]");
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  run.Text(page, 20, 40, "M[cds0.n]");
  run.Band(page, btDetailData, 70, 20, "frdetail");
  run.Text(page, 20, 70, "d");
  run.Band(page, btGroupFooter, 100, 20);
  run.Text(page, 20, 100, "F[cds0.g]");
}

// A group on the detail level, under masters whose first one has no
// subdetails.
void DetailGroupOverAnEmptySubset(ReportRun& run) {
  DetailEmptyAtFirst(run);
  TfrPage& page = run.AddPage(320);
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  run.Text(page, 20, 40, "M[cds0.n]");
  run.Band(page, btDetailHeader, 60, 10);
  run.Text(page, 20, 60, "DH");
  TfrBandView& group = run.Band(page, btGroupHeader, 70, 10, "[cds0.n]");
  run.Text(page, 20, 70, "g");
  TfrBandView& detail = run.Band(page, btDetailData, 90, 20, "1");
  group.Master = detail.Name;
  run.Text(page, 20, 90, "d");
  run.Band(page, btSubDetailData, 120, 20, "frdetail");
  run.Text(page, 20, 120, "s");
}

// Rows, then a summary that may split: "A" at its top, "B" 60 below.
void BreakedSummary(ReportRun& run) {
  TfrPage& page = run.AddPage();
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  run.Text(page, 20, 40, "[cds0.n]");
  run.Band(page, btReportSummary, 100, 100, "", flBandBreaked);
  run.Text(page, 20, 100, "A");
  run.Text(page, 20, 160, "B");
}

std::string Rows(int last) {
  std::string out;
  for (int i = 1; i <= last; ++i)
    out += (i > 1 ? " | " : "") + std::to_string(i * 20) + ":" + std::to_string(i);
  return out;
}

// Rows and a master footer with cells of a cross data band whose data
// source lists a dataset per band: three columns for the rows, an empty
// dataset for the footer.
void CrossSourcesPerBand(ReportRun& run) {
  TComponent::Create<TfrUserDataset>(run.Report().Owner(), "frempty")->RangeEnd = reCount;
  TfrPage& page = run.AddPage();
  run.Band(page, btMasterData, 40, 20, "frdataset0").Name = "Rows";
  run.Text(page, 20, 40, "[cds0.n]", 60);
  run.Text(page, 100, 40, "[COLUMN#]", 60);
  run.Band(page, btMasterFooter, 70, 20).Name = "Foot";
  run.Text(page, 20, 70, "f", 60);
  run.Text(page, 100, 70, "F[COLUMN#]", 60);
  run.Band(page, btCrossData, 0, 300, "Rows=3;Foot=frempty;").SetBounds(100, 0, 60, 300);
}

// Two rows of nine cross columns, 60 wide from x 100.
void TwoWideRows(ReportRun& run) {
  TfrPage& page = run.AddPage();
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  run.Text(page, 20, 40, "[cds0.n]", 60);
  run.Text(page, 100, 40, "[cds0.n].[COLUMN#]", 60);
  run.Band(page, btCrossData, 0, 300, "9").SetBounds(100, 0, 60, 300);
}

// Ten rows fill the first page to its bottom; the second page continues it.
void FullPageThenContinued(ReportRun& run) {
  TfrPage& first = run.AddPage();
  run.Band(first, btMasterData, 40, 20, "frdataset0");
  run.Text(first, 20, 40, "[cds0.n]");
  TfrPage& second = run.AddPage();
  second.PrintToPrevPage = true;
  run.Band(second, btReportTitle, 0, 20);
  run.Text(second, 20, 0, "Second");
}

// Two page columns; the second record asks for a new page.
void NewPageInTheFirstColumn(ReportRun& run) {
  TfrPage& page = run.AddPage();
  page.Columns = 2;
  page.ColumnGap = 20;
  TfrBandView& data = run.Band(page, btMasterData, 40, 20, "frdataset0");
  data.Script = {"if [cds0.n] = 2 then NEWPAGE"};
  run.Text(page, 20, 40, "[cds0.n]");
}

// Two passes over five rows on two pages with page and report totals.
void TwoPassTotals(ReportRun& run) {
  run.Report().TwoPass = true;
  TfrPage& page = run.AddPage(120);
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  run.Text(page, 20, 40, "[cds0.n]");
  run.Band(page, btReportSummary, 70, 20);
  run.Text(page, 20, 70, "S[SUM([cds0.n])] [COUNT()]");
  run.Band(page, btPageFooter, 100, 20, "", flBandOnFirstPage | flBandOnLastPage);
  run.Text(page, 20, 100, "P[SUM([cds0.n])]/[TOTALPAGES]", 200);
}

// A frame in the title prints a page whose footer frames a second page of
// seven rows: the inner rows run over onto the next output page.
void NestedSubReportOverAPageBreak(ReportRun& run) {
  TfrPage& main = run.AddPage(120);
  run.Band(main, btReportTitle, 0, 20);
  run.SubReport(main, 0, 0, 1);
  run.Band(main, btReportSummary, 30, 20);
  run.Text(main, 20, 30, "end");
  TfrPage& outer = run.AddPage();
  run.Band(outer, btMasterData, 0, 20, "2");
  run.Text(outer, 20, 0, "o[LINE#]");
  run.Band(outer, btMasterFooter, 30, 20);
  run.SubReport(outer, 0, 30, 2);
  TfrPage& inner = run.AddPage();
  run.Band(inner, btMasterData, 0, 20, "5");
  run.Text(inner, 20, 0, "i[LINE#]");
}

INSTANTIATE_TEST_SUITE_P(
    Preparation, PreparationRules,
    ::testing::Values(
        // A group footer counts with its group's data band: LINE# restarts
        // with every group, LINETHROUGH# runs on.
        ReportCase{"GroupFooterShowsTheRecordNumberWithinItsGroup", kGroups, GroupFooterNumbers,
                 {"20:Ga 1 | 40:1 | 60:2 | 80:Fa 2/2 | 100:Gb 2 | 120:3 | 140:Fb 1/3"}},
        // The chained band follows right below the stretched one.
        ReportCase{"StretchedDataBandAndItsChainPrintAsOneRecord",
                 R"([{"t":"one\ntwo\nthree"},{"t":"four"}])", StretchedChain,
                 {"20:one/two/three | 67:b | 87:four | 107:b"}},
        ReportCase{"BandWithCrossCellsKeepsItsOwnTotals", Numbers(2), CrossRowsWithSummary,
                 {"20:1 | 20:c@100 | 20:c@160 | 20:c@220 | 40:2 | 40:c@100 | 40:c@160 | 40:c@220 | "
                  "60:3 1.5"}},
        // The master header waits for a printed master: with none, it is
        // dropped and the master footer does not print either.
        ReportCase{"HeaderStillPendingDropsTheFooter", Numbers(2), HeaderLeftPending, {""}},
        // An empty sub-report page forms nothing and leaves the output page
        // of the page around it alone.
        ReportCase{"EmptySubReportKeepsTheContinuedPage", Numbers(2), EmptySubReportOnAContinuedPage,
                 {"20:1 | 40:2 | 100:end"}},
        // The first master drops out: its group header waits for the next
        // printed master instead of opening and closing an empty group.
        ReportCase{"GroupHeaderWaitsForItsFirstPrintedRecord",
                 R"([{"g":"a","n":"1"},{"g":"a","n":"2"},{"g":"b","n":"3"}])",
                 GroupStartingWithAnEmptySubset,
                 {"20:Ga 1 | 40:M2 | 60:d | 80:Fa | 100:Gb 2 | 120:M3 | 140:d | 160:Fb"}},
        // The first master's only detail drops out, and the master with it,
        // though a detail group was waiting.
        ReportCase{"MasterWithoutPrintedDetailsStaysOutUnderADetailGroup", Numbers(2),
                 DetailGroupOverAnEmptySubset,
                 {"20:M2 | 40:DH | 50:g | 60:d | 80:s"}},
        // The room left (38 units) takes A; B goes on 60 - 38 below the next
        // page's top, where a band without the flag would have gone whole.
        ReportCase{"BreakedBandSplitsWhereItStands", Numbers(8), BreakedSummary,
                 {Rows(8) + " | 180:A", "42:B"}},
        // The footer's dataset is empty: it takes as many columns as the
        // widest row had.
        ReportCase{"CrossSourcesPerBandAndTheWidestRowForAnEmptyFooter", Numbers(1),
                 CrossSourcesPerBand,
                 {"20:1 | 20:1@100 | 20:2@160 | 20:3@220 | 40:f | 40:F1@100 | 40:F2@160 | "
                  "40:F3@220"}},
        // Each row goes on to the right on the same following page.
        ReportCase{"WideCrossRowsShareTheirContinuationPage", Numbers(2), TwoWideRows,
                 {"20:1 | 20:1.1@100 | 20:1.2@160 | 20:1.3@220 | 20:1.4@280 | 20:1.5@340 | "
                  "20:1.6@400 | 20:1.7@460 | 40:2 | 40:2.1@100 | 40:2.2@160 | 40:2.3@220 | "
                  "40:2.4@280 | 40:2.5@340 | 40:2.6@400 | 40:2.7@460",
                  "20:1.8 | 20:1.9@80 | 40:2.8 | 40:2.9@80"}},
        ReportCase{"PageEndingFullIsNotContinued", Numbers(10), FullPageThenContinued,
                 {Rows(10), "20:Second"}},
        // NEWPAGE skips the second column.
        ReportCase{"NewPageLeavesTheOtherColumnsEmpty", Numbers(3), NewPageInTheFirstColumn,
                 {"20:1", "20:2 | 40:3"}},
        // The final pass starts from cleared totals.
        ReportCase{"TwoPassesTotalOnce", Numbers(5), TwoPassTotals,
                 {Rows(4) + " | 100:P10/2", "20:5 | 40:S15 5 | 100:P5/2"}},
        ReportCase{"NestedSubReportRunsOverAPageBreak", "", NestedSubReportOverAPageBreak,
                 {"20:o1 | 40:o2 | 60:i1 | 80:i2 | 100:i3", "20:i4 | 40:i5 | 60:end"}}),
    ReportCaseName);

// A stretched text split over two pages, and a picture that did not fit on
// the first: on the second page the text's end is drawn last, as tall as
// the band's part there, so its frame ends level with the picture.
TEST(PreparationRules, ContinuedStretchedTextEndsLevelWithItsBand) {
  ReportRun run(Numbers(1));
  TfrPage& page = run.AddPage();
  run.Band(page, btMasterData, 0, 160, "frdataset0", flStretched | flBandBreaked);
  TfrMemoView& text = run.Text(page, 20, 0, "");
  for (int i = 1; i <= 16; ++i) text.Memo.push_back("a" + std::to_string(i));
  text.Flags |= flStretched;
  auto picture = std::make_unique<TfrPictureView>();
  picture->Name = "Picture1";
  picture->SetBounds(250, 150, 100, 100);
  page.AddObject(std::move(picture));
  ASSERT_TRUE(run.Prepare());
  TfrEMFPages& pages = *run.Report().PreparedPages;
  ASSERT_EQ(pages.Count(), 2);
  pages.LoadPage(1);
  const auto& drawn = pages.PageAt(1).Page->Objects;
  ASSERT_EQ(drawn.size(), 2u);
  ASSERT_NE(dynamic_cast<TfrPictureView*>(drawn[0].get()), nullptr);
  auto* end = dynamic_cast<TfrMemoView*>(drawn[1].get());
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(end->Top, drawn[0]->Top);
  EXPECT_EQ(end->Height, drawn[0]->Height);
  std::string last = end->Memo.back();
  last.erase(std::remove(last.begin(), last.end(), '\x01'), last.end());
  EXPECT_EQ(last, "a16");
}

}  // namespace
}  // namespace lf::test
