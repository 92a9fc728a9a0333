// setParams prepares the report once the template is loaded: the prepared
// pages stay with the report, a calculation error is shown and leaves none.
#include <gtest/gtest.h>

#include <QTimer>
#include <memory>

#include "control/lumenfoldi.h"
#include "engine/model/band_view.h"
#include "engine/model/memo_view.h"
#include "engine/output/emf_pages.h"
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

// One master data band over frdataset0 holding one text.
std::string ListTemplate(const std::string& text) {
  TfrReport r;
  TfrPage* page = r.Pages->Add();
  auto band = std::make_unique<TfrBandView>();
  band->Name = "MasterData1";
  band->SetBandType(btMasterData);
  band->SetBounds(0, 40, 600, 20);
  band->FormatStr = "frdataset0";
  page->AddObject(std::move(band));
  auto memo = std::make_unique<TfrMemoView>();
  memo->Name = "Amount";
  memo->SetBounds(40, 40, 100, 20);
  memo->Memo = {text};
  page->AddObject(std::move(memo));
  TMemoryStream s;
  SaveToStream(r, s);
  return s.Bytes();
}

class ReportPreparation : public testing::Test {
 protected:
  ReportPreparation() : boxes_(&recorder_) {}
  void Call(const std::string& templateBytes) {
    ScriptedServer server({ScriptedServer::Reply(Reply("[{\"a\":\"1\"},{\"a\":\"2\"}]")),
                           ScriptedServer::Reply(Reply(templateBytes))});
    control_.setParams(Utf8ToUtf16(server.Base() + "/t.frf," + server.Base() + "/d.json"));
  }

  RecordingMessageService recorder_;
  ScopedMessageService boxes_;
  Tlumenfoldi control_;
};

TEST_F(ReportPreparation, SetParamsLeavesThePreparedPagesWithTheReport) {
  Call(ListTemplate("[cds0.a]"));
  EXPECT_TRUE(recorder_.boxes.empty());
  TfrEMFPages& pages = *control_.frReport1().PreparedPages;
  ASSERT_EQ(pages.Count(), 1);
  pages.LoadPage(0);
  std::vector<std::string> texts;
  for (auto& obj : pages.PageAt(0).Page->Objects) texts.push_back(obj->Memo.empty() ? "" : obj->Memo[0]);
  EXPECT_EQ(texts, (std::vector<std::string>{"1", "2"}));
  EXPECT_FALSE(control_.frReport1().ModalPreview);
}

TEST_F(ReportPreparation, CalculationErrorIsShownAndTheCallSucceeds) {
  Call(ListTemplate("[UNKNOWNNAME]"));
  ASSERT_EQ(recorder_.boxes.size(), 1u);
  EXPECT_EQ(recorder_.boxes[0].caption, "Error");
  EXPECT_EQ(control_.frReport1().PreparedPages->Count(), 0);
  EXPECT_NE(control_.frReport1().FindObject("Amount"), nullptr);
}

// A host handler run while the preparation dispatches messages destroys the
// control: the call returns without touching it again. Run under the
// sanitizer build, a use after free fails this test.
TEST_F(ReportPreparation, ControlDestroyedDuringThePreparationIsNotTouchedAgain) {
  ScriptedServer server({ScriptedServer::Reply(Reply("[{\"a\":\"1\"},{\"a\":\"2\"}]")),
                         ScriptedServer::Reply(Reply(ListTemplate("[cds0.a]")))});
  auto control = std::make_unique<Tlumenfoldi>();
  Tlumenfoldi* raw = control.get();
  raw->frReport1().OnBeginDoc = [&control] { QTimer::singleShot(0, [&control] { control.reset(); }); };
  raw->setParams(Utf8ToUtf16(server.Base() + "/t.frf," + server.Base() + "/d.json"));
  EXPECT_EQ(control, nullptr);
  EXPECT_TRUE(recorder_.boxes.empty());
}

}  // namespace
}  // namespace lf
