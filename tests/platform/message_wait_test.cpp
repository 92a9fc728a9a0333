// Tests of the message wait: bounded waits, early return on events, and the
// terminating flag.
#include "platform/message_wait.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <chrono>

namespace lf {
namespace {

double SecondsOf(void (*f)()) {
  auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(MessageWait, WaitsAtMostTheGivenTimeAndNeverPastOneSecond) {
  // Events already pending would end the first wait at once.
  QCoreApplication::processEvents();
  double quiet = SecondsOf([] { WaitForMessages(200); });
  EXPECT_GE(quiet, 0.18);
  EXPECT_LT(quiet, 0.9);
  double capped = SecondsOf([] { WaitForMessages(5000); });
  EXPECT_LT(capped, 1.5);
}

TEST(MessageWait, ReturnsOnceAnEventHasBeenProcessed) {
  static bool fired = false;
  fired = false;
  QTimer::singleShot(50, [] { fired = true; });
  double waited = 0;
  for (int i = 0; i < 5 && !fired; ++i) waited += SecondsOf([] { WaitForMessages(1000); });
  EXPECT_TRUE(fired);
  EXPECT_LT(waited, 0.7);
}

TEST(MessageWait, QuitRequestMarksTheApplicationTerminating) {
  ASSERT_FALSE(ApplicationTerminating());
  // What quit() sends to the application while its event loop runs.
  QEvent quit(QEvent::Quit);
  QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
  EXPECT_TRUE(ApplicationTerminating());
  SetApplicationTerminating(false);
  EXPECT_FALSE(ApplicationTerminating());
}

}  // namespace
}  // namespace lf
