// The print dialog, page setup and printing from the preview, on the
// printers of a private CUPS scheduler.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "engine/model/band_view.h"
#include "engine/model/memo_view.h"
#include "engine/output/emf_pages.h"
#include "engine/prepare/preparation.h"
#include "preview/page_setup_form.h"
#include "preview/preview_form.h"
#include "preview/print_form.h"
#include "printer/printer.h"
#include "private_cupsd.h"
#include "sample_pages.h"

namespace lf {
namespace {

class PrintDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    LF_REQUIRE_CUPSD(cupsd);
    ASSERT_TRUE(cupsd.AddQueue("alpha", true));
    ASSERT_TRUE(cupsd.AddQueue("beta"));
    // The printer layer may have started before this scheduler existed.
    ReloadPrinterLayer();
    TfrPrinter& printer = SharedPrinter();
    printer.SelectPrinter(printer.IndexOfPrinter("alpha"));
  }
  // Tests run after this one see the print system they would have seen
  // without this scheduler, not its stopped queues.
  void TearDown() override {
    cupsd.Stop();
    ReloadPrinterLayer();
  }

  // Runs what the modal dialog of type D needs once it is up.
  template <class D>
  static void WhenOpen(std::function<void(D&)> act) {
    QTimer::singleShot(0, [act] {
      if (auto* d = dynamic_cast<D*>(QApplication::activeModalWidget())) act(*d);
      else ADD_FAILURE() << "no dialog";
    });
  }

  test::PrivateCupsd cupsd;
};

TEST_F(PrintDialogs, CopiesArrowsFocusCollateAndCancelRestoringThePrinter) {
  TfrPrintForm dialog;
  // The virtual printer is not offered.
  ASSERT_EQ(dialog.CB1()->count(), 2);
  EXPECT_EQ(dialog.CB1()->itemText(0), "alpha");
  EXPECT_EQ(dialog.windowTitle(), "Print");

  dialog.E1()->setText("1");
  dialog.frSpeedButton2()->click();
  EXPECT_EQ(dialog.E1()->text(), "1");
  dialog.E1()->setText("5");
  dialog.frSpeedButton2()->click();
  EXPECT_EQ(dialog.E1()->text(), "4");
  dialog.E1()->setText("2147483647");
  dialog.frSpeedButton1Click();
  EXPECT_EQ(dialog.E1()->text(), "2147483648");

  EXPECT_TRUE(dialog.RB1()->isChecked());
  QFocusEvent focus(QEvent::FocusIn);
  QApplication::sendEvent(dialog.E2(), &focus);
  EXPECT_TRUE(dialog.RB3()->isChecked());

  EXPECT_TRUE(dialog.CollateCB()->isChecked());
  const QImage collated = dialog.PB1()->grab().toImage();
  QTest::mouseClick(dialog.Label3(), Qt::LeftButton);
  EXPECT_FALSE(dialog.CollateCB()->isChecked());
  EXPECT_NE(dialog.PB1()->grab().toImage(), collated);

  // Choosing a printer selects it at once; Cancel undoes it.
  dialog.CB1()->setCurrentIndex(1);
  EXPECT_EQ(SharedPrinter().CurrentName(), "beta");
  dialog.reject();
  EXPECT_EQ(SharedPrinter().CurrentName(), "alpha");
}

TEST_F(PrintDialogs, ThePreviewPrintsWhatTheDialogChose) {
  auto report = SampleReport(4, {{0, "A", 20, 20, {"Sheet one"}, ""},
                                 {1, "B", 20, 20, {"Sheet two"}, ""},
                                 {2, "C", 20, 20, {"Sheet three"}, ""},
                                 {3, "D", 20, 20, {"Sheet four"}, ""}});
  report->Title = "From the preview";
  TfrPreviewForm form;
  report->ModalPreview = false;
  form.ShowFor(*report);
  ASSERT_TRUE(form.Button("PrintBtn")->isEnabled());
  ASSERT_TRUE(form.Button("PageSetupBtn")->isEnabled());

  WhenOpen<TfrPrintForm>([](TfrPrintForm& d) {
    d.CB1()->setCurrentIndex(1);
    d.RB3()->setChecked(true);
    d.E2()->setText("4,1-3");
    d.E1()->setText("2");
    d.CollateCB()->setChecked(false);
    d.CB2()->setCurrentIndex(1);
    d.accept();
  });
  QTest::keyClick(form.Viewer().ScrollBox1(), Qt::Key_P, Qt::ControlModifier);
  test::SpooledJob job = cupsd.WaitForJob(1);
  EXPECT_EQ(job.state, test::kJobCompleted);
  EXPECT_EQ(job.copies, 2);
  EXPECT_EQ(job.name, "From the preview");
  EXPECT_EQ(test::PdfPageTexts(cupsd.OutputPath("beta")),
            (std::vector<std::string>{"Sheet one", "Sheet one", "Sheet three", "Sheet three"}));
  // The pages are back on screen.
  ASSERT_NE(form.Pages(), nullptr);
  EXPECT_EQ(form.Pages()->Count(), 4);

  // Without the dialog the report's defaults print every page.
  report->ShowPrintDialog = false;
  report->DefaultCopies = 2;
  form.PrintBtnClick();
  EXPECT_EQ(test::PdfPageTexts(cupsd.DocumentPath(2)),
            (std::vector<std::string>{"Sheet one", "Sheet two", "Sheet three", "Sheet four", "Sheet one",
                                      "Sheet two", "Sheet three", "Sheet four"}));
}

TEST_F(PrintDialogs, PageSetupChangesTheTemplateAndPreparesAgain) {
  TfrReport report;
  TfrPage& page = *report.Pages->Add();
  page.ChangePaper(9, 0, 0, -1, false);
  page.Margins = {36, 36, 36, 36};
  auto band = std::make_unique<TfrBandView>();
  band->SetBandType(btReportTitle);
  band->SetBounds(0, 20, 700, 40);
  page.AddObject(std::move(band));
  auto memo = std::make_unique<TfrMemoView>();
  memo->SetBounds(10, 25, 300, 18);
  memo->Memo = {"Title text"};
  page.AddObject(std::move(memo));
  ASSERT_TRUE(PrepareReport(report));
  ASSERT_FALSE(report.PreparedPages->PageAt(0).Landscape);

  TfrPreviewForm form;
  report.ModalPreview = false;
  form.ShowFor(report);
  WhenOpen<TfrPageSetupForm>([](TfrPageSetupForm& d) {
    // Preset from the first page: 36 page units are 10 mm.
    EXPECT_DOUBLE_EQ(d.Margin(0)->value(), 10.0);
    d.Margin(0)->setValue(20.0);
    d.Margin(3)->setValue(5.0);
    d.Landscape()->setChecked(true);
    d.PrinterBox()->setCurrentIndex(1);
    EXPECT_EQ(d.PaperCode(), 9);
    EXPECT_GT(d.PaperBox()->count(), 1);
    d.accept();
  });
  form.PageSetupBtnClick();
  // Preparing again reloads the template: its pages are new objects.
  ASSERT_EQ(report.Pages->Count(), 1);
  const TfrPage& changed = *report.Pages->PageAt(0);
  EXPECT_EQ(changed.Margins, (TfrPageMargins{72, 36, 36, 18}));
  EXPECT_TRUE(changed.Landscape);
  EXPECT_EQ(SharedPrinter().CurrentName(), "beta");
  EXPECT_EQ(report.PrinterName, "beta");
  ASSERT_NE(form.Pages(), nullptr);
  ASSERT_EQ(form.Pages()->Count(), 1);
  EXPECT_TRUE(form.Pages()->PageAt(0).Landscape);
  EXPECT_EQ(form.Pages()->PageAt(0).Margins, (TfrPageMargins{72, 36, 36, 18}));
}

TEST(PreviewSave, TheDialogPutsTheExtensionOnBeforeAskingToReplace) {
  TfrPreviewForm form;
  std::unique_ptr<QFileDialog> dialog = form.MakeSaveDialog();
  EXPECT_EQ(dialog->defaultSuffix(), "frp");
  EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
  EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
}

}  // namespace
}  // namespace lf
