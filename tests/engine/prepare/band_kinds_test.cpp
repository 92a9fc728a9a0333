// Report cases for the band kinds and record numbers that the other report
// tests leave out: chained data bands, nested groups, child bands, column
// heads and feet, overlays, three data levels, SHOWBAND, and a cross table
// printed by a sub-report.
#include <gtest/gtest.h>

#include <functional>

#include "engine/prepare/report_run.h"

namespace lf::test {
namespace {

class BandKinds : public ::testing::TestWithParam<ReportCase> {};

TEST_P(BandKinds, GiveTheirPages) { EXPECT_EQ(PagesOf(GetParam()), GetParam().pages); }

// Two groups (g outer, h inner) over n with their footers; every band shows
// "LINE#/LINETHROUGH#".
const char* kNested =
    R"([{"g":"a","h":"x","n":"1"},{"g":"a","h":"y","n":"2"},{"g":"b","h":"y","n":"3"}])";

void NestedGroups(ReportRun& run) {
  TfrPage& page = run.AddPage(320);
  run.Band(page, btGroupHeader, 40, 20, "[cds0.g]");
  run.Text(page, 20, 40, "G[cds0.g] [LINE#]/[LINETHROUGH#]");
  run.Band(page, btGroupHeader, 70, 20, "[cds0.h]");
  run.Text(page, 20, 70, "H[cds0.h] [LINE#]/[LINETHROUGH#]");
  run.Band(page, btMasterData, 100, 20, "frdataset0");
  run.Text(page, 20, 100, "d[cds0.n] [LINE#]/[LINETHROUGH#]");
  run.Band(page, btGroupFooter, 130, 20);
  run.Text(page, 20, 130, "h[cds0.h] [LINE#]");
  run.Band(page, btGroupFooter, 160, 20);
  run.Text(page, 20, 160, "g[cds0.g] [LINE#]");
}

void ChainedDataBands(ReportRun& run) {
  TfrPage& page = run.AddPage();
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  run.Text(page, 20, 40, "a[cds0.n] [LINE#]");
  run.Band(page, btMasterData, 70, 20);
  run.Text(page, 20, 70, "b[LINE#] [LINETHROUGH#]");
}

void ChildBands(ReportRun& run) {
  TfrPage& page = run.AddPage();
  TfrBandView& data = run.Band(page, btMasterData, 40, 20, "frdataset0", flBandPrintChildIfInvisible);
  data.Script = {"if [cds0.n] = 2 then Visible := False else Visible := True"};
  run.Text(page, 20, 40, "[cds0.n]");
  TfrBandView& child = run.Band(page, btChild, 70, 20);
  data.ChildBand = child.Name;
  run.Text(page, 20, 70, "c[cds0.n]");
}

void ColumnHeadsAndFeet(ReportRun& run) {
  TfrPage& page = run.AddPage(140);
  page.Columns = 2;
  page.ColumnGap = 20;
  run.Band(page, btColumnHeader, 0, 20);
  run.Text(page, 20, 0, "CH");
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  run.Text(page, 20, 40, "[cds0.n]");
  run.Band(page, btColumnFooter, 100, 20);
  run.Text(page, 20, 100, "CF");
}

void OverlayOnEveryPage(ReportRun& run) {
  TfrPage& page = run.AddPage(100);
  run.Band(page, btOverlay, 0, 20);
  run.Text(page, 300, 0, "DRAFT");
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  run.Text(page, 20, 40, "[cds0.n]");
}

void MasterHeadRepeated(ReportRun& run) {
  TfrPage& page = run.AddPage(100);
  run.Band(page, btMasterHeader, 0, 20, "", flBandRepeatHeader);
  run.Text(page, 20, 0, "MH");
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  run.Text(page, 20, 40, "[cds0.n]");
  run.Band(page, btMasterFooter, 70, 20);
  run.Text(page, 20, 70, "MF [COUNT()]");
}

void ThreeLevels(ReportRun& run) {
  TfrPage& page = run.AddPage(320);
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  run.Text(page, 20, 40, "M[cds0.n]");
  run.Band(page, btDetailData, 70, 20, "2");
  run.Text(page, 20, 70, "D[LINE#]");
  run.Band(page, btSubDetailData, 100, 20, "2");
  run.Text(page, 20, 100, "S[LINE#] [LINETHROUGH#]");
  run.Band(page, btDetailFooter, 130, 20);
  run.Text(page, 20, 130, "DF");
}

void ShowBandFromScript(ReportRun& run) {
  TfrPage& page = run.AddPage();
  TfrBandView& data = run.Band(page, btMasterData, 40, 20, "frdataset0");
  data.Script = {"if [cds0.n] = 2 then SHOWBAND(Extra)"};
  run.Text(page, 20, 40, "[cds0.n]");
  TfrBandView& extra = run.Band(page, btChild, 100, 20);
  extra.Name = "Extra";
  run.Text(page, 20, 100, "extra");
}

// The main page prints a frame in its title; the frame's page is a cross
// table over frdataset0 with three counted columns.
void CrossTableInSubReport(ReportRun& run) {
  TfrPage& main = run.AddPage();
  run.Band(main, btReportTitle, 0, 20);
  run.Text(main, 20, 0, "Title");
  run.Band(main, btReportSummary, 30, 20);
  run.SubReport(main, 0, 30, 1);
  TfrPage& sub = run.AddPage();
  run.Band(sub, btMasterData, 0, 20, "frdataset0");
  run.Text(sub, 20, 0, "r[cds0.n]", 60);
  run.Band(sub, btCrossData, 0, 300, "3").SetBounds(100, 0, 60, 300);
  run.Text(sub, 100, 0, "[cds0.n].[COLUMN#]", 60);
}

// A cross table nine columns wide with a page footer: the footer closes the
// page the rows continue on too.
void WideCrossWithFooter(ReportRun& run) {
  TfrPage& page = run.AddPage();
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  run.Text(page, 20, 40, "[cds0.n]", 60);
  run.Band(page, btCrossHeader, 0, 300, "", flBandRepeatHeader).SetBounds(20, 0, 60, 300);
  run.Band(page, btCrossData, 0, 300, "9").SetBounds(100, 0, 60, 300);
  run.Text(page, 100, 40, "c[COLUMN#]", 60);
  run.Band(page, btPageFooter, 100, 20, "", flBandOnFirstPage | flBandOnLastPage);
  run.Text(page, 200, 100, "P[PAGE#]", 60);
}

// A group running over a page break, its header repeated: the group's total
// still counts every record of the group.
void GroupTotalAcrossPages(ReportRun& run) {
  TfrPage& page = run.AddPage(120);
  run.Band(page, btGroupHeader, 0, 20, "[cds0.g]", flBandRepeatHeader);
  run.Text(page, 20, 0, "G[cds0.g]");
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  run.Text(page, 20, 40, "[cds0.n]");
  run.Band(page, btGroupFooter, 70, 20);
  run.Text(page, 20, 70, "sum [SUM([cds0.n])]");
}

// A stretched band whose text grows pushes the next band down.
void StretchedBand(ReportRun& run) {
  TfrPage& page = run.AddPage();
  run.Band(page, btMasterData, 40, 20, "frdataset0", flStretched);
  TfrMemoView& text = run.Text(page, 20, 40, "[cds0.t]");
  text.Flags |= flStretched;
  run.Band(page, btReportSummary, 70, 20);
  run.Text(page, 20, 70, "end");
}

// The summary that no longer fits goes to a page of its own.
void SummaryOnANewPage(ReportRun& run) {
  TfrPage& page = run.AddPage(100);
  run.Band(page, btMasterData, 40, 20, "frdataset0");
  run.Text(page, 20, 40, "[cds0.n]");
  run.Band(page, btReportSummary, 70, 40);
  run.Text(page, 20, 70, "total [SUM([cds0.n])]");
}

// Two frames side by side in one band, their pages of 2 and 4 rows, and a
// nested frame on the second one's page.
void SideBySideSubReports(ReportRun& run) {
  TfrPage& main = run.AddPage();
  run.Band(main, btReportTitle, 0, 20);
  run.SubReport(main, 0, 0, 1);
  run.SubReport(main, 250, 0, 2);
  run.Band(main, btReportSummary, 30, 20);
  run.Text(main, 20, 30, "end");
  TfrPage& left = run.AddPage();
  run.Band(left, btMasterData, 0, 20, "2");
  run.Text(left, 20, 0, "L[LINE#]");
  TfrPage& right = run.AddPage();
  run.Band(right, btMasterData, 0, 20, "2");
  run.Text(right, 20, 0, "R[LINE#]");
  run.Band(right, btMasterFooter, 30, 20);
  run.SubReport(right, 20, 30, 3);
  TfrPage& inner = run.AddPage();
  run.Band(inner, btMasterData, 0, 20, "2");
  run.Text(inner, 20, 0, "I[LINE#]");
}

INSTANTIATE_TEST_SUITE_P(
    Preparation, BandKinds,
    ::testing::Values(
        // A band without a dataset that follows a data band in its chain
        // prints with each record and counts with the data band.
        ReportCase{"ChainedDataBandsShareTheRecordNumber", Numbers(2), ChainedDataBands,
                 {"20:a1 1 | 40:b1 1 | 60:a2 2 | 80:b2 2"}},
        // Each group header counts its own groups (the inner one restarting
        // under each outer group for LINE# only); footers show the data
        // band's number within the innermost group.
        ReportCase{"NestedGroupsNumberTheirOwnGroups", kNested, NestedGroups,
                 {"20:Ga 1/1 | 40:Hx 1/1 | 60:d1 1/1 | 80:hx 1 | 100:Hy 2/2 | 120:d2 1/2 | "
                  "140:hy 1 | 160:ga 1 | 180:Gb 2/2 | 200:Hy 1/3 | 220:d3 1/3 | 240:hy 1 | 260:gb 1"}},
        ReportCase{"ChildFollowsItsBandAlsoWhenTheBandIsHidden", Numbers(3), ChildBands,
                 {"20:1 | 40:c1 | 60:c2 | 80:3 | 100:c3"}},
        // A 120-unit column holds its head, four rows and the foot kept free
        // below them; the last column's foot follows its last row.
        ReportCase{"ColumnHeadsAndFeetFrameEveryColumn", Numbers(7), ColumnHeadsAndFeet,
                 {"20:CH | 40:1 | 60:2 | 80:3 | 100:4 | 120:CF | 20:CH@280 | 40:5@280 | 60:6@280 | "
                  "80:7@280 | 100:CF@280"}},
        // The overlay keeps its own place, above the top margin here.
        ReportCase{"OverlayPrintsFirstOnEveryPage", Numbers(5), OverlayOnEveryPage,
                 {"0:DRAFT@300 | 20:1 | 40:2 | 60:3 | 80:4", "0:DRAFT@300 | 20:5"}},
        ReportCase{"MasterHeaderRepeatsOnNewPages", Numbers(5), MasterHeadRepeated,
                 {"20:MH | 40:1 | 60:2 | 80:3", "20:MH | 40:4 | 60:5 | 80:MF 5"}},
        ReportCase{"SubDetailsRestartUnderEachDetail", Numbers(1), ThreeLevels,
                 {"20:M1 | 40:D1 | 60:S1 1 | 80:S2 2 | 100:D2 | 120:S1 1 | 140:S2 2 | 160:DF"}},
        ReportCase{"ShowBandPrintsANamedBandAtOnce", Numbers(3), ShowBandFromScript,
                 {"20:1 | 40:extra | 60:2 | 80:3"}},
        ReportCase{"CrossTablePrintedByASubReport", Numbers(2), CrossTableInSubReport,
                 {"20:Title | 40:r1 | 40:1.1@100 | 40:1.2@160 | 40:1.3@220 | "
                  "60:r2 | 60:2.1@100 | 60:2.2@160 | 60:2.3@220"}},
        ReportCase{"WideCrossTableGetsAPageFooterOnEveryPage", Numbers(1), WideCrossWithFooter,
                 {"20:1 | 20:c1@80 | 20:c2@140 | 20:c3@200 | 20:c4@260 | 20:c5@320 | 20:c6@380 | "
                  "20:c7@440 | 200:P1@200",
                  "20:1 | 20:c8@80 | 20:c9@140 | 200:P2@200"}},
        ReportCase{"RepeatedGroupHeaderKeepsTheGroupTotal",
                 R"([{"g":"a","n":"1"},{"g":"a","n":"2"},{"g":"a","n":"3"},{"g":"a","n":"4"},{"g":"a","n":"5"}])",
                 GroupTotalAcrossPages,
                 {"20:Ga | 40:1 | 60:2 | 80:3 | 100:4", "20:Ga | 40:5 | 60:sum 15"}},
        ReportCase{"StretchedBandPushesTheNextBandDown", R"([{"t":"one\ntwo\nthree"},{"t":"four"}])",
                 StretchedBand, {"20:one/two/three | 67:four | 87:end"}},
        // The band ends below the longer frame; the nested frame shifts by
        // both frames' lefts.
        ReportCase{"SubReportsSideBySideEndBelowTheLonger", "", SideBySideSubReports,
                 {"20:L1 | 40:L2 | 20:R1@270 | 40:R2@270 | 60:I1@290 | 80:I2@290 | 100:end"}},
        ReportCase{"SummaryThatDoesNotFitOpensAPage", Numbers(3), SummaryOnANewPage,
                 {"20:1 | 40:2 | 60:3", "20:total 6"}}),
    ReportCaseName);

}  // namespace
}  // namespace lf::test
