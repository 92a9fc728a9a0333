// Tests of setParams' data download against scripted servers on 127.0.0.1.
#include <gtest/gtest.h>

#include <QTimer>

#include "control/lumenfoldi.h"
#include "net/scripted_server.h"
#include "platform/code_page.h"
#include "platform/message_box.h"

namespace lf {
namespace {

using test::ScriptedServer;

std::string JsonReply(const std::string& body) {
  return "HTTP/1.0 200 OK\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\n\r\n" + body;
}

std::vector<std::string> TableNames(const Tlumenfoldi& control) {
  std::vector<std::string> names;
  for (TClientDataSet* t : control.tables()) names.push_back(t->Name());
  return names;
}

class DataDownload : public testing::Test {
 protected:
  DataDownload() : boxes_(&recorder_) {}

  // The data-failure boxes shown so far.
  int DataFailures() const {
    int n = 0;
    for (const MessageBoxRequest& b : recorder_.boxes)
      if (b.text == Utf8ToHost("加载数据失败,错误号0")) ++n;
    return n;
  }

  RecordingMessageService recorder_;
  ScopedMessageService boxes_;
  Tlumenfoldi control_;
};

TEST_F(DataDownload, BuildsTablesFromTheDataAddress) {
  ScriptedServer server({ScriptedServer::Reply(JsonReply("[{\"a\":\"1\"},{\"a\":\"2\"}]\n[{\"b\":\"x\"}]"))});
  std::string param = "http://127.0.0.1:1/t.frf," + server.Base() + "/d.json?x=1,2";
  control_.setParams(Utf8ToUtf16(param));
  EXPECT_EQ(DataFailures(), 0);
  EXPECT_EQ(control_.dataUrl(), server.Base() + "/d.json?x=1,2");
  EXPECT_EQ(TableNames(control_), (std::vector<std::string>{"cds0", "cds1"}));
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].substr(0, server.Requests()[0].find("\r\n")), "GET /d.json?x=1,2 HTTP/1.0");
}

TEST_F(DataDownload, KeepsChineseBytesOfTheHostCodePage) {
  ScopedHostCodePage gbk("GBK");
  std::string data = Utf8ToHost("[{\"名称\":\"张三\"}]");
  ScriptedServer server({ScriptedServer::Reply(JsonReply(data))});
  control_.setParams(Utf8ToUtf16("," + server.Base() + "/d.json"));
  ASSERT_EQ(control_.tables().size(), 1u);
  TClientDataSet& t = *control_.tables()[0];
  t.First();
  EXPECT_EQ(t.FieldNamed(Utf8ToHost("名称")).AsString(), Utf8ToHost("张三"));
}

TEST_F(DataDownload, FailedDownloadShowsBoxAndKeepsPreviousTables) {
  ScriptedServer server({ScriptedServer::Reply(JsonReply("[{\"a\":\"1\"}]")),
                         ScriptedServer::Reply("HTTP/1.0 404 Not Found\r\n\r\n")});
  control_.setParams(Utf8ToUtf16("," + server.Base() + "/first.json"));
  ASSERT_EQ(TableNames(control_), std::vector<std::string>{"cds0"});
  TClientDataSet* first = control_.tables()[0];

  for (std::string address : {server.Base() + "/gone.json", std::string("http://nowhere.invalid/d.json"), std::string()}) {
    recorder_.boxes.clear();
    control_.setParams(Utf8ToUtf16("tpl," + address));
    ASSERT_EQ(recorder_.boxes.size(), 1u) << address;
    const MessageBoxRequest& box = recorder_.boxes[0];
    EXPECT_EQ(box.caption, Utf8ToHost("错误"));
    EXPECT_EQ(box.text, Utf8ToHost("加载数据失败,错误号0"));
    EXPECT_EQ(box.flags, mbOK);
    EXPECT_EQ(control_.paramText(), "tpl," + address);
    EXPECT_EQ(control_.templateUrl(), "tpl");
    EXPECT_EQ(control_.dataUrl(), address);
    ASSERT_EQ(control_.tables().size(), 1u);
    EXPECT_EQ(control_.tables()[0], first);
  }
}

TEST_F(DataDownload, SecondCallWhileWaitingTakesTheFailurePath) {
  ScriptedServer server({[](test::ServerConnection& c) {
    c.ReadRequest();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    c.Send(JsonReply("[{\"first\":\"1\"}]"));
  }});
  bool nestedRan = false;
  QTimer::singleShot(100, [&] {
    control_.setParams(u",http://127.0.0.1:1/second.json");
    nestedRan = true;
    EXPECT_EQ(DataFailures(), 1);
  });
  control_.setParams(Utf8ToUtf16("," + server.Base() + "/first.json"));
  EXPECT_TRUE(nestedRan);
  EXPECT_EQ(DataFailures(), 1);
  // The refused call's parameter is stored, as after any data failure.
  EXPECT_EQ(control_.dataUrl(), "http://127.0.0.1:1/second.json");
  ASSERT_EQ(TableNames(control_), std::vector<std::string>{"cds0"});
  EXPECT_EQ(server.Requests().size(), 1u);
  // The running call filled its tables from its own address.
  TClientDataSet& t = *control_.tables()[0];
  t.First();
  EXPECT_EQ(t.FieldNamed("first").AsString(), "1");
}

// The control goes away while its download waits (a handler run during the
// wait destroys it): the call returns without touching it again. Run under
// the sanitizer build, a use after free fails this test.
TEST_F(DataDownload, ControlDestroyedDuringTheDownloadIsNotTouchedAgain) {
  for (bool templateStep : {false, true}) {
    ScriptedServer server({templateStep ? ScriptedServer::Reply(JsonReply("[{\"a\":\"1\"}]")) : ScriptedServer::Silent(),
                           ScriptedServer::Silent()});
    auto control = std::make_unique<Tlumenfoldi>();
    Tlumenfoldi* raw = control.get();
    QTimer::singleShot(200, [&] { control.reset(); });
    raw->setParams(Utf8ToUtf16(server.Base() + "/t.frf," + server.Base() + "/d.json"));
    EXPECT_EQ(control, nullptr);
    EXPECT_EQ(recorder_.boxes.size(), 0u);
  }
}

}  // namespace
}  // namespace lf
