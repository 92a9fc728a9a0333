// lumenfoldi-view on a real X server: it shows the control, loads an
// example, and its screenshot shows the report on the sheet.
#include <gtest/gtest.h>
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

#include "apps/cli_run.h"
#include "apps/xvfb_server.h"

namespace lf {
namespace {

namespace fs = std::filesystem;
using test::InkOnFirstSheet;
using test::XvfbServer;

// Only the fresh folder: the program run here is the viewer.
using ViewScreenshot = test::CliTest;

TEST_F(ViewScreenshot, ShowsTheExampleReportOnAnXServer) {
  if (!fs::exists(LF_VIEW_PATH)) GTEST_SKIP() << "lumenfoldi-view is not built in this tree";
  XvfbServer server;
  if (server.Display() < 0) GTEST_SKIP() << "Xvfb is not installed (scripts/install-deps installs it)";
  const std::string example = std::string(LF_SOURCE_DIR) + "/examples/invoice/";
  const std::string shot = Path("shot.png");
  // The private X server has no desktop session, hence no session bus: without
  // this, the D-Bus library tries to start one and leaks what it read.
  const std::string cmd = "DBUS_SESSION_BUS_ADDRESS=disabled: DISPLAY=:" + std::to_string(server.Display()) +
                          " QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR='" +
                          Path("xdg") + "' XDG_CONFIG_HOME='" + dir_.string() + "' '" LF_VIEW_PATH
                          "' --screenshot '" + shot + "' '" + example + "template.frf," + example +
                          "data.json' 2>'" + Path("err") + "'";
  const int status = std::system(cmd.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << cmd << "\n" << Slurp(Path("err"));
  QImage image(QString::fromStdString(shot));
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(870, 480));
  EXPECT_GT(InkOnFirstSheet(image), 100);
}

}  // namespace
}  // namespace lf
