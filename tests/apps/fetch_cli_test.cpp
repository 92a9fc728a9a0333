// Tests of "lumenfoldi fetch" against scripted servers on 127.0.0.1.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <QCoreApplication>
#include <QProcess>

#include "net/scripted_server.h"
#include "net/tls_server.h"

namespace lf {
namespace {

using test::ScriptedServer;

struct CliRun {
  int exitCode = -1;
  std::string out, err;
};

std::string Slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class FetchCli : public testing::Test {
 protected:
  FetchCli() : dir_(std::filesystem::temp_directory_path() / ("lf_fetch_" + std::to_string(getpid()))) {
    std::filesystem::create_directories(dir_ / "xdg");
    std::filesystem::permissions(dir_ / "xdg", std::filesystem::perms::owner_all);
  }
  ~FetchCli() override { std::filesystem::remove_all(dir_); }

  CliRun Cli(const std::string& args) {
    std::string cmd = "XDG_RUNTIME_DIR='" + (dir_ / "xdg").string() + "' '" LF_CLI_PATH "' fetch " + args + " >'" +
                      (dir_ / "out").string() + "' 2>'" + (dir_ / "err").string() + "'";
    CliRun r;
    int status = std::system(cmd.c_str());
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = Slurp(dir_ / "out");
    r.err = Slurp(dir_ / "err");
    return r;
  }

  std::filesystem::path dir_;
};

TEST_F(FetchCli, WritesBodyByteForByteAndStatusLine) {
  std::string body("bin\0\xff\r\n\x80z", 9);
  std::string response = "HTTP/1.0 200 OK\r\nContent-Length: 9\r\n\r\n" + body;
  ScriptedServer server({ScriptedServer::Reply(response), ScriptedServer::Reply(response)});
  CliRun r = Cli(server.Base() + "/d.json");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, body);
  EXPECT_EQ(r.err, "HTTP 200 OK\n");

  std::filesystem::path file = dir_ / "body.bin";
  r = Cli("-o '" + file.string() + "' " + server.Base() + "/d.json");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(Slurp(file), body);
}

TEST_F(FetchCli, FailedRequestExitsOneWithErrorLineAndNoFile) {
  ScriptedServer server({ScriptedServer::Reply("HTTP/1.0 404 Not Found\r\nContent-Length: 4\r\n\r\ngone")});
  std::filesystem::path file = dir_ / "never.bin";
  CliRun r = Cli("-o '" + file.string() + "' " + server.Base() + "/missing");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "EHttpException: Not Found (status 404)\n");
  EXPECT_FALSE(std::filesystem::exists(file));

  r = Cli("http://nothing-here.invalid/");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "EHttpException: can't resolve hostname to IP address (status 404)\n");
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
