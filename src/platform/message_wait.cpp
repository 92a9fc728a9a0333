// Message waiting over the Qt event loop of the calling thread.
#include "platform/message_wait.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace lf {

namespace {

bool terminating = false;

// Watches the application for its quit request. Qt delivers quit() as a
// Quit event sent to the application object.
class QuitWatcher : public QObject {
 public:
  explicit QuitWatcher(QObject* parent) : QObject(parent) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) terminating = true;
    return false;
  }
};

void EnsureQuitWatcher() {
  static QCoreApplication* watched = nullptr;
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || app == watched) return;
  watched = app;
  // Parented to the application: destroyed with it.
  auto* watcher = new QuitWatcher(app);
  app->installEventFilter(watcher);
  QObject::connect(app, &QCoreApplication::aboutToQuit, watcher, [] { terminating = true; });
}

}  // namespace

void WaitForMessages(int maxMs) {
  maxMs = std::clamp(maxMs, 0, kMaxMessageWaitMs);
  if (!QCoreApplication::instance()) {
    QThread::msleep(static_cast<unsigned long>(maxMs));
    return;
  }
  EnsureQuitWatcher();
  // The timer guarantees that the blocking wait returns within maxMs.
  QTimer wake;
  wake.setSingleShot(true);
  wake.start(maxMs);
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void ProcessMessages() {
  if (!QCoreApplication::instance()) return;
  EnsureQuitWatcher();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool HasMessageLoop() {
  QCoreApplication* app = QCoreApplication::instance();
  return app && app->thread() == QThread::currentThread();
}

bool ApplicationTerminating() {
  EnsureQuitWatcher();
  return terminating;
}

void SetApplicationTerminating(bool value) { terminating = value; }

}  // namespace lf
