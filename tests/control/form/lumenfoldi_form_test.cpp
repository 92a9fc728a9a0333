// The control as a window: its layout, the report shown in frPreview1, and
// the report that stays on screen after a failed call.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <fstream>
#include <iterator>

#include "control/form/lumenfoldi_form.h"
#include "engine/output/emf_pages.h"
#include "platform/message_box.h"
#include "preview/page_viewer.h"
#include "preview/preview_panel.h"

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

}  // namespace
}  // namespace lf
