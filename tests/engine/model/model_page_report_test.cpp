// Object model: pages on the virtual printer (paper adoption, limits, the
// width and height conversion), the page list and the report component.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/model/band.h"
#include "engine/model/band_view.h"
#include "engine/data/dataset.h"
#include "engine/model/memo_view.h"
#include "engine/model/report.h"
#include "engine/output/emf_pages.h"
#include "printer/printer.h"

namespace lf {
namespace {

// Every page test runs against the virtual printer.
class ModelPage : public ::testing::Test {
 protected:
  void SetUp() override {
    TfrPrinter& printer = SharedPrinter();
    printer.SelectPrinter(printer.VirtualIndex);
  }
};

TEST_F(ModelPage, A4OnTheVirtualPrinterMeasuresTheSheetAndBorder) {
  TfrPage page(kPaperA4, 0, 0, -1, false);
  EXPECT_EQ(page.PaperCode, 9);
  EXPECT_EQ(page.WidthDmm, 2100);
  EXPECT_EQ(page.HeightDmm, 2970);
  EXPECT_EQ(page.PaperSource, 0xFFFF);
  EXPECT_EQ(page.Metrics.SheetWidth, 758);
  EXPECT_EQ(page.Metrics.SheetHeight, 1071);
  EXPECT_EQ(page.Metrics.OffsetX, 18);
  EXPECT_EQ(page.Metrics.OffsetY, 18);
  EXPECT_EQ(page.Metrics.PrintWidth, 722);
  EXPECT_EQ(page.Metrics.PrintHeight, 1035);
}

TEST_F(ModelPage, LandscapeAndCustomPapersAreReadBack) {
  TfrPage landscape(kPaperA4, 0, 0, -1, true);
  EXPECT_TRUE(landscape.Landscape);
  EXPECT_EQ(landscape.WidthDmm, 2970);
  EXPECT_EQ(landscape.Metrics.SheetWidth, 1071);
  TfrPage custom(kPaperCustom, 1000, 1500, 7, false);
  EXPECT_EQ(custom.PaperCode, 256);
  EXPECT_EQ(custom.WidthDmm, 1000);
  EXPECT_EQ(custom.HeightDmm, 1500);
  EXPECT_NE(custom.PaperSource, 0xFFFF);  // a named bin is the printer's, not the default
}

TEST_F(ModelPage, NewPageFieldDefaults) {
  TfrPage page(kPaperA4, 0, 0, -1, false);
  EXPECT_TRUE(page.SheetCoordinates);
  EXPECT_TRUE(page.Visible);
  EXPECT_EQ(page.PageType, ptReport);
  EXPECT_EQ(page.Columns, 0);
  EXPECT_EQ(page.BorderStyle, bsDialog);
  EXPECT_EQ(page.Caption, "Form");
  EXPECT_EQ(page.Color, 0xFF00000Fu);
  EXPECT_EQ(page.Left, 220);
  EXPECT_EQ(page.Top, 120);
  EXPECT_EQ(page.Width, 380);
  EXPECT_EQ(page.Height, 300);
  EXPECT_EQ(page.Position, poScreenCenter);
  EXPECT_FALSE(page.Initialized);
  for (const auto& band : page.Bands) EXPECT_EQ(band, nullptr);
}

TEST_F(ModelPage, LimitsFollowMarginsOffsetsAndSheetCoordinates) {
  TfrPage page(kPaperA4, 0, 0, -1, false);
  EXPECT_EQ(page.TopLimit(), 18);
  EXPECT_EQ(page.LeftLimit(), 18);
  EXPECT_EQ(page.RightLimit(), 18 + 722);
  EXPECT_EQ(page.BottomLimit(), 18 + 1035);
  page.Margins = TfrPageMargins{30, 40, 50, 60};
  EXPECT_EQ(page.TopLimit(), 40);
  EXPECT_EQ(page.LeftLimit(), 30);
  EXPECT_EQ(page.RightLimit(), 758 - 50);
  EXPECT_EQ(page.BottomLimit(), 1071 - 60);
  page.SetProperty("StretchToPrintable", Variant(true));
  EXPECT_FALSE(page.SheetCoordinates);
  EXPECT_EQ(page.TopLimit(), 0);
  EXPECT_EQ(page.LeftLimit(), 0);
  EXPECT_EQ(page.RightLimit(), 758);
  EXPECT_EQ(page.BottomLimit(), 1071);
}

TEST_F(ModelPage, BottomLimitLeavesRoomForThePageFooterWhilePrepared) {
  TfrPage page(kPaperA4, 0, 0, -1, false);
  auto view = std::make_unique<TfrBandView>();
  view->SetBandType(btPageFooter);
  view->SetBounds(0, 1000, 700, 30);
  TfrBandView* footerView = static_cast<TfrBandView*>(page.AddObject(std::move(view)));
  page.Bands[btPageFooter] = std::make_unique<TfrBand>(btPageFooter, &page, footerView);
  EXPECT_EQ(page.BottomLimit(), 1053);  // bands not yet initialized
  page.Initialized = true;
  EXPECT_EQ(page.BottomLimit(), 1053 - 30);
  page.ClearBands();
  EXPECT_EQ(footerView->Parent, nullptr);
  EXPECT_EQ(page.BottomLimit(), 1053);
}

TEST_F(ModelPage, WidthAndHeightPropertiesConvertTenthsOfMillimetres) {
  EXPECT_EQ(TfrPage::DmmToPageProperty(2100), 756);
  EXPECT_EQ(TfrPage::DmmToPageProperty(2970), 1069);
  EXPECT_EQ(TfrPage::PagePropertyToDmm(756), 2100);
  EXPECT_EQ(TfrPage::PagePropertyToDmm(1069), 2969);
  TfrPage page(kPaperA4, 0, 0, -1, false);
  EXPECT_EQ(page.GetProperty("WIDTH").AsInteger(), 756);
  page.SetProperty("Width", Variant(360));
  EXPECT_EQ(page.PaperCode, 256);
  EXPECT_EQ(page.WidthDmm, 1000);
  EXPECT_EQ(page.HeightDmm, 2970);
}

TEST(ModelPages, AddClearDeleteAndIndex) {
  TfrReport report;
  TfrPages& pages = *report.Pages;
  TfrPage* first = pages.Add();
  TfrPage* second = pages.Add();
  EXPECT_EQ(pages.Count(), 2);
  EXPECT_EQ(pages[1], second);
  EXPECT_EQ(pages.PageAt(2), nullptr);
  EXPECT_EQ(pages.PageAt(-1), nullptr);
  EXPECT_EQ(pages.IndexOf(second), 1);
  pages.Delete(5);
  pages.Delete(1);
  EXPECT_EQ(pages.Count(), 1);
  EXPECT_EQ(pages.IndexOf(first), 0);
  EXPECT_EQ(pages.Report(), &report);
  pages.Clear();
  EXPECT_EQ(pages.Count(), 0);
}

TEST(ModelReport, NewReportDefaults) {
  TfrReport report;
  EXPECT_EQ(report.DefaultCopies, 1);
  EXPECT_TRUE(report.DefaultCollate);
  EXPECT_FALSE(report.GrayedButtons);
  EXPECT_EQ(report.InitialZoom, pzDefault);
  EXPECT_TRUE(report.ModalPreview);
  EXPECT_TRUE(report.ModifyPrepared);
  EXPECT_EQ(report.PreviewButtons,
            pbZoom | pbLoad | pbSave | pbPrint | pbFind | pbHelp | pbExit);
  EXPECT_TRUE(report.PrintIfEmpty);
  EXPECT_EQ(report.ReportType, rtSimple);
  EXPECT_TRUE(report.ShowPrintDialog);
  EXPECT_TRUE(report.ShowProgress);
  EXPECT_FALSE(report.StoreInDFM);
  EXPECT_FALSE(report.UseDefaultDataSetName);
  EXPECT_EQ(report.SourceFileName, "Untitled");
  EXPECT_EQ(report.GeneratorVersion, 88);
  EXPECT_EQ(report.Pages->Count(), 0);
  EXPECT_NE(report.Dictionary, nullptr);
  ASSERT_NE(report.PreparedPages, nullptr);
  EXPECT_EQ(report.PreparedPages->Count(), 0);
  EXPECT_FALSE(report.OnGetValue);
  EXPECT_GT(report.ReportCreateDate, 45000.0);  // a date after 2023
  EXPECT_DOUBLE_EQ(report.ReportCreateDate, report.ReportLastChange);
}

TEST(ModelReport, ClearDropsTemplateAndResetsInformation) {
  TfrReport report;
  report.Pages->Add()->AddObject(std::make_unique<TfrMemoView>());
  report.Dictionary->Variables.Assign("Total", Variant("cds0.amount"));
  report.Dictionary->Cache("Total", nullptr, "amount");
  report.TwoPass = true;
  report.ReportAutor = "someone";
  report.Password = "pw";
  report.PasswordProtected = true;
  report.GeneratorVersion = 12;
  report.ReportCreateDate = 1.0;
  report.Clear();
  EXPECT_EQ(report.Pages->Count(), 0);
  EXPECT_EQ(report.Dictionary->Variables.Count(), 0);
  EXPECT_FALSE(report.TwoPass);
  EXPECT_EQ(report.ReportAutor, "");
  EXPECT_EQ(report.Password, "");
  EXPECT_FALSE(report.PasswordProtected);
  EXPECT_EQ(report.GeneratorVersion, 88);
  EXPECT_GT(report.ReportCreateDate, 45000.0);
}

TEST(ModelReport, UnknownPrinterNameIsRememberedWithoutChangingPrinter) {
  TfrReport report;
  TfrPrinter& printer = SharedPrinter();
  const int before = printer.CurrentIndex;
  report.SelectPrinterByName("No such printer");
  EXPECT_EQ(report.PrinterName, "No such printer");
  EXPECT_EQ(printer.CurrentIndex, before);
}

TEST(ModelReport, DatasetIsClearedWhenTheDatasetGoes) {
  TfrReport report;
  TComponent owner;
  auto* dataset = TComponent::Create<TfrUserDataset>(&owner, "frdataset0");
  report.SetDataset(dataset);
  EXPECT_EQ(report.Dataset, dataset);
  dataset->Free();
  EXPECT_EQ(report.Dataset, nullptr);
  auto* other = TComponent::Create<TfrUserDataset>(&owner, "frdataset1");
  report.SetDataset(other);
}

TEST(ModelDictionary, CacheIgnoresLetterCaseAndClearKeepsIt) {
  TfrDataDictionary dictionary;
  dictionary.Cache("cds0.Amount", nullptr, "Amount");
  ASSERT_NE(dictionary.FindCached("CDS0.AMOUNT"), nullptr);
  EXPECT_EQ(dictionary.FindCached("cds0.amount")->DataField, "Amount");
  dictionary.Cache("CDS0.amount", nullptr, "amount");
  EXPECT_EQ(dictionary.FieldCache.size(), 1u);
  dictionary.Variables.Assign(" Totals", Variant(""));
  EXPECT_TRUE(TfrDataDictionary::IsCategory(dictionary.Variables.NameAt(0)));
  dictionary.Clear();
  EXPECT_EQ(dictionary.Variables.Count(), 0);
  EXPECT_EQ(dictionary.FieldCache.size(), 1u);
  dictionary.ClearCache();
  EXPECT_EQ(dictionary.FindCached("cds0.amount"), nullptr);
}

}  // namespace
}  // namespace lf
