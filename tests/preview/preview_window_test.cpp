// The preview window driven as a person would: keys, wheel, dragging, the
// zoom menu, hyperlinks, the counter, buttons and captions, open and save.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include <fstream>

#include "platform/message_box.h"
#include "preview/page_box.h"
#include "preview/preview_form.h"
#include "preview/preview_panel.h"
#include "preview/show_report.h"
#include "preview/window_placement.h"
#include "sample_pages.h"

namespace lf {
namespace {

class PreviewWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings("lumenfoldi", "lumenfoldi").clear();
    SavedZoom() = {};
  }
  void TearDown() override { SavedZoom() = {}; }

  // Shows report's pages in a normal (not maximized) window of that size.
  void Show(TfrReport& r, int width = 900, int height = 700) {
    r.ModalPreview = false;
    form.setWindowState(Qt::WindowNoState);
    form.ShowFor(r);
    form.setWindowState(Qt::WindowNoState);
    form.resize(width, height);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QApplication::processEvents();
  }
  std::string Counter() const { return viewer.Label1()->text().toStdString(); }
  std::string Status() const { return viewer.Label2()->text().toStdString(); }
  void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(viewer.ScrollBox1(), Qt::Key(key), mods);
  }
  void Wheel(int steps) {
    QPointF at(50, 50);
    QWheelEvent e(at, viewer.PBox()->mapToGlobal(at), QPoint(), QPoint(0, 120 * steps), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewer.PBox(), &e);
  }
  // A point on page index (0-based), page units from its corner, in box pixels.
  QPoint OnPage(int index, int ux, int uy) const {
    const CanvasRect& r = viewer.View().Bounds()[size_t(index)];
    return QPoint(r.Left + viewer.View().OriginX() + int(ux * viewer.Scale()), r.Top + viewer.View().OriginY() + int(uy * viewer.Scale()));
  }

  QTemporaryDir settingsDir;
  TfrPreviewForm form;
  PageViewer& viewer = form.Viewer();
};

TEST_F(PreviewWindow, KeysScrollAndMoveBetweenPages) {
  auto report = SampleReport(12);
  Show(*report);
  EXPECT_EQ(Counter(), "Page 1/12");
  Key(Qt::Key_Down);
  EXPECT_EQ(viewer.VPos(), 10);
  Key(Qt::Key_PageDown);
  EXPECT_EQ(viewer.VPos(), 210);
  Key(Qt::Key_Up);
  EXPECT_EQ(viewer.VPos(), 200);
  Key(Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(Counter(), "Page 2/12");
  EXPECT_EQ(viewer.VPos(), viewer.View().Bounds()[1].Top - 10);
  Key(Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_EQ(Counter(), "Page 1/12");
  Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(Counter(), "Page 12/12");
  EXPECT_EQ(viewer.VPos(), viewer.View().Bounds()[11].Top - 10);
  Key(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(viewer.VPos(), 0);
  EXPECT_EQ(Counter(), "Page 1/12");
  // Home without Ctrl is left to the focused control.
  QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier);
  QApplication::sendEvent(&form, &home);
  EXPECT_FALSE(home.isAccepted());
  QKeyEvent ctrlQ(QEvent::KeyPress, Qt::Key_Q, Qt::ControlModifier);
  QApplication::sendEvent(&form, &ctrlQ);
  EXPECT_TRUE(ctrlQ.isAccepted());
}

TEST_F(PreviewWindow, CounterFollowsTheLineElevenPixelsBelowTheTop) {
  auto report = SampleReport(6);
  Show(*report);
  const int page4Top = viewer.View().Bounds()[3].Top;
  viewer.SetVPos(page4Top - 22);
  EXPECT_EQ(Counter(), "Page 3/6");
  // In the gap between the sheets the counter stays.
  viewer.SetVPos(page4Top - 11);
  EXPECT_EQ(Counter(), "Page 3/6");
  viewer.SetVPos(page4Top - 10);
  EXPECT_EQ(Counter(), "Page 4/6");
}

TEST_F(PreviewWindow, WheelMovesBySmallStepsTimesTheFactor) {
  auto report = SampleReport(3);
  Show(*report);
  Wheel(-1);
  EXPECT_EQ(viewer.VPos(), 10);
  viewer.SetWheelFactor(kEmbeddedWheelFactor);
  Wheel(-1);
  EXPECT_EQ(viewer.VPos(), 40);
  Wheel(1);
  EXPECT_EQ(viewer.VPos(), 10);
}

TEST_F(PreviewWindow, DraggingMovesTheSheetsWithTheMouse) {
  auto report = SampleReport(3);
  Show(*report);
  viewer.ApplyZoom(200);
  viewer.SetVPos(300);
  viewer.SetHPos(100);
  const QPoint start = OnPage(0, 300, 600);
  QTest::mousePress(viewer.PBox(), Qt::LeftButton, {}, start);
  QTest::mouseMove(viewer.PBox(), start + QPoint(-30, -50));
  EXPECT_EQ(viewer.HPos(), 130);
  EXPECT_EQ(viewer.VPos(), 350);
  QTest::mouseRelease(viewer.PBox(), Qt::LeftButton, {}, start + QPoint(-30, -50));
  EXPECT_FALSE(viewer.PBox()->Dragging());
  // A double click never starts a drag.
  QTest::mouseDClick(viewer.PBox(), Qt::LeftButton, {}, start);
  EXPECT_FALSE(viewer.PBox()->Dragging());
  QTest::mouseMove(viewer.PBox(), start + QPoint(40, 40));
  EXPECT_EQ(viewer.HPos(), 130);
}

TEST_F(PreviewWindow, ZoomMenuChangesTheScaleAndIsRememberedForTheNextPreview) {
  auto report = SampleReport(3);
  Show(*report);
  const int boxHeight = viewer.PBox()->height();
  viewer.ZoomItem(zmWholePage)->trigger();
  EXPECT_EQ(viewer.ZoomMode(), zmWholePage);
  EXPECT_DOUBLE_EQ(viewer.Scale(), double(boxHeight - 20) / form.Pages()->PageAt(0).Metrics.SheetHeight);
  EXPECT_TRUE(viewer.ZoomItem(zmWholePage)->isChecked());
  EXPECT_EQ(form.Button("ZoomBtn")->text().toStdString(), std::to_string(std::lround(viewer.Scale() * 100)) + "%");
  viewer.ZoomItem(50)->trigger();
  EXPECT_EQ(viewer.Scale(), 0.5);
  EXPECT_EQ(form.Button("ZoomBtn")->text(), "50%");
  EXPECT_EQ(SavedZoom().Scale, 0.5);
  TfrPreviewForm next;
  auto other = SampleReport(1);
  other->ModalPreview = false;
  next.ShowFor(*other);
  EXPECT_EQ(next.Viewer().Scale(), 0.5);
  EXPECT_TRUE(next.Viewer().ZoomItem(50)->isChecked());
  // A right click opens the zoom menu.
  QTest::mouseClick(viewer.PBox(), Qt::RightButton, {}, QPoint(5, 5));
  EXPECT_TRUE(viewer.ProcMenu()->isVisible());
  viewer.ProcMenu()->hide();
}

TEST_F(PreviewWindow, PageLinksMoveTheViewAndOtherTextsDoNothing) {
  auto report = SampleReport(8, {{0, "URL1", 100, 100, {"to five"}, "@5"},
                                 {0, "URL2", 100, 200, {"to zero"}, "@0"},
                                 {0, "URL3", 100, 300, {"too far"}, "@99"},
                                 {0, "URL4", 100, 400, {"dangling"}, "ends@"},
                                 {0, "URL5", 100, 500, {"bad"}, "@x"},
                                 {0, "Memo1", 100, 600, {"plain"}, "@3"}});
  Show(*report);
  auto click = [&](int uy) { QTest::mouseClick(viewer.PBox(), Qt::LeftButton, {}, OnPage(0, 120, uy)); };
  click(110);
  EXPECT_EQ(viewer.CurrentPage(), 5);
  EXPECT_EQ(Counter(), "Page 5/8");
  EXPECT_EQ(viewer.VPos(), viewer.View().Bounds()[4].Top - 10);
  viewer.SetVPos(0);
  viewer.SetCurrentPage(3);
  click(210);
  EXPECT_EQ(viewer.CurrentPage(), 1);
  click(310);
  EXPECT_EQ(viewer.CurrentPage(), 1);
  click(410);
  EXPECT_EQ(viewer.CurrentPage(), 1);
  EXPECT_FALSE(viewer.PBox()->Dragging());
  click(510);
  EXPECT_EQ(Status(), "'x' is not a valid integer value");
  // Hovering shows where a page link goes, with the hand cursor.
  QTest::mouseMove(viewer.PBox(), OnPage(0, 120, 110));
  EXPECT_EQ(Status(), "Page 5");
  EXPECT_EQ(viewer.PBox()->cursor().shape(), Qt::PointingHandCursor);
  QTest::mouseMove(viewer.PBox(), OnPage(0, 120, 610));
  EXPECT_EQ(Status(), "");
  EXPECT_EQ(viewer.PBox()->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(PreviewWindow, ButtonsFollowTheReportsSettings) {
  auto report = SampleReport(1);
  report->PreviewButtons = pbLoad | pbSave | pbHelp | pbExit;
  Show(*report);
  for (auto [name, visible] : {std::pair{"ZoomBtn", false}, {"frTBSeparator1", false}, {"FindBtn", false},
                               {"HelpBtn", true}, {"ExitBtn", true}, {"frTBSeparator3", true}, {"LoadBtn", true}})
    EXPECT_EQ(form.TPanel()->findChild<QWidget*>(name)->isVisible(), visible) << name;
  // The tests' own process sees no printer: print and page setup are disabled.
  EXPECT_FALSE(form.Button("PrintBtn")->isEnabled());
  EXPECT_FALSE(form.Button("PageSetupBtn")->isEnabled());

  report->PreviewButtons = pbZoom | pbHelp | pbExit;
  report->Title.clear();
  EXPECT_EQ(PreviewCaption(*report), "Preview");
  report->Title = "Sales";
  EXPECT_EQ(PreviewCaption(*report), "Preview - Sales");
  // In a panel with its toolbar, help and close stay hidden.
  TfrPreview panel;
  panel.SetShowToolbar(true);
  auto embedded = SampleReport(2);
  embedded->PreviewButtons = pbZoom | pbHelp | pbExit;
  panel.resize(600, 400);
  panel.show();
  panel.Bind(*embedded);
  EXPECT_FALSE(panel.Window().Button("HelpBtn")->isVisibleTo(&panel));
  EXPECT_FALSE(panel.Window().Button("ExitBtn")->isVisibleTo(&panel));
  EXPECT_TRUE(panel.Window().Button("ZoomBtn")->isVisibleTo(&panel));
  EXPECT_EQ(panel.Viewer().WheelFactor(), kEmbeddedWheelFactor);
  EXPECT_EQ(embedded->PreparedPages->Count(), 0);
  panel.Unbind();
  EXPECT_EQ(embedded->PreparedPages->Count(), 2);
}

TEST_F(PreviewWindow, SaveAddsTheExtensionAndOpenNeverLosesTheShownPages) {
  RecordingMessageService boxes;
  ScopedMessageService scope(&boxes);
  QTemporaryDir dir;
  auto report = SampleReport(4, {{2, "Memo1", 10, 10, {"third"}, ""}});
  Show(*report);
  const std::string base = dir.path().toStdString() + "/saved";
  ASSERT_TRUE(form.SaveFile(base + ".txt"));
  EXPECT_TRUE(std::ifstream(base + ".frp").good());
  EXPECT_FALSE(std::ifstream(base + ".txt").good());
  EXPECT_EQ(form.Pages()->Count(), 4);

  // A file that is no prepared report leaves the pages on screen.
  const std::string junk = dir.path().toStdString() + "/junk.frp";
  std::ofstream(junk) << "not a prepared report at all";
  viewer.SetCurrentPage(3);
  EXPECT_FALSE(form.LoadFile(junk));
  EXPECT_EQ(form.Pages()->Count(), 4);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_FALSE(form.LoadFile(dir.path().toStdString() + "/missing.frp"));
  EXPECT_EQ(form.Pages()->Count(), 4);
  // A save that fails says so and keeps the pages.
  EXPECT_FALSE(form.SaveFile(dir.path().toStdString() + "/no/such/folder/x.frp"));
  EXPECT_EQ(form.Pages()->Count(), 4);
  EXPECT_EQ(boxes.boxes.size(), 3u);

  auto small = SampleReport(2);
  TfrPreviewForm other;
  other.Viewer().TakePages(*small);
  ASSERT_TRUE(other.SaveFile(dir.path().toStdString() + "/two"));
  ASSERT_TRUE(form.LoadFile(dir.path().toStdString() + "/two.frp"));
  EXPECT_EQ(form.Pages()->Count(), 2);
  EXPECT_EQ(Counter(), "Page 1/2");
}

TEST_F(PreviewWindow, PlacementIsRestoredWhenTheWindowOpensAgain) {
  auto report = SampleReport(1);
  {
    TfrPreviewForm first;
    report->ModalPreview = false;
    first.ShowFor(*report);
    first.setWindowState(Qt::WindowNoState);
    first.setGeometry(100, 50, 640, 480);
    first.close();
  }
  QSettings settings("lumenfoldi", "lumenfoldi");
  EXPECT_EQ(settings.value("Form/TfrPreviewForm/Width").toString(), "640");
  EXPECT_EQ(settings.value("Form/TfrPreviewForm/Maximized").toString(), "0");
  {
    TfrPreviewForm second;
    second.Viewer().TakePages(*report);
    second.show();
    EXPECT_FALSE(second.isMaximized());
    EXPECT_EQ(second.geometry().size(), QSize(640, 480));
    second.setWindowState(Qt::WindowMaximized);
    second.close();
  }
  TfrPreviewForm third;
  third.show();
  EXPECT_TRUE(third.isMaximized());
  third.close();

  // Damaged values keep the window's own geometry.
  settings.setValue("Form/TfrPreviewForm/Maximized", "0");
  settings.setValue("Form/TfrPreviewForm/Width", QString::number(kMaxWindowExtent + 1));
  settings.setValue("Form/TfrPreviewForm/Height", "tall");
  settings.sync();
  TfrPreviewForm fourth;
  fourth.setWindowState(Qt::WindowNoState);
  fourth.resize(500, 400);
  fourth.show();
  EXPECT_EQ(fourth.size(), QSize(500, 400));
}

}  // namespace
}  // namespace lf
