// Tests of printer selection by name and of checked printer changes.
#include "printer/printer_selection.h"

#include <gtest/gtest.h>

#include "platform/message_box.h"
#include "printer/printer_test_platform.h"

namespace lf {
namespace {

class PrinterSelection : public ::testing::Test {
 protected:
  void SetUp() override {
    test::AddStandardPrinters(platform);
    printer.AttachPlatformPrinter(&platform);
  }
  test::StubPlatform platform;
  TfrPrinter printer;
  RecordingMessageService boxes;
  ScopedMessageService scope{&boxes};
  std::string name = "before";
};

TEST_F(PrinterSelection, ByNameSelectsAKnownPrinter) {
  SelectPrinterByName(printer, "OFFICE", false, name);
  EXPECT_EQ(printer.CurrentIndex, 0);
  EXPECT_EQ(name, "OFFICE");
}

TEST_F(PrinterSelection, ByNameKeepsThePrinterButRemembersAnUnknownName) {
  SelectPrinterByName(printer, "Nowhere", false, name);
  EXPECT_EQ(printer.CurrentIndex, 1);
  EXPECT_EQ(name, "Nowhere");
}

TEST_F(PrinterSelection, ByNameIgnoresTheNameWhenTheDefaultPrinterIsWanted) {
  SelectPrinterByName(printer, "Office", true, name);
  EXPECT_EQ(printer.CurrentIndex, 1);
  EXPECT_EQ(name, "Office");
}

TEST_F(PrinterSelection, ChangeSelectsAndForcesEveryPageToReapplyItsPaper) {
  int reapplied = 0;
  int codeSeen = 0;
  bool ok = ChangePrinter(printer, 1, 0, name, [&] {
    ++reapplied;
    codeSeen = printer.PaperCode;
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(printer.CurrentIndex, 0);
  EXPECT_EQ(name, "Office");
  EXPECT_EQ(reapplied, 1);
  EXPECT_EQ(codeSeen, kNoPaper);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(PrinterSelection, ChangeToTheVirtualPrinterWorks) {
  EXPECT_TRUE(ChangePrinter(printer, 1, printer.VirtualIndex, name, nullptr));
  EXPECT_EQ(name, "Virtual printer");
  EXPECT_TRUE(printer.IsVirtual());
}

TEST_F(PrinterSelection, FailedChangeShowsTheErrorAndRestoresTheOldPrinter) {
  int reapplied = 0;
  bool ok = ChangePrinter(printer, 1, 0, name, [&] {
    if (++reapplied == 1) throw Exception("page paper rejected");
  });
  EXPECT_FALSE(ok);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "Error");
  EXPECT_EQ(boxes.boxes[0].text, "Printer selected is not valid");
  EXPECT_EQ(boxes.boxes[0].flags & mbIconMask, mbIconError);
  EXPECT_EQ(printer.CurrentIndex, 1);
  EXPECT_EQ(name, "Plotter");
  EXPECT_EQ(reapplied, 2);
}

TEST_F(PrinterSelection, ChangeToAnIndexOutsideTheListFails) {
  EXPECT_FALSE(ChangePrinter(printer, 1, 9, name, nullptr));
  EXPECT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(printer.CurrentIndex, 1);
  EXPECT_EQ(name, "Plotter");
}

TEST_F(PrinterSelection, FailedChangeWithAnInvalidOldIndexEndsOnTheVirtualPrinter) {
  EXPECT_FALSE(ChangePrinter(printer, 9, 12, name, nullptr));
  EXPECT_TRUE(printer.IsVirtual());
  EXPECT_EQ(name, "Virtual printer");
}

}  // namespace
}  // namespace lf
