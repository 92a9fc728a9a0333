// The control as a window: its layout, the report shown in frPreview1, and
// the report that stays on screen after a failed call.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <iterator>

#include "control/form/lumenfoldi_form.h"
#include "engine/output/emf_pages.h"
#include "platform/message_box.h"
#include "preview/page_viewer.h"
#include "preview/preview_form.h"
#include "preview/preview_panel.h"
#include "preview/print_form.h"
#include "printer/printer.h"
#include "private_cupsd.h"

namespace lf {
namespace {

std::string Example(const std::string& name) {
  std::ifstream in(std::string(LF_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(LumenfoldiForm, HasTheButtonPanelAndThePreviewBelowIt) {
  TlumenfoldiForm form;
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  EXPECT_EQ(form.size(), QSize(870, 480));
  EXPECT_EQ(form.pnl1().geometry(), QRect(0, 0, 870, 41));
  EXPECT_EQ(form.btn2().text(), QString::fromUtf8("打印设置"));
  EXPECT_EQ(form.btn2().geometry(), QRect(8, 8, 75, 25));
  EXPECT_EQ(form.button2().text(), QString::fromUtf8("打印"));
  EXPECT_EQ(form.button2().geometry(), QRect(88, 8, 75, 25));
  EXPECT_EQ(form.frPreview1().geometry(), QRect(0, 41, 870, 439));
  // The buttons do nothing.
  RecordingMessageService boxes;
  ScopedMessageService scope(&boxes);
  QTest::mouseClick(&form.btn2(), Qt::LeftButton);
  QTest::mouseClick(&form.button2(), Qt::LeftButton);
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_FALSE(form.ReportShown());
}

TEST(LumenfoldiForm, ShowsTheReportAndKeepsItAfterAFailedDownload) {
  RecordingMessageService boxes;
  ScopedMessageService scope(&boxes);
  TlumenfoldiForm form;
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  form.LoadLocal(Example("invoice/template.frf"), Example("invoice/data.json"));
  ASSERT_TRUE(form.ReportShown());
  PageViewer& viewer = form.frPreview1().Viewer();
  ASSERT_NE(viewer.Pages(), nullptr);
  const int pages = viewer.Pages()->Count();
  EXPECT_GT(pages, 0);
  EXPECT_EQ(viewer.Label1()->text().toStdString(), "Page 1/" + std::to_string(pages));
  EXPECT_TRUE(viewer.isVisible());
  EXPECT_EQ(viewer.WheelFactor(), kEmbeddedWheelFactor);
  // The report keeps an empty list while the panel shows its pages.
  EXPECT_EQ(form.Control().frReport1().PreparedPages->Count(), 0);

  TfrEMFPages* shown = viewer.Pages();
  form.setParams(u"http://127.0.0.1:1/r.frf,http://127.0.0.1:1/d.json");
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "加载数据失败,错误号0");
  EXPECT_EQ(viewer.Pages(), shown);
  EXPECT_EQ(viewer.Pages()->Count(), pages);
}

// Accepts the print dialog once it is up.
void AcceptPrintDialogWhenOpen() {
  QTimer::singleShot(0, [] {
    if (auto* d = dynamic_cast<TfrPrintForm*>(QApplication::activeModalWidget())) d->accept();
    else ADD_FAILURE() << "no print dialog";
  });
}

// Every example prints whole from the control's "打印" and from the preview
// window's Ctrl+P, on a queue of a private scheduler.
TEST(LumenfoldiFormPrinting, EveryExamplePrintsFromThePanelAndThePreviewWindow) {
  RecordingMessageService boxes;
  ScopedMessageService scope(&boxes);
  test::PrivateCupsd cupsd;
  LF_REQUIRE_CUPSD(cupsd);
  ASSERT_TRUE(cupsd.AddQueue("alpha", true));
  ReloadPrinterLayer();
  int job = 0;
  for (const char* name : {"address-labels", "cross-table", "grouped-list", "invoice", "page-n-of-m",
                           "pictures-and-lines", "sub-report"}) {
    const std::string dir = std::string(name) + "/";
    TlumenfoldiForm form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.LoadLocal(Example(dir + "template.frf"), Example(dir + "data.json"));
    PageViewer& viewer = form.frPreview1().Viewer();
    ASSERT_NE(viewer.Pages(), nullptr) << name;
    const int pages = viewer.Pages()->Count();
    ASSERT_TRUE(form.button2().isEnabled());

    AcceptPrintDialogWhenOpen();
    QTest::mouseClick(&form.button2(), Qt::LeftButton);
    EXPECT_EQ(cupsd.WaitForJob(++job).state, test::kJobCompleted) << name;
    EXPECT_EQ(test::PdfPageTexts(cupsd.DocumentPath(job)).size(), size_t(pages)) << name;
    // The pages are back in the panel.
    ASSERT_NE(viewer.Pages(), nullptr) << name;
    EXPECT_EQ(viewer.Pages()->Count(), pages) << name;

    TfrReport& report = form.Control().frReport1();
    form.frPreview1().Unbind();
    TfrPreviewForm window;
    report.ModalPreview = false;
    window.ShowFor(report);
    AcceptPrintDialogWhenOpen();
    QTest::keyClick(window.Viewer().ScrollBox1(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(cupsd.WaitForJob(++job).state, test::kJobCompleted) << name;
    EXPECT_EQ(test::PdfPageTexts(cupsd.DocumentPath(job)).size(), size_t(pages)) << name;
  }
  EXPECT_TRUE(boxes.boxes.empty());
  cupsd.Stop();
  ReloadPrinterLayer();
}

}  // namespace
}  // namespace lf
