// Property access by name on band views (what each kind declares, the
// run-time band following its view) and on report and dialog pages.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine/model/band.h"
#include "engine/model/band_view.h"
#include "engine/data/dataset.h"
#include "engine/model/page.h"
#include "engine/model/properties.h"
#include "printer/printer.h"

namespace lf {
namespace {

struct KindDeclares {
  const char* property;
  std::set<int> kinds;
};

// The band-view property table: each name and the kinds that declare it.
const KindDeclares kBandTable[] = {
    {"ChildBand", {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22}},
    {"PrintChildIfInvisible", {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22}},
    {"Stretched", {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 17, 18, 21}},
    {"FormNewPage", {0, 1, 5, 6, 8, 9, 11, 12, 16}},
    {"PrintIfSubsetEmpty", {5, 8}},
    {"Breaked", {0, 1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 17, 21}},
    {"OnFirstPage", {2, 3}},
    {"OnLastPage", {3}},
    {"RepeatHeader", {4, 7, 10, 16, 18}},
    {"DataSource", {5, 8, 11, 19}},
    {"Columns", {5, 8, 11}},
    {"ColumnWidth", {5, 8, 11}},
    {"ColumnGap", {5, 8, 11}},
    {"Condition", {16}},
    {"Master", {16}},
};

class PropertiesBandKinds : public ::testing::TestWithParam<int> {};

TEST_P(PropertiesBandKinds, KindDeclaresExactlyItsProperties) {
  const int kind = GetParam();
  TfrBandView band;
  band.SetBandType(static_cast<TfrBandType>(kind));
  for (const KindDeclares& row : kBandTable)
    EXPECT_EQ(band.HasProperty(row.property), row.kinds.count(kind) == 1) << row.property;
  for (const char* always : {"Name", "Left", "Top", "Width", "Height", "Flags", "Visible",
                             "Restrictions", "OnBeforePrint", "EOF"})
    EXPECT_TRUE(band.HasProperty(always)) << always;
  for (const char* never : {"FrameTyp", "FillColor", "Tag", "BandAlign", "GapX"})
    EXPECT_FALSE(band.HasProperty(never)) << never;
}

INSTANTIATE_TEST_SUITE_P(AllKinds, PropertiesBandKinds, ::testing::Range(0, kBandKindCount));

TEST(PropertiesBand, ChangingTheKindRedeclares) {
  TfrBandView band;
  band.SetBandType(btMasterData);
  EXPECT_TRUE(band.HasProperty("DataSource"));
  band.FrameTyp = btGroupHeader;  // as a template reader sets it
  EXPECT_FALSE(band.HasProperty("DataSource"));
  band.SetProperty("Condition", Variant("cds0.customer"));
  EXPECT_EQ(band.FormatStr, "cds0.customer");
  band.SetProperty("Master", Variant("MasterData1"));
  EXPECT_EQ(band.GetProperty("MASTER").AsText(), "MasterData1");
}

TEST(PropertiesBand, DataSourceColumnsScriptAndEof) {
  TfrBandView band;
  band.SetBandType(btDetailData);
  band.SetProperty("DataSource", Variant("frdataset1"));
  band.SetProperty("Columns", Variant(3));
  band.SetProperty("ColumnGap", Variant(8));
  band.SetProperty("NewColumnAfter", Variant(4));
  band.SetProperty("OnBeforePrint", Variant("begin\r\nend"));
  band.SetProperty("Condition", Variant("ignored"));  // not a group header
  EXPECT_EQ(band.FormatStr, "frdataset1");
  EXPECT_EQ(band.GetProperty("DATASOURCE").AsText(), "frdataset1");
  EXPECT_EQ(band.Columns, 3);
  EXPECT_EQ(band.ColumnGap, 8);
  EXPECT_EQ(band.GetProperty("NEWCOLUMNAFTER").AsInteger(), 4);
  EXPECT_EQ(band.Script, (TfrLines{"begin", "end"}));
  band.SetProperty("EOF", Variant(false));  // read only
  EXPECT_TRUE(band.GetProperty("EOF").AsBoolean());  // no run-time band, no dataset
}

TEST(PropertiesBand, RunTimeBandFollowsItsViewWhilePrepared) {
  TfrPage page(kPaperA4, 0, 0, -1, false);
  auto* data = static_cast<TfrBandView*>(page.AddObject(std::make_unique<TfrBandView>()));
  data->SetBandType(btMasterData);
  data->Name = "MasterData1";
  data->SetBounds(0, 100, 700, 20);
  auto* child = static_cast<TfrBandView*>(page.AddObject(std::make_unique<TfrBandView>()));
  child->SetBandType(btChild);
  child->Name = "Child1";
  page.Bands[btMasterData] = std::make_unique<TfrBand>(btMasterData, &page, data);
  page.Bands[btChild] = std::make_unique<TfrBand>(btChild, &page, child);
  TfrBand& band = *page.Bands[btMasterData];

  band.Top = 333;  // the printing position
  EXPECT_EQ(data->GetProperty("Top").AsInteger(), 333);
  data->SetProperty("Height", Variant(45));
  EXPECT_EQ(band.Height, 45);
  EXPECT_EQ(data->Height, 45);
  data->SetProperty("Visible", Variant(false));
  EXPECT_FALSE(band.Visible);
  EXPECT_FALSE(data->GetProperty("VISIBLE").AsBoolean());
  data->SetProperty("Breaked", Variant(true));
  EXPECT_TRUE(band.Breaked);
  data->SetProperty("ChildBand", Variant("child1"));
  EXPECT_EQ(band.Child, page.Bands[btChild].get());
  data->SetProperty("ChildBand", Variant("Nothing"));
  EXPECT_EQ(band.Child, nullptr);
}

TEST(PropertiesBand, DatasetMethodsAndEofWalkTheBandsDataset) {
  TfrUserDataset records;  // two records counted
  records.RangeEnd = reCount;
  records.RangeEndCount = 2;
  TfrBandView view;
  view.SetBandType(btMasterData);
  TfrBand band(btMasterData, nullptr, &view);
  band.DataSet = &records;
  Variant result;
  view.CallMethod("FIRST", {}, {}, {}, result);
  EXPECT_EQ(records.RecordNo, 0);
  EXPECT_FALSE(view.GetProperty("EOF").AsBoolean());
  view.CallMethod("next", {}, {}, {}, result);
  view.CallMethod("Next", {}, {}, {}, result);
  EXPECT_EQ(records.RecordNo, 2);
  EXPECT_TRUE(view.GetProperty("eof").AsBoolean());
  view.CallMethod("PRIOR", {}, {}, {}, result);
  EXPECT_EQ(records.RecordNo, 1);
  band.DataSet = nullptr;  // not the band's to release
}

class PropertiesPage : public ::testing::Test {
 protected:
  void SetUp() override {
    TfrPrinter& printer = SharedPrinter();
    printer.SelectPrinter(printer.VirtualIndex);
  }
};

TEST_F(PropertiesPage, ReportPagePropertiesAndPaperList) {
  TfrPage page(kPaperA4, 0, 0, -1, false);
  for (const char* name : {"Type", "Visible", "Size", "Width", "Height", "LeftMargin",
                           "TopMargin", "RightMargin", "BottomMargin", "Orientation",
                           "PrintToPrevPage", "StretchToPrintable", "Columns", "ColumnWidth",
                           "ColumnGap", "OnBeforePrint"})
    EXPECT_TRUE(page.HasProperty(name)) << name;
  EXPECT_FALSE(page.HasProperty("Caption"));
  const TfrPropRec* size = page.FindProperty("SIZE");
  ASSERT_NE(size, nullptr);
  EXPECT_EQ(size->EnumValues.size(), static_cast<size_t>(kPaperTableRows));
  EXPECT_EQ(size->EnumValues.back(), 256);

  page.SetProperty("Size", Variant(11));  // A5
  EXPECT_EQ(page.PaperCode, 11);
  EXPECT_EQ(page.WidthDmm, 1480);
  page.SetProperty("Orientation", Variant("poLandscape"));
  EXPECT_TRUE(page.Landscape);
  EXPECT_EQ(page.WidthDmm, 2100);
  EXPECT_EQ(page.GetProperty("ORIENTATION").AsInteger(), 1);
  page.SetProperty("LeftMargin", Variant(25));
  page.SetProperty("Columns", Variant(2));
  page.SetProperty("PrintToPrevPage", Variant(true));
  EXPECT_EQ(page.Margins.Left, 25);
  EXPECT_EQ(page.Columns, 2);
  EXPECT_TRUE(page.PrintToPrevPage);
  EXPECT_FALSE(page.GetProperty("StretchToPrintable").AsBoolean());
}

TEST_F(PropertiesPage, PaperSidesBeyondACustomPaperAreRefused) {
  TfrPage page(kPaperA4, 0, 0, -1, false);
  try {
    page.SetProperty("Height", Variant(20000));
    FAIL() << "no error";
  } catch (const EPropertyError& e) {
    EXPECT_EQ(e.Message(), "Value 20000 out of range for property HEIGHT");
  }
  EXPECT_EQ(page.HeightDmm, 2970);
  EXPECT_THROW(page.SetProperty("Width", Variant(-1)), EPropertyError);
}

TEST_F(PropertiesPage, DialogPageHasItsWindowProperties) {
  TfrPage page(kPaperA4, 0, 0, -1, false);
  page.SetProperty("Type", Variant("ptDialog"));
  EXPECT_EQ(page.PageType, ptDialog);
  EXPECT_FALSE(page.HasProperty("Size"));
  EXPECT_TRUE(page.HasProperty("OnActivate"));
  page.SetProperty("Width", Variant(500));  // the window, not the paper
  EXPECT_EQ(page.Width, 500);
  EXPECT_EQ(page.WidthDmm, 2100);
  page.SetProperty("BorderStyle", Variant("bsSizeable"));
  EXPECT_EQ(page.BorderStyle, bsSizeable);
  EXPECT_THROW(page.SetProperty("BorderStyle", Variant(1)), EPropertyError);
  page.SetProperty("Position", Variant(0));
  EXPECT_EQ(page.Position, poDesigned);
  page.SetProperty("Caption", Variant("Choose"));
  EXPECT_EQ(page.GetProperty("CAPTION").AsText(), "Choose");
  page.PageType = ptReport;  // as a template reader sets it
  EXPECT_TRUE(page.HasProperty("Size"));
}

}  // namespace
}  // namespace lf
