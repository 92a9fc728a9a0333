// The print system's printers through libcups, on a private scheduler: the
// queue list and default, papers, measurements, queues that come later, and
// a job refused by a stopped queue.
#include <gtest/gtest.h>

#include <cstdlib>

#include "printer/paper_table.h"
#include "printer/printer.h"
#include "printer/printer_platform.h"
#include "private_cupsd.h"

namespace lf {
namespace {

TEST(SystemPrinter, ListsTheQueuesWithTheDefaultSelectedAndMeasuresA4) {
  test::PrivateCupsd cupsd;
  LF_REQUIRE_CUPSD(cupsd);
  ASSERT_TRUE(cupsd.AddQueue("alpha"));
  ASSERT_TRUE(cupsd.AddQueue("beta", true));
  std::unique_ptr<TPlatformPrinter> platform = CreateSystemPrinter();
  EXPECT_EQ(platform->Printers(), (std::vector<std::string>{"alpha", "beta"}));
  EXPECT_EQ(platform->PrinterIndex(), 1);

  TfrPrinter printer;
  printer.AttachPlatformPrinter(platform.get());
  EXPECT_EQ(printer.PrinterNames, (std::vector<std::string>{"alpha", "beta", "Virtual printer"}));
  EXPECT_EQ(printer.CurrentName(), "beta");
  ASSERT_GE(printer.IndexOfPaper(kPaperA4), 0);
  printer.SelectPaper(kPaperA4, 0, 0, kAnySource, false, true);
  EXPECT_EQ(printer.PaperCode, kPaperA4);
  EXPECT_NEAR(printer.WidthDmm, 2100, 2);
  EXPECT_NEAR(printer.HeightDmm, 2970, 2);
  TPrinterMetrics m = printer.Metrics();
  EXPECT_NEAR(m.SheetWidth, 758, 1);
  EXPECT_NEAR(m.SheetHeight, 1071, 1);
  printer.SelectPaper(kPaperA4, 0, 0, kAnySource, true, true);
  m = printer.Metrics();
  EXPECT_NEAR(m.SheetWidth, 1071, 1);

  // A queue added later is seen when the printers are attached again; the
  // selection stays on its printer.
  ASSERT_TRUE(cupsd.AddQueue("gamma"));
  printer.AttachPlatformPrinter(platform.get());
  EXPECT_EQ(printer.PrinterNames.size(), 4u);
  EXPECT_EQ(printer.CurrentName(), "beta");
}

TEST(SystemPrinter, AJobTheSchedulerRefusesRaisesItsMessage) {
  test::PrivateCupsd cupsd;
  LF_REQUIRE_CUPSD(cupsd);
  ASSERT_TRUE(cupsd.AddQueue("alpha", true));
  ASSERT_EQ(std::system("cupsreject alpha >/dev/null 2>&1"), 0);
  std::unique_ptr<TPlatformPrinter> platform = CreateSystemPrinter();
  try {
    platform->StartDocument("refused", 1);
    FAIL() << "no error";
  } catch (const EPrinterError& e) {
    EXPECT_NE(e.Message().find("not accepting jobs"), std::string::npos) << e.Message();
  }
}

}  // namespace
}  // namespace lf
