// Prepared pages: making pages, rebuilding and storing their objects, and
// hit tests with their hyperlinks.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "engine/model/line_view.h"
#include "engine/model/memo_view.h"
#include "engine/model/page.h"
#include "engine/model/report.h"
#include "engine/model/view_factory.h"
#include "engine/output/emf_pages.h"
#include "engine/output/prepared_report_file.h"
#include "engine/run/engine_state_scope.h"
#include "engine/run/globals.h"
#include "engine/template/template_stream.h"
#include "prepared_pages_sample.h"

namespace lf {
namespace {

TfrPage A4Page() { return TfrPage(9, 2100, 2970, -1, false); }

TEST(PreparedPageList, AddRaisesBeginPageOfCurrentAndMasterReport) {
  TfrReport current, master;
  std::vector<std::string> events;
  current.OnBeginPage = [&](int n) { events.push_back("current " + std::to_string(n)); };
  master.OnBeginPage = [&](int n) { events.push_back("master " + std::to_string(n)); };
  TfrEngineState& state = EngineState();
  auto saved = state;
  state.CurReport = &current;
  state.MasterReport = &master;
  state.PageNo = 4;
  TfrPage page = A4Page();
  master.PreparedPages->Add(page);
  state.MasterReport = &current;  // the same report is told once
  master.PreparedPages->Add(page);
  state.CurReport = saved.CurReport;
  state.MasterReport = saved.MasterReport;
  state.PageNo = saved.PageNo;
  EXPECT_EQ(events, (std::vector<std::string>{"current 4", "master 4", "current 4"}));
}

TEST(PreparedPageList, InsertPlacesPagesAndCopiesThePaper) {
  TfrEMFPages list(nullptr);
  TfrPage a4 = A4Page();
  TfrPage landscape(9, 2100, 2970, -1, true);
  landscape.SheetCoordinates = false;
  landscape.Margins = {10, 20, 30, 40};
  list.Insert(0, a4);
  list.Insert(5, a4);          // past the end: appended
  list.Insert(1, landscape);
  ASSERT_EQ(list.Count(), 3);
  const TPreparedPage& p = list.PageAt(1);
  EXPECT_EQ(p.Landscape, 1);
  EXPECT_EQ(p.SheetCoordinates, 0);
  EXPECT_EQ(p.Margins, (TfrPageMargins{10, 20, 30, 40}));
  EXPECT_EQ(p.Metrics, landscape.Metrics);
  EXPECT_EQ(p.Stream->Bytes(), std::string(1, '\x19'));
  EXPECT_EQ(list.PageAt(0).Landscape, 0);
  list.Delete(7);              // outside: nothing
  list.Delete(1);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.PageAt(1).Landscape, 0);
}

TEST(PreparedPageList, LoadPageRebuildsObjectsAndStorePageKeepsTheirTexts) {
  TfrEMFPages list(nullptr);
  TfrPage a4 = A4Page();
  list.Add(a4);
  TPreparedPage& p = list.PageAt(0);
  TfrMemoView memo;
  memo.Name = "Memo1";
  memo.SetBounds(10, 20, 200, 30);
  memo.WorkLines = {"Total", "\x01" "12.50"};
  memo.Memo = {"[cds0.total]"};  // the template text never reaches the page
  AppendRecord(p, memo);
  TfrLineView line;
  line.Name = "Line1";
  line.SetBounds(0, 60, 300, 0);
  AppendRecord(p, line);
  const std::string stored = p.Stream->Bytes();

  list.LoadPage(0);
  ASSERT_EQ(p.Page->Objects.size(), 2u);
  auto* loaded = dynamic_cast<TfrMemoView*>(p.Page->Objects[0].get());
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->Name, "Memo1");
  EXPECT_EQ(loaded->WorkLines, memo.WorkLines);
  EXPECT_EQ(loaded->Top, 20);
  EXPECT_FALSE(loaded->StreamMode);
  EXPECT_EQ(p.Page->Objects[1]->Name, "Line1");

  // Storing an unedited page gives its bytes back; an edited text is kept.
  list.StorePage(0);
  EXPECT_EQ(p.Stream->Bytes(), stored);
  loaded->Memo = {"changed"};
  list.StorePage(0);
  list.LoadPage(0);
  EXPECT_EQ(p.Page->Objects[0]->WorkLines, TfrLines{"changed"});
}

TEST(PreparedPageList, DamagedPageRecordsRaiseWithoutGrowingTheMissingList) {
  TfrEMFPages list(nullptr);
  TfrPage a4 = A4Page();
  list.Add(a4);
  TPreparedPage& p = list.PageAt(0);
  WriteU8(*p.Stream, gtAddIn);
  WriteFrString(*p.Stream, "TfrNoSuchView");
  const size_t missingBefore = MissingComponents().size();
  for (int i = 0; i < 3; ++i) EXPECT_THROW(list.LoadPage(0), EClassNotFound);
  EXPECT_EQ(MissingComponents().size(), missingBefore);

  list.Add(a4);
  WriteU8(*list.PageAt(1).Stream, 7);
  try {
    list.LoadPage(1);
    FAIL() << "no error";
  } catch (const EPreparedReportDamaged& e) {
    EXPECT_EQ(e.Message(), "Prepared page 2 damaged at byte 1 of its records: unknown object type code 7");
  }

  list.Add(a4);
  TfrMemoView memo;
  AppendRecord(list.PageAt(2), memo);
  list.PageAt(2).Stream->SetSize(list.PageAt(2).Stream->Size() - 3);
  EXPECT_THROW(list.LoadPage(2), EPreparedReportDamaged);
}

// Hit tests: links by name prefix, page links, refused addresses.
class PreparedPageHitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list.Add(a4);
    list.OpenLink = [this](const std::string& address) {
      opened.push_back(address);
      return true;
    };
  }
  void AddText(const std::string& name, const std::string& tag, int32_t left, int32_t top) {
    TfrMemoView memo;
    memo.Name = name;
    memo.Tag = tag;
    memo.SetBounds(left, top, 100, 20);
    AppendRecord(list.PageAt(0), memo);
  }
  bool Hit(int32_t x, int32_t y, bool click) {
    list.PageAt(0).Page.reset();
    return list.HitTest(0, x, y, link, cursor, click);
  }
  TfrReport report;
  TfrPage a4 = A4Page();
  TfrEMFPages list{&report};
  std::vector<std::string> opened;
  std::string link = "stale";
  int cursor = kCursorDefault;
};

TEST_F(PreparedPageHitTest, ClickOnPageLinkGivesTheLinkTextAndOpensNothing) {
  AddText("URL1", "@5", 10, 10);
  EXPECT_TRUE(Hit(10, 10, true));
  EXPECT_EQ(link, "@5");
  EXPECT_TRUE(opened.empty());
  // Right and bottom edges are outside.
  EXPECT_FALSE(Hit(110, 10, true));
  EXPECT_FALSE(Hit(10, 30, true));
  EXPECT_EQ(link, "");
}

struct LinkCase {
  const char* name;
  const char* tag;
  const char* opened;  // null: refused
};
void PrintTo(const LinkCase& c, std::ostream* os) { *os << c.name; }

class PreparedPageLinks : public PreparedPageHitTest,
                          public ::testing::WithParamInterface<LinkCase> {};

TEST_P(PreparedPageLinks, OnlyWebAndMailAddressesAreOpened) {
  AddText("URL_site", GetParam().tag, 0, 0);
  EXPECT_TRUE(Hit(5, 5, true));
  EXPECT_EQ(link, "");
  if (GetParam().opened) {
    EXPECT_EQ(opened, (std::vector<std::string>{GetParam().opened}));
    EXPECT_EQ(list.LinkStatus, std::string("Opened ") + GetParam().opened);
  } else {
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(list.LinkStatus, std::string("Link refused: only http, https and mailto addresses are opened: \"") +
                                   GetParam().tag + "\"");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, PreparedPageLinks,
    ::testing::Values(LinkCase{"Http", "http://example.org/a", "http://example.org/a"},
                      LinkCase{"HttpsUpperCaseTrimmed", "  HTTPS://example.org/b \t", "HTTPS://example.org/b"},
                      LinkCase{"Document", "report.doc", nullptr},
                      LinkCase{"FileAddress", "file:///etc/passwd", nullptr},
                      LinkCase{"Command", "/bin/sh -c reboot", nullptr},
                      LinkCase{"SchemeLookalike", "httpx://example.org", nullptr},
                      LinkCase{"MailAddress", "mailto:sales@example.com", "mailto:sales@example.com"},
                      LinkCase{"AtSignInPath", "https://example.com/@team", "https://example.com/@team"},
                      LinkCase{"AtSignAndNumberInPath", "https://example.com/@5", "https://example.com/@5"},
                      // Only the mail fields every program shows are kept: no attachments.
                      LinkCase{"MailFieldsFiltered",
                               "MAILTO:a@example.com?Subject=Hi&attach=/etc/passwd&cc=b@example.com&X-Y=z&body=x",
                               "MAILTO:a@example.com?Subject=Hi&cc=b@example.com&body=x"},
                      LinkCase{"MailOnlyAttachment", "mailto:a@example.com?attachment=%2Fetc%2Fpasswd",
                               "mailto:a@example.com"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PreparedPageHitTest, MailtoWithoutAtSignIsOpened) {
  AddText("URLmail", "mailto:postmaster", 0, 0);
  EXPECT_TRUE(Hit(1, 1, true));
  EXPECT_EQ(opened, (std::vector<std::string>{"mailto:postmaster"}));
}

TEST_F(PreparedPageHitTest, MouseOverSetsHandCursorOnlyOverLinks) {
  AddText("Memo1", "http://a", 0, 0);
  AddText("URL2", "http://b", 200, 0);
  EXPECT_FALSE(Hit(5, 5, false));
  EXPECT_EQ(cursor, kCursorDefault);
  EXPECT_TRUE(Hit(205, 5, false));
  EXPECT_EQ(cursor, kCursorHandPoint);
  EXPECT_EQ(link, "http://b");
  EXPECT_TRUE(opened.empty());

  // Handlers make any object count, and the topmost object is the one hit.
  std::vector<std::string> seen;
  report.OnMouseOverObject = [&](TfrView* v, int& c) { seen.push_back(v->Name); c = 7; };
  report.OnObjectClick = [&](TfrView* v) { seen.push_back("click " + v->Name); };
  AddText("Memo3", "", 50, 0);
  EXPECT_TRUE(Hit(60, 5, false));
  EXPECT_TRUE(Hit(60, 5, true));
  EXPECT_EQ(seen, (std::vector<std::string>{"Memo3", "click Memo3"}));
  EXPECT_EQ(cursor, 7);
}

TEST_F(PreparedPageHitTest, PrintableAreaMappingPutsTheOriginAtTheMarginBox) {
  TPreparedPage& p = list.PageAt(0);
  p.SheetCoordinates = 0;
  p.Margins = {20, 30, 20, 30};
  AddText("URL1", "@2", 0, 0);
  const TPrinterMetrics& m = p.Metrics;
  EXPECT_TRUE(Hit(m.OffsetX + 20, m.OffsetY + 30, true));
  EXPECT_EQ(link, "@2");
  EXPECT_FALSE(Hit(m.OffsetX + 19, m.OffsetY + 30, true));
  p.Metrics.SheetWidth = 0;
  EXPECT_FALSE(Hit(m.OffsetX + 20, m.OffsetY + 30, true));
}

TEST_F(PreparedPageHitTest, AutomaticWidthIsMeasuredBeforeTheFirstHit) {
  EngineStateScope scope;
  EngineState().DocMode = kDocModeDesign;  // as a template load leaves it
  TfrMemoView memo;
  memo.Name = "URL1";
  memo.Tag = "@3";
  memo.SetBounds(0, 0, 10, 20);
  memo.SetFlag(flAutoSize, true);
  memo.WorkLines = {"a long link text"};
  AppendRecord(list.PageAt(0), memo);
  EXPECT_TRUE(Hit(50, 5, true));
}

TEST_F(PreparedPageHitTest, EmptyPageHitsNothingAndStateIsRestored) {
  TfrEngineState& state = EngineState();
  const int version = state.StreamVersion;
  EXPECT_FALSE(Hit(1, 1, true));
  EXPECT_FALSE(Hit(1, 1, false));
  EXPECT_EQ(state.CurPage, nullptr);
  EXPECT_EQ(state.StreamVersion, version);
}

}  // namespace
}  // namespace lf
