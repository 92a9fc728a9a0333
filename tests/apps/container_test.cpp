// Hosts of the component library as users run them: lumenfoldi-container
// (registered library, properties by name, events, setParams, a screenshot
// on an X server) and the Python example.
#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <string>

#include "apps/cli_run.h"
#include "apps/xvfb_server.h"
#include "net/scripted_server.h"

namespace lf {
namespace {

namespace fs = std::filesystem;

#if defined(LF_COM_LIBRARY) && defined(LF_CONTAINER_PATH)

std::string Reply(const std::string& body) {
  return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// The output without the OnPaint lines, whose number depends on the platform.
std::string WithoutPaints(std::string out) {
  for (size_t at; (at = out.find("event OnPaint\n")) != std::string::npos;) out.erase(at, 14);
  return out;
}

class Container : public test::CliTest {
 protected:
  // Registers the library in a registry of the test's own.
  void SetUp() override {
    test::CliRun run = Cli("regsvr '" LF_COM_LIBRARY "'", "LUMENFOLDI_REGISTRY='" + Registry() + "'");
    ASSERT_EQ(run.exitCode, 0) << run.err;
  }
  std::string Registry() const { return Path("registry.reg"); }
  // Runs the container with a display setting and arguments; output in "out" and "err".
  test::CliRun RunContainer(const std::string& display, const std::string& args) const {
    const std::string cmd = "DBUS_SESSION_BUS_ADDRESS=disabled: XDG_RUNTIME_DIR='" + Path("xdg") + "' " + display +
                            " '" LF_CONTAINER_PATH "' --registry '" + Registry() + "' " + args + " >'" +
                            Path("out") + "' 2>'" + Path("err") + "'";
    const int status = std::system(cmd.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(Path("out")), Slurp(Path("err"))};
  }
  static std::string Example(const std::string& name) {
    return Slurp(std::string(LF_SOURCE_DIR) + "/examples/invoice/" + name);
  }
};

TEST_F(Container, ShowsTheReportInsideItsWindowOnAnXServer) {
  test::XvfbServer server;
  if (server.Display() < 0) GTEST_SKIP() << "Xvfb is not installed (scripts/install-deps installs it)";
  test::ScriptedServer http({test::ScriptedServer::Reply(Reply(Example("data.json"))),
                             test::ScriptedServer::Reply(Reply(Example("template.frf")))});
  const std::string shot = Path("shot.png");
  test::CliRun run = RunContainer("QT_QPA_PLATFORM=xcb DISPLAY=:" + std::to_string(server.Display()),
                               "--set caption=Invoices --set Color=255 --screenshot '" + shot + "' '" + http.Base() +
                                   "/template.frf," + http.Base() + "/data.json'");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out.rfind("event OnCreate\n", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("setParams: 0x00000000\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("event OnPaint\n"), std::string::npos) << run.out;
  EXPECT_GE(run.out.size(), 16u);
  EXPECT_EQ(run.out.substr(run.out.size() - 16), "event OnDestroy\n");
  QImage image(QString::fromStdString(shot));
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(870, 480));
  EXPECT_GT(test::InkOnFirstSheet(image), 100);
}

TEST_F(Container, ReportsFailedSettingsAndCalls) {
  test::ScriptedServer http({test::ScriptedServer::Reply(Reply("[{\"Name\":1,\"name\":2}]"))});
  test::CliRun run = RunContainer("QT_QPA_PLATFORM=offscreen", "--set Nothing=1 --set AxBorderStyle=7 --screenshot '" +
                                                                 Path("shot.png") + "' '" + http.Base() + "/t.frf," +
                                                                 http.Base() + "/d.json'");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err,
            "lumenfoldi-container: --set Nothing: 0x80020006\n"
            "lumenfoldi-container: --set AxBorderStyle: 0x80070057 Invalid property value\n");
  EXPECT_EQ(WithoutPaints(run.out),
            "event OnCreate\nevent OnActivate\nsetParams: 0x8000FFFF cds0: Duplicate field name 'Name'\n"
            "event OnDeactivate\nevent OnDestroy\n");
}

TEST_F(Container, NeedsTheClassRegistered) {
  fs::remove(Registry());
  test::CliRun run = RunContainer("QT_QPA_PLATFORM=offscreen", "'a,b'");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "lumenfoldi-container: lumenfoldiProj1.lumenfoldi is not registered in " + Registry() +
                         " (lumenfoldi regsvr LIBRARY registers it)\n");
}

using PythonHost = test::CliTest;

TEST_F(PythonHost, DrivesTheControlThroughCtypes) {
#ifdef LF_SANITIZED
  GTEST_SKIP() << "a sanitized library cannot be loaded into python3";
#endif
  if (std::system("command -v python3 >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not installed";
  const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR='" + Path("xdg") +
                          "' LUMENFOLDI_REGISTRY='" + Path("none.reg") + "' python3 '" LF_SOURCE_DIR
                          "/examples/embed-python/host.py' --library '" LF_COM_LIBRARY "' >'" +
                          Path("out") + "' 2>'" + Path("err") + "'";
  const int status = std::system(cmd.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << Slurp(Path("err"));
  EXPECT_EQ(Slurp(Path("out")), "Caption: lumenfoldi\nevent OnCreate\nsetParams: 0x00000000\nevent OnDestroy\n");
}

#endif

}  // namespace
}  // namespace lf
