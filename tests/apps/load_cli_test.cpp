// Tests of "lumenfoldi load" against a scripted server on 127.0.0.1.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "net/scripted_server.h"

namespace lf {
namespace {

using test::ScriptedServer;

struct LoadRun {
  int exitCode = -1;
  std::string out, err;
};

class LoadCli : public testing::Test {
 protected:
  LoadCli() : dir_(std::filesystem::temp_directory_path() / ("lf_load_" + std::to_string(getpid()))) {
    std::filesystem::create_directories(dir_ / "xdg");
    std::filesystem::permissions(dir_ / "xdg", std::filesystem::perms::owner_all);
  }
  ~LoadCli() override { std::filesystem::remove_all(dir_); }

  std::string Slurp(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  LoadRun Cli(const std::string& args) {
    std::string cmd = "XDG_RUNTIME_DIR='" + (dir_ / "xdg").string() + "' '" LF_CLI_PATH "' load " + args + " >'" +
                      (dir_ / "out").string() + "' 2>'" + (dir_ / "err").string() + "'";
    LoadRun r;
    int status = std::system(cmd.c_str());
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = Slurp("out");
    r.err = Slurp("err");
    return r;
  }

  std::filesystem::path dir_;
};

std::string JsonReply(const std::string& body) {
  return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST_F(LoadCli, PrintsTablesOfTheDownloadedData) {
  ScriptedServer server({ScriptedServer::Reply(JsonReply("[{\"a\":\"1\"},{\"a\":\"2\"}]\n[{\"b\":\"x\"}]"))});
  LoadRun r = Cli("'," + server.Base() + "/d.json'");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\"name\":\"cds0\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"name\":\"cds1\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("[\"2\"]"), std::string::npos) << r.out;
  EXPECT_EQ(r.err.find("加载数据失败"), std::string::npos) << r.err;
}

TEST_F(LoadCli, FailedDownloadShowsTheBoxLineAndSucceeds) {
  ScriptedServer server({ScriptedServer::Reply("HTTP/1.0 404 Not Found\r\n\r\n")});
  for (const std::string& address : {server.Base() + "/d.json", std::string("http://nowhere.invalid/")}) {
    LoadRun r = Cli("--codepage GBK 't," + address + "'");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "{\"tables\":[]}\n");
    EXPECT_EQ(r.err, "错误: 加载数据失败,错误号0\n");
  }
}

TEST_F(LoadCli, DataErrorExitsOneWithItsMessage) {
  ScriptedServer server({ScriptedServer::Reply(JsonReply("[{\"\":\"1\"}]"))});
  LoadRun r = Cli("'," + server.Base() + "/d.json'");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "lumenfoldi load: cds0: Field name missing\n");
  EXPECT_EQ(r.out, "{\"tables\":[],\"error\":\"cds0: Field name missing\"}\n");
}

}  // namespace
}  // namespace lf
