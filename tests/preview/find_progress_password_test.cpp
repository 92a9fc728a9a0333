// The find command and F3, the progress window's Cancel, and the password
// prompt, each driven through its window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "platform/code_page.h"
#include "platform/password_prompt.h"
#include "preview/page_box.h"
#include "preview/password_form.h"
#include "preview/preview_form.h"
#include "preview/progress_form.h"
#include "preview/text_search.h"
#include "sample_pages.h"

namespace lf {
namespace {

class FindText : public ::testing::Test {
 protected:
  void SetUp() override {
    SavedZoom() = {};
    // "Total" twice on page 2, once on page 5; other texts around them.
    report = SampleReport(6, {{0, "Memo1", 50, 50, {"Title"}, ""},
                              {1, "Memo2", 50, 100, {"Grand Total"}, ""},
                              {1, "Memo3", 50, 300, {"nothing"}, ""},
                              {1, "Memo4", 50, 900, {"Total due"}, ""},
                              {4, "Memo5", 300, 500, {"Sub", "TOTAL"}, ""}});
    report->ModalPreview = false;
    form.setWindowState(Qt::WindowNoState);
    form.ShowFor(*report);
    form.setWindowState(Qt::WindowNoState);
    form.resize(900, 600);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  }
  void F3() { QTest::keyClick(viewer.ScrollBox1(), Qt::Key_F3); }

  std::unique_ptr<TfrReport> report;
  TfrPreviewForm form;
  PageViewer& viewer = form.Viewer();
};

TEST_F(FindText, WalksTheMatchesPageByPageWithF3) {
  form.StartFind("Total", true, false);
  ASSERT_TRUE(viewer.Found().has_value());
  EXPECT_EQ(viewer.CurrentPage(), 2);
  const int firstTop = viewer.Found()->Rect.Top;
  F3();
  ASSERT_TRUE(viewer.Found().has_value());
  EXPECT_EQ(viewer.CurrentPage(), 2);
  EXPECT_GT(viewer.Found()->Rect.Top, firstTop);
  // The text's place lies in the box after the scroll.
  const CanvasRect& page = viewer.View().Bounds()[1];
  const int y = page.Top + viewer.View().OriginY() + int(viewer.Found()->Rect.Top * viewer.Scale());
  EXPECT_GE(y, 0);
  EXPECT_LT(y, viewer.PBox()->height());
  // Case-sensitive: "TOTAL" on page 5 is no match.
  F3();
  EXPECT_FALSE(viewer.Found().has_value());
  EXPECT_EQ(viewer.CurrentPage(), 2);
  EXPECT_EQ(form.FindState().FindPage, 6);
}

TEST_F(FindText, IgnoringCaseFindsUpperCaseAndStartsAgainOnTheCurrentPage) {
  form.StartFind("total", false, false);
  EXPECT_EQ(viewer.CurrentPage(), 2);
  F3();
  EXPECT_EQ(viewer.CurrentPage(), 2);
  F3();
  ASSERT_TRUE(viewer.Found().has_value());
  EXPECT_EQ(viewer.CurrentPage(), 5);
  F3();  // nothing after it
  EXPECT_FALSE(viewer.Found().has_value());
  EXPECT_EQ(viewer.CurrentPage(), 5);
  F3();  // the current page is page 5 again: found once more
  ASSERT_TRUE(viewer.Found().has_value());
  EXPECT_EQ(viewer.CurrentPage(), 5);
  // From the current page after paging elsewhere: that page's first match.
  viewer.SetCurrentPage(2);
  form.StartFind("total", false, true);
  EXPECT_EQ(viewer.CurrentPage(), 2);
  EXPECT_EQ(form.FindState().FindRecord > 0, true);
}

TEST_F(FindText, EmptyTextNeverMatchesAndF3WithoutTextDoesNothing) {
  F3();
  EXPECT_FALSE(viewer.Found().has_value());
  form.StartFind("", false, false);
  EXPECT_FALSE(viewer.Found().has_value());
  EXPECT_EQ(viewer.CurrentPage(), 1);
  // Searched pages keep no objects.
  for (int i = 0; i < form.Pages()->Count(); ++i) {
    if (!form.Pages()->PageAt(i).Shown) {
      EXPECT_EQ(form.Pages()->PageAt(i).Page, nullptr) << i;
    }
  }
}

TEST(SearchKey, UpperCasesByCharactersOfTheHostCodePage) {
  ScopedHostCodePage cp("CP1251");
  EXPECT_EQ(SearchKey("\xe8\xf2\xee\xe3", false), "\xc8\xd2\xce\xc3");  // итог -> ИТОГ
  EXPECT_EQ(SearchKey("\xe8\xf2\xee\xe3", true), "\xe8\xf2\xee\xe3");
}

TEST(ProgressWindow, CancelStopsTheJobAndEndsTheWindow) {
  TfrReport report;
  TfrProgressForm window;
  int checks = 0;
  int result = window.ShowModalFor(report, [&](TfrProgressForm& w) {
    w.SetLine1("Processing page: 1");
    QTimer::singleShot(0, [&] { QTest::mouseClick(w.findChild<QPushButton*>("Button1"), Qt::LeftButton); });
    // The job checks the report's stop flag after each page.
    while (!report.StopRequested && checks < 1000) {
      ++checks;
      QApplication::processEvents();
    }
    w.EndJob(!report.StopRequested);
  });
  EXPECT_EQ(result, QDialog::Rejected);
  EXPECT_TRUE(report.StopRequested);
  EXPECT_LT(checks, 1000);
  EXPECT_FALSE(window.isVisible());

  report.StopRequested = false;
  EXPECT_EQ(window.ShowModalFor(report, [](TfrProgressForm& w) { w.EndJob(true); }), QDialog::Accepted);
  EXPECT_EQ(window.ShowModalFor(report, [](TfrProgressForm&) { throw Exception("job failed"); }),
            QDialog::Rejected);
  ASSERT_TRUE(window.JobError());
  EXPECT_THROW(std::rethrow_exception(window.JobError()), Exception);
}

TEST(PasswordWindow, AnswersTheTypedTextOrNothingOnCancel) {
  WindowPasswordPrompt prompt;
  ScopedPasswordPrompt scope(&prompt);
  auto answer = [&](const char* typed, const char* button) {
    QTimer::singleShot(0, [=] {
      auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(window, nullptr);
      EXPECT_EQ(window->windowTitle(), "Password");
      auto* edit = window->findChild<QLineEdit*>("E1");
      EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
      QTest::keyClicks(edit, typed);
      QTest::mouseClick(window->findChild<QPushButton*>(button), Qt::LeftButton);
    });
    return CurrentPasswordPrompt().AskPassword("", "");
  };
  EXPECT_EQ(answer("s3cret", "OK"), std::optional<std::string>("s3cret"));
  EXPECT_EQ(answer("s3cret", "Cancel"), std::nullopt);
}

}  // namespace
}  // namespace lf
