// Tests of "lumenfoldi fetch" against scripted servers on 127.0.0.1.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <QCoreApplication>
#include <QProcess>

#include "apps/cli_run.h"
#include "net/scripted_server.h"
#include "net/tls_server.h"

namespace lf {
namespace {

using test::CliRun;
using test::ScriptedServer;

class FetchCli : public test::CliTest {
 protected:
  // The C locale, so that system messages read the same everywhere.
  CliRun Fetch(const std::string& args) { return Cli("fetch " + args, "LC_ALL=C.UTF-8"); }
};

TEST_F(FetchCli, WritesBodyByteForByteAndStatusLine) {
  std::string body("bin\0\xff\r\n\x80z", 9);
  std::string response = "HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\n" + body;
  ScriptedServer server({ScriptedServer::Reply(response), ScriptedServer::Reply(response)});
  CliRun r = Fetch(server.Base() + "/d.json");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, body);
  EXPECT_EQ(r.err, "HTTP 200 OK\n");

  std::filesystem::path file = dir_ / "body.bin";
  r = Fetch("-o '" + file.string() + "' " + server.Base() + "/d.json");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(Slurp(file), body);
}

TEST_F(FetchCli, FailedRequestExitsOneWithErrorLineAndNoFile) {
  ScriptedServer server({ScriptedServer::Reply("HTTP/1.0 404 Not Found\r\nContent-Length: 4\r\n\r\ngone")});
  std::filesystem::path file = dir_ / "never.bin";
  CliRun r = Fetch("-o '" + file.string() + "' " + server.Base() + "/missing");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "EHttpException: Not Found (status 404)\n");
  EXPECT_FALSE(std::filesystem::exists(file));

  // An existing file survives a failed request, and no temporary file stays.
  ScriptedServer again({ScriptedServer::Reply("HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\nabc")});
  std::ofstream(file, std::ios::binary) << "precious";
  r = Fetch("-o '" + file.string() + "' " + again.Base() + "/cut");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(Slurp(file), "precious");
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_)) ++entries;
  EXPECT_EQ(entries, 4u);  // xdg, out, err, never.bin

  r = Fetch("http://nothing-here.invalid/");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "EHttpException: can't resolve hostname to IP address (status 404)\n");
}

TEST_F(FetchCli, FailedWritesExitOneWithTheSystemMessage) {
  std::string response = "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello";
  ScriptedServer server({ScriptedServer::Reply(response), ScriptedServer::Reply(response)});
  CliRun r = Fetch("-o /dev/full " + server.Base() + "/d");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "lumenfoldi fetch: cannot write '/dev/full': No space left on device\n");

  r = Fetch(server.Base() + "/d >/dev/full");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "lumenfoldi fetch: cannot write standard output: No space left on device\n");
}

// The program runs while this thread's event loop serves TLS, trusting the
// test certificate only when SSL_CERT_FILE names it.
TEST_F(FetchCli, HttpsHonoursSslCertFile) {
  test::TlsServer server({"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello"});
  ASSERT_TRUE(server.Ready());
  auto run = [&](const QString& certFile) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString((dir_ / "xdg").string()));
    env.insert("SSL_CERT_FILE", certFile);
    p.setProcessEnvironment(env);
    p.start(LF_CLI_PATH, {"fetch", QString::fromStdString(server.Base() + "/d.json")});
    while (!p.waitForFinished(10)) QCoreApplication::processEvents();
    return CliRun{p.exitCode(), p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
  };
  CliRun r = run(test::TlsTestFile("server.crt"));
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "hello");
  EXPECT_EQ(r.err, "HTTP 200 OK\n");

  r = run(QString::fromStdString((dir_ / "none.crt").string()));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "EHttpException: TLS handshake failed: The certificate is self-signed, and untrusted (status 404)\n");
  EXPECT_EQ(server.Requests().size(), 1u);
}

}  // namespace
}  // namespace lf
