// Printing prepared pages: page lists, the sequence of a print, and jobs on a
// private CUPS scheduler: chosen pages, copies and collation, a job per
// paper change, job names, errors before any job, and cancelling.
#include "engine/output/print_prepared.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "engine/data/dataset_errors.h"
#include "engine/model/memo_view.h"
#include "engine/model/page.h"
#include "engine/model/report.h"
#include "engine/output/emf_pages.h"
#include "engine/run/globals.h"
#include "platform/liveness.h"
#include "param_name.h"
#include "prepared_pages_sample.h"
#include "printer/printer.h"
#include "private_cupsd.h"

namespace lf {
namespace {

std::vector<int> Selected(const std::string& list, int count) {
  std::vector<bool> chosen = ParsePrintPageList(list, count);
  std::vector<int> pages;
  for (size_t i = 0; i < chosen.size(); ++i)
    if (chosen[i]) pages.push_back(static_cast<int>(i) + 1);
  return pages;
}

std::vector<int> Range(int from, int to) {
  std::vector<int> r;
  for (int i = from; i <= to; ++i) r.push_back(i);
  return r;
}

struct PageListCase {
  std::string list;
  std::vector<int> pages;  // of 12
};

void PrintTo(const PageListCase& c, std::ostream* os) { *os << '"' << c.list << '"'; }

class PrintPageList : public testing::TestWithParam<PageListCase> {};

TEST_P(PrintPageList, SelectsPagesAscendingEachOnce) {
  EXPECT_EQ(Selected(GetParam().list, 12), GetParam().pages);
}

std::vector<int> Concat(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, PrintPageList,
    testing::Values(PageListCase{"1,3,5-12", Concat({1, 3}, Range(5, 12))},
                    PageListCase{"3-", Range(3, 12)}, PageListCase{"2 , 4", {2, 4}},
                    PageListCase{"5-3", {}}, PageListCase{"7,2", {2, 7}},
                    PageListCase{"", Range(1, 12)}, PageListCase{"2,2,2-3", {2, 3}},
                    PageListCase{"10-2000000000", {10, 11, 12}}, PageListCase{"0,13,14-20", {}}),
    [](const auto& info) { return test::ParamName(info.param.list); });

TEST(PrintPageList, AnItemThatIsNotAnIntegerIsAnError) {
  for (auto [list, message] : std::vector<std::pair<std::string, std::string>>{
           {"1,,3", "'' is not a valid integer value"},
           {"-3", "'' is not a valid integer value"},
           {"1-x", "'x' is not a valid integer value"},
           {"99999999999", "'99999999999' is not a valid integer value"}}) {
    try {
      ParsePrintPageList(list, 12);
      ADD_FAILURE() << list << ": no error";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), message) << list;
    }
  }
}

TEST(PrintSequence, CollatingRepeatsThePassesParityFiltersThePages) {
  std::vector<bool> three = ParsePrintPageList("", 3);
  EXPECT_EQ(PrintSequence(three, kParityAll, 2, true), (std::vector<int>{0, 1, 2, 0, 1, 2}));
  EXPECT_EQ(PrintSequence(three, kParityAll, 2, false), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(PrintSequence(ParsePrintPageList("2-6", 12), kParityOdd, 1, true),
            (std::vector<int>{2, 4}));
  EXPECT_EQ(PrintSequence(ParsePrintPageList("2-6", 12), kParityEven, 1, true),
            (std::vector<int>{1, 3, 5}));
}

// A report of pages reading "Page N", printed on queues of a private scheduler.
class PrintOnScheduler : public testing::Test {
 protected:
  void SetUp() override {
    LF_REQUIRE_CUPSD(cupsd);
    ASSERT_TRUE(cupsd.AddQueue("alpha", true));
    ASSERT_TRUE(cupsd.AddQueue("beta"));
    // The printer layer may have started before this scheduler existed.
    ReloadPrinterLayer();
    TfrPrinter& printer = SharedPrinter();
    ASSERT_EQ(printer.IndexOfPrinter("beta"), 1);
    printer.SelectPrinter(printer.IndexOfPrinter("alpha"));
  }
  // Tests run after this one see the print system they would have seen
  // without this scheduler, not its stopped queues.
  void TearDown() override {
    cupsd.Stop();
    ReloadPrinterLayer();
  }

  void AddPages(int count, bool alternate = false) { AddPagesTo(report, count, alternate); }
  static void AddPagesTo(TfrReport& to, int count, bool alternate = false) {
    for (int i = 0; i < count; ++i) {
      TfrPage page(9, 2100, 2970, -1, alternate && i % 2 == 1);
      to.PreparedPages->Add(page);
      TfrMemoView memo;
      memo.SetBounds(40, 40, 300, 18);
      memo.WorkLines = {"Page " + std::to_string(to.PreparedPages->Count())};
      AppendRecord(to.PreparedPages->PageAt(to.PreparedPages->Count() - 1), memo);
    }
  }

  static std::vector<std::string> Texts(std::initializer_list<int> pages) {
    std::vector<std::string> t;
    for (int p : pages) t.push_back("Page " + std::to_string(p));
    return t;
  }

  // The job the print made, once the scheduler is done with it.
  test::SpooledJob OnlyJob(const TPrintResult& result) {
    EXPECT_FALSE(result.Cancelled);
    EXPECT_EQ(result.Jobs.size(), 1u);
    if (result.Jobs.empty()) return {};
    test::SpooledJob job = cupsd.WaitForJob(result.Jobs[0].JobId);
    EXPECT_EQ(job.state, test::kJobCompleted);
    return job;
  }

  test::PrivateCupsd cupsd;
  TfrReport report;
};

TEST_F(PrintOnScheduler, ThePageListChoosesThePagesOfTheJob) {
  AddPages(12);
  struct Case {
    std::string list;
    int parity;
    std::vector<std::string> texts;
  };
  for (const Case& c : std::vector<Case>{{"1,3,5-12", kParityAll, Texts({1, 3, 5, 6, 7, 8, 9, 10, 11, 12})},
                                         {"3-", kParityAll, Texts({3, 4, 5, 6, 7, 8, 9, 10, 11, 12})},
                                         {"2 , 4", kParityAll, Texts({2, 4})},
                                         {"7,2", kParityAll, Texts({2, 7})},
                                         {"2-6", kParityOdd, Texts({3, 5})}}) {
    SCOPED_TRACE(c.list);
    TPrintResult result = report.PrintPrepared(c.list, 1, true, c.parity);
    OnlyJob(result);
    ASSERT_EQ(result.Jobs.size(), 1u);
    EXPECT_EQ(result.Jobs[0].Printer, "alpha");
    EXPECT_EQ(result.Jobs[0].Pages, static_cast<int>(c.texts.size()));
    EXPECT_EQ(test::PdfPageTexts(cupsd.DocumentPath(result.Jobs[0].JobId)), c.texts);
    EXPECT_EQ(test::PdfPageTexts(cupsd.OutputPath("alpha")), c.texts);
  }
}

TEST_F(PrintOnScheduler, CollatedCopiesRepeatInTheDocumentOtherwiseTheSchedulerCopies) {
  AddPages(3);
  report.Title = "Quarterly figures";
  TPrintResult collated = report.PrintPrepared("", 2, true, kParityAll);
  test::SpooledJob job = OnlyJob(collated);
  EXPECT_EQ(job.copies, 1);
  EXPECT_EQ(job.name, "Quarterly figures");
  EXPECT_EQ(test::PdfPageTexts(cupsd.DocumentPath(collated.Jobs[0].JobId)), Texts({1, 2, 3, 1, 2, 3}));

  report.Title.clear();
  TPrintResult uncollated = report.PrintPrepared("", 2, false, kParityAll);
  job = OnlyJob(uncollated);
  EXPECT_EQ(job.copies, 2);
  EXPECT_EQ(job.name, "Untitled");
  EXPECT_EQ(test::PdfPageTexts(cupsd.DocumentPath(uncollated.Jobs[0].JobId)), Texts({1, 2, 3}));
  EXPECT_EQ(test::PdfPageTexts(cupsd.OutputPath("alpha")), Texts({1, 1, 2, 2, 3, 3}));
}

TEST_F(PrintOnScheduler, EveryPaperChangeStartsANewJobInThePagesOrientation) {
  AddPages(4, true);
  TPrintResult result = report.PrintPrepared("", 1, true, kParityAll);
  ASSERT_EQ(result.Jobs.size(), 4u);
  for (size_t i = 0; i < result.Jobs.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(cupsd.WaitForJob(result.Jobs[i].JobId).state, test::kJobCompleted);
    const std::string document = cupsd.DocumentPath(result.Jobs[i].JobId);
    EXPECT_EQ(test::PdfPageTexts(document), Texts({static_cast<int>(i) + 1}));
    const auto sizes = test::PdfPageSizes(document);
    ASSERT_EQ(sizes.size(), 1u);
    // A4 is 595.3 x 841.9 points.
    auto [w, h] = sizes[0];
    if (i % 2) std::swap(w, h);
    EXPECT_NEAR(w, 595, 1);
    EXPECT_NEAR(h, 842, 1);
  }
}

TEST_F(PrintOnScheduler, BadInputIsRefusedBeforeAnyJob) {
  AddPages(3);
  EXPECT_THROW(report.PrintPrepared("1,,3", 1, true, kParityAll), EConvertError);
  try {
    report.PrintPrepared("5-9", 1, true, kParityAll);
    FAIL() << "no error";
  } catch (const EPrintError& e) {
    EXPECT_EQ(e.Message(), kNoPageSelected);
  }
  EXPECT_FALSE(std::filesystem::exists(cupsd.DocumentPath(1)));
  EXPECT_EQ(cupsd.Job(1).state, 0);
}

TEST_F(PrintOnScheduler, CancellingStopsAfterThePageAndCancelsTheJob) {
  AddPages(40);
  std::vector<int> progress;
  report.OnProgress = [&](int n) {
    progress.push_back(n);
    if (n == 3) report.StopRequested = true;
  };
  report.StopRequested = true;  // a stop left from before does not count
  TPrintResult result = report.PrintPrepared("", 1, true, kParityAll);
  EXPECT_TRUE(result.Cancelled);
  EXPECT_TRUE(result.Jobs.empty());
  EXPECT_EQ(progress, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(cupsd.WaitForJob(1).state, test::kJobCancelled);
  EXPECT_FALSE(std::filesystem::exists(cupsd.OutputPath("alpha")));
}

// A host handler run while the print dispatches messages destroys the
// report: the print stops, cancels its job and touches the report no more
// (the sanitizer build fails a use after free here).
TEST_F(PrintOnScheduler, AReportDestroyedWhilePrintingStopsTheJobAndIsNotTouchedAgain) {
  auto owned = std::make_unique<TfrReport>();
  AddPagesTo(*owned, 5);
  owned->OnProgress = [&owned](int n) {
    if (n == 2) QTimer::singleShot(0, [&owned] { owned.reset(); });
  };
  TfrReport* raw = owned.get();
  EXPECT_THROW(raw->PrintPrepared("", 1, true, kParityAll), EOwnerDestroyed);
  EXPECT_EQ(owned, nullptr);
  EXPECT_EQ(cupsd.WaitForJob(1).state, test::kJobCancelled);
  EXPECT_EQ(EngineState().CurReport, nullptr);
  EXPECT_EQ(EngineState().MasterReport, nullptr);
}

}  // namespace
}  // namespace lf
