// Tests of "lumenfoldi print" against a private CUPS scheduler: the printer
// it picks, the pages, copies and parity it sends, input refused before any
// job, and a signal that cancels the job being sent.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "apps/cli_run.h"
#include "private_cupsd.h"

namespace lf {
namespace {

using test::CliRun;

class PrintCli : public test::CliTest {
 protected:
  void SetUp() override { LF_REQUIRE_CUPSD(cupsd); }

  void AddQueues() {
    ASSERT_TRUE(cupsd.AddQueue("alpha"));
    ASSERT_TRUE(cupsd.AddQueue("beta", true));
  }

  static std::string Example(const std::string& name) {
    std::string dir = LF_SOURCE_DIR "/examples/" + name;
    return "'" + dir + "/template.frf," + dir + "/data.json'";
  }

  // The page-n-of-m example, three pages reading "Page N of 3".
  static std::string ThreePages() { return Example("page-n-of-m"); }

  static std::vector<std::string> PageMarks(const std::string& pdf) {
    std::vector<std::string> marks;
    for (const std::string& text : test::PdfPageTexts(pdf)) {
      size_t at = text.find("Page ");
      marks.push_back(at == std::string::npos ? "?" : text.substr(at, text.find('\n', at) - at));
    }
    return marks;
  }

  test::PrivateCupsd cupsd;
};

TEST_F(PrintCli, PrintsTheChosenPagesOnTheDefaultOrNamedPrinter) {
  AddQueues();
  CliRun r = Cli("print --pages 3,1 " + ThreePages());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "job 1 on beta: 2 pages\n");
  EXPECT_EQ(cupsd.WaitForJob(1).state, test::kJobCompleted);
  EXPECT_EQ(PageMarks(cupsd.OutputPath("beta")),
            (std::vector<std::string>{"Page 1 of 3", "Page 3 of 3"}));

  r = Cli("print --printer ALPHA --copies 2 --no-collate --parity even " + ThreePages());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "job 2 on alpha: 1 pages\n");
  test::SpooledJob job = cupsd.WaitForJob(2);
  EXPECT_EQ(job.copies, 2);
  EXPECT_EQ(PageMarks(cupsd.OutputPath("alpha")),
            (std::vector<std::string>{"Page 2 of 3", "Page 2 of 3"}));

  // A prepared file prints as it was saved.
  ASSERT_EQ(Cli("render -o '" + Path("r.frp") + "' " + ThreePages()).exitCode, 0);
  r = Cli("print --printer alpha --copies 2 --pages 2- '" + Path("r.frp") + "'");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "job 3 on alpha: 4 pages\n");
  EXPECT_EQ(cupsd.WaitForJob(3).copies, 1);
  EXPECT_EQ(PageMarks(cupsd.DocumentPath(3)),
            (std::vector<std::string>{"Page 2 of 3", "Page 3 of 3", "Page 2 of 3", "Page 3 of 3"}));
}

// Every example prints whole: one job whose document holds the pages the
// command reports, each with text on it.
TEST_F(PrintCli, PrintsEveryExample) {
  AddQueues();
  int job = 0;
  for (const char* name : {"address-labels", "cross-table", "grouped-list", "invoice", "page-n-of-m",
                           "pictures-and-lines", "sub-report"}) {
    CliRun r = Cli("print --printer alpha " + Example(name));
    ASSERT_EQ(r.exitCode, 0) << name << ": " << r.err;
    ++job;
    const std::string prefix = "job " + std::to_string(job) + " on alpha: ";
    ASSERT_EQ(r.err.rfind(prefix, 0), 0u) << name << ": " << r.err;
    const int pages = std::stoi(r.err.substr(prefix.size()));
    EXPECT_GE(pages, 1) << name;
    EXPECT_EQ(cupsd.WaitForJob(job).state, test::kJobCompleted) << name;
    const std::vector<std::string> texts = test::PdfPageTexts(cupsd.DocumentPath(job));
    EXPECT_EQ(int(texts.size()), pages) << name;
    for (const std::string& text : texts) EXPECT_FALSE(text.empty()) << name;
  }
}

TEST_F(PrintCli, BadInputExitsBeforeAnyJob) {
  AddQueues();
  struct Case {
    std::string args, err;
  };
  for (const Case& c : std::vector<Case>{
           {"--pages 1,,3", "lumenfoldi print: '' is not a valid integer value\n"},
           {"--pages -3", "lumenfoldi print: '' is not a valid integer value\n"},
           {"--copies two", "lumenfoldi print: 'two' is not a valid integer value\n"},
           {"--pages 7-9", "lumenfoldi print: The page list selects no page\n"},
           {"--parity both", "lumenfoldi print: bad parity 'both': all, odd or even\n"},
           {"--printer gamma", "lumenfoldi print: No printer named 'gamma'\n"},
           {"--printer 'virtual PRINTER'",
            "lumenfoldi print: The virtual printer lays pages out but cannot print; choose a "
            "printer of the print system\n"}}) {
    CliRun r = Cli("print " + c.args + " " + ThreePages());
    EXPECT_EQ(r.exitCode, 1) << c.args;
    EXPECT_EQ(r.err, c.err) << c.args;
  }
  EXPECT_EQ(cupsd.Job(1).state, 0);
  EXPECT_FALSE(std::filesystem::exists(cupsd.DocumentPath(1)));
}

TEST_F(PrintCli, WithoutPrintersItSaysSo) {
  CliRun r = Cli("print " + ThreePages());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "lumenfoldi print: The print system has no printer\n");
}

TEST_F(PrintCli, SigtermCancelsTheJobBeingSent) {
  AddQueues();
  // About 400 pages: long enough to be stopped while it is sent.
  std::string data = "[";
  for (int i = 0; i < 20000; ++i)
    data += std::string(i ? "," : "") + "{\"Sku\":\"S" + std::to_string(i) +
            "\",\"Article\":\"A\",\"Stock\":1,\"Price\":1.5}";
  Write("big.json", data + "]");
  const std::string source =
      "'" LF_SOURCE_DIR "/examples/page-n-of-m/template.frf," + Path("big.json") + "'";
  const std::string cmd = "QT_QPA_PLATFORM=offscreen '" LF_CLI_PATH "' print --progress " + source +
                          " 2>'" + Path("err") + "' & echo $! >'" + Path("pid") + "'; wait $!; echo $? >'" +
                          Path("rc") + "'";
  std::thread run([&] { std::system(cmd.c_str()); });
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (Slurp(Path("err")).find("Printing page: 3\n") == std::string::npos &&
         std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const std::string pid = Slurp(Path("pid"));
  ASSERT_FALSE(pid.empty());
  std::system(("kill -TERM " + pid).c_str());
  run.join();
  EXPECT_EQ(Slurp(Path("rc")), "143\n");
  EXPECT_NE(Slurp(Path("err")).find("The print was cancelled\n"), std::string::npos);
  EXPECT_EQ(cupsd.WaitForJob(1).state, test::kJobCancelled);
}

}  // namespace
}  // namespace lf
