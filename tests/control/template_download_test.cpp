// Tests of setParams' template download against scripted servers on
// 127.0.0.1: the downloaded template is loaded into frReport1, a failed
// download keeps the previous template, a bad template is reported by the
// load and the call still succeeds.
#include <gtest/gtest.h>

#include <memory>

#include "control/lumenfoldi.h"
#include "engine/model/memo_view.h"
#include "engine/model/page.h"
#include "engine/model/report.h"
#include "engine/template/template_format.h"
#include "net/scripted_server.h"
#include "platform/code_page.h"
#include "platform/message_box.h"

namespace lf {
namespace {

using test::ScriptedServer;

std::string Reply(const std::string& body) {
  return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// A template of one page with one text object of that name.
std::string TemplateBytes(const std::string& objectName) {
  TfrReport r;
  auto memo = std::make_unique<TfrMemoView>();
  memo->Name = objectName;
  memo->Memo = {"[cds0.a]"};
  r.Pages->Add()->AddObject(std::move(memo));
  TMemoryStream s;
  SaveToStream(r, s);
  return s.Bytes();
}

const char* const kData = "[{\"a\":\"1\"},{\"a\":\"2\"}]";

class TemplateDownload : public testing::Test {
 protected:
  TemplateDownload() : boxes_(&recorder_) {}

  std::vector<std::string> Boxes() const {
    std::vector<std::string> out;
    for (const MessageBoxRequest& b : recorder_.boxes) out.push_back(HostToUtf8(b.caption + ": " + b.text));
    return out;
  }
  void Call(ScriptedServer& server, const std::string& templatePath) {
    control_.setParams(Utf8ToUtf16(server.Base() + templatePath + "," + server.Base() + "/d.json"));
  }

  RecordingMessageService recorder_;
  ScopedMessageService boxes_;
  Tlumenfoldi control_;
};

TEST_F(TemplateDownload, LoadsTheDownloadedTemplateIntoTheReport) {
  ScriptedServer server({ScriptedServer::Reply(Reply(kData)),
                         ScriptedServer::Reply(Reply(TemplateBytes("Amount")))});
  Call(server, "/t.frf");
  EXPECT_TRUE(Boxes().empty());
  ASSERT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(server.Requests()[1].substr(0, server.Requests()[1].find("\r\n")), "GET /t.frf HTTP/1.0");
  ASSERT_EQ(control_.frReport1().Pages->Count(), 1);
  EXPECT_NE(control_.frReport1().FindObject("Amount"), nullptr);
  EXPECT_EQ(control_.tables().size(), 1u);
}

TEST_F(TemplateDownload, FailedDownloadKeepsThePreviousTemplateAndTheNewTables) {
  ScriptedServer first({ScriptedServer::Reply(Reply(kData)),
                        ScriptedServer::Reply(Reply(TemplateBytes("First")))});
  Call(first, "/t.frf");
  ScriptedServer second({ScriptedServer::Reply(Reply("[{\"b\":\"x\"}] [{\"c\":\"y\"}]")),
                         ScriptedServer::Reply("HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n")});
  Call(second, "/missing.frf");
  EXPECT_EQ(Boxes(), std::vector<std::string>{"错误: 加载报告格式失败,错误号0"});
  EXPECT_NE(control_.frReport1().FindObject("First"), nullptr);
  EXPECT_EQ(control_.tables().size(), 2u);
}

TEST_F(TemplateDownload, BadTemplateIsReportedByTheLoadAndTheCallSucceeds) {
  ScriptedServer server({ScriptedServer::Reply(Reply(kData)),
                         ScriptedServer::Reply(Reply(std::string("\xFF garbage", 9)))});
  EXPECT_NO_THROW(Call(server, "/t.frf"));
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Error: Unsupported FRF format"});
}

TEST_F(TemplateDownload, TemplateAddressMissingTakesTheTemplateFailurePath) {
  ScriptedServer server({ScriptedServer::Reply(Reply(kData))});
  control_.setParams(Utf8ToUtf16(server.Base() + "/d.json"));
  EXPECT_EQ(Boxes(), std::vector<std::string>{"错误: 加载报告格式失败,错误号0"});
  EXPECT_EQ(control_.tables().size(), 1u);
}

}  // namespace
}  // namespace lf
