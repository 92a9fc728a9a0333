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
  // A wait asked for longer than a second ends on its own one-second timer,
  // long before a timer due much later.
  static bool late = false;
  late = false;
  QTimer sentinel;
  sentinel.setSingleShot(true);
  QObject::connect(&sentinel, &QTimer::timeout, [] { late = true; });
  sentinel.start(30000);
  WaitForMessages(60000);
  EXPECT_FALSE(late);
}

TEST(MessageWait, ReturnsOnceAnEventHasBeenProcessed) {
  static bool fired = false;
  fired = false;
  ProcessMessages();  // events the start left pending would end a wait early
  QTimer::singleShot(50, [] { fired = true; });
  // The timer is due long before the wait's own time-out: a wait sees it
  // (a second one only when some other event ended the first).
  int waits = 0;
  while (!fired && waits < 5) {
    WaitForMessages(1000);
    ++waits;
  }
  EXPECT_TRUE(fired);
  EXPECT_LE(waits, 2);
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
