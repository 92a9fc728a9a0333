// Test entry point: a headless GUI application so fonts, sockets and event
// loops work in every test program.
#include <QGuiApplication>
#ifdef LF_TEST_WIDGETS
#include <QApplication>
#endif
#include <gtest/gtest.h>
#include <cstdlib>
#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // Tests compare whole messages, system errors included: those stay in
  // English, while numbers and dates follow whatever locale the run asked
  // for (LC_ALL would override LC_MESSAGES, so it becomes LANG).
  if (const char* all = getenv("LC_ALL"); all && *all) {
    setenv("LANG", all, 1);
    unsetenv("LC_ALL");
  }
  setenv("LC_MESSAGES", "C.UTF-8", 1);
  // Qt wants a private runtime folder and warns on every start without one.
  if (!getenv("XDG_RUNTIME_DIR")) {
    std::string dir = "/tmp/runtime-" + std::to_string(getuid());
    if (mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST) setenv("XDG_RUNTIME_DIR", dir.c_str(), 0);
  }
#ifdef LF_TEST_WIDGETS
  QApplication app(argc, argv);
#else
  QGuiApplication app(argc, argv);
#endif
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
