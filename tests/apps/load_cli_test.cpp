// Tests of "lumenfoldi load" against a scripted server on 127.0.0.1.
#include <gtest/gtest.h>

#include "apps/cli_run.h"
#include "net/scripted_server.h"

namespace lf {
namespace {

using test::CliRun;
using test::ScriptedServer;

class LoadCli : public test::CliTest {
 protected:
  CliRun Load(const std::string& args) { return Cli("load " + args); }
};

std::string JsonReply(const std::string& body) {
  return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST_F(LoadCli, PrintsTablesOfTheDownloadedData) {
  ScriptedServer server({ScriptedServer::Reply(JsonReply("[{\"a\":\"1\"},{\"a\":\"2\"}]\n[{\"b\":\"x\"}]"))});
  CliRun r = Load("'," + server.Base() + "/d.json'");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\"name\":\"cds0\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"name\":\"cds1\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("[\"2\"]"), std::string::npos) << r.out;
  EXPECT_EQ(r.err.find("加载数据失败"), std::string::npos) << r.err;
}

TEST_F(LoadCli, FailedDownloadShowsTheBoxLineAndSucceeds) {
  ScriptedServer server({ScriptedServer::Reply("HTTP/1.0 404 Not Found\r\n\r\n")});
  for (const std::string& address : {server.Base() + "/d.json", std::string("http://nowhere.invalid/")}) {
    CliRun r = Load("--codepage GBK 't," + address + "'");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "{\"tables\":[]}\n");
    EXPECT_EQ(r.err, "错误: 加载数据失败,错误号0\n");
  }
}

TEST_F(LoadCli, DataErrorExitsOneWithItsMessage) {
  ScriptedServer server({ScriptedServer::Reply(JsonReply("[{\"\":\"1\"}]"))});
  CliRun r = Load("'," + server.Base() + "/d.json'");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "lumenfoldi load: cds0: Field name missing\n");
  EXPECT_EQ(r.out, "{\"tables\":[],\"error\":\"cds0: Field name missing\"}\n");
}

}  // namespace
}  // namespace lf
