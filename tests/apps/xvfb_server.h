// A private X server for window tests, and how much of a report a
// screenshot of the control shows.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QColor>
#include <QImage>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace lf::test {

// An X server on a display number nobody uses, stopped with the fixture.
class XvfbServer {
 public:
  XvfbServer() {
    if (std::system("command -v Xvfb >/dev/null 2>&1") != 0) return;
    for (int n = 91; n < 191 && display_ < 0; ++n) {
      if (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n)) || std::filesystem::exists("/tmp/.X" + std::to_string(n) + "-lock"))
        continue;
      pid_ = fork();
      if (pid_ == 0) {
        std::string name = ":" + std::to_string(n);
        execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", (char*)nullptr);
        _exit(127);
      }
      // The server is up once its socket exists; give up after 20 s.
      for (int i = 0; i < 200 && display_ < 0; ++i) {
        if (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n))) display_ = n;
        else if (waitpid(pid_, nullptr, WNOHANG) == pid_) break;
        else std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
      if (display_ < 0) Stop();
    }
  }
  ~XvfbServer() { Stop(); }
  int Display() const { return display_; }

 private:
  void Stop() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
  }
  pid_t pid_ = -1;
  int display_ = -1;
};

// Pixels on the first sheet that are not paper-white: the sheet is found
// as the white run on a line just below its top edge.
inline int InkOnFirstSheet(const QImage& image) {
  const int y0 = 41 + 14;  // the button panel, the gap above the sheet and its outline
  int left = -1, right = -1;
  for (int x = 0; x < image.width() - 20; ++x) {
    if (image.pixelColor(x, y0) == Qt::white) {
      if (left < 0) left = x;
      right = x;
    }
  }
  if (left < 0) return 0;
  int ink = 0;
  for (int y = y0; y < image.height() - 24; ++y)
    for (int x = left; x <= right; ++x)
      if (image.pixelColor(x, y).lightness() < 200) ++ink;
  return ink;
}

}  // namespace lf::test
