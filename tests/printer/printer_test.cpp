// Tests of the printer object: paper table, rounding, the virtual printer's
// measurements, paper matching and selection, and real printers through a
// stand-in print system.
#include "printer/printer.h"

#include <gtest/gtest.h>

#include "param_name.h"

#include <ostream>
#include <set>

#include "printer/printer_test_platform.h"

namespace lf {
namespace {

using test::StubPlatform;

TEST(PaperTable, HoldsTheSixtySevenRowsInOrder) {
  const auto& t = PaperTable();
  ASSERT_EQ(t.size(), 67u);
  EXPECT_EQ(t[0].Code, 1);
  EXPECT_EQ(t[8].Code, 9);
  EXPECT_EQ(t[8].Width, 2100);
  EXPECT_EQ(t[8].Height, 2970);
  EXPECT_EQ(t[46].Code, 47);
  EXPECT_EQ(t[47].Code, 50);  // codes 48 and 49 are not in the table
  EXPECT_EQ(t[25].Height, 11176);
  EXPECT_EQ(t[66].Code, kPaperCustom);
  EXPECT_EQ(t[66].Width, 0);
  EXPECT_EQ(FindPaperRow(48), -1);
  EXPECT_EQ(FindPaperRow(256), 66);
}

TEST(PaperTable, NamesComeFromThePlatformPageSizes) {
  EXPECT_EQ(PaperTable()[8].Name, "A4");
  EXPECT_EQ(PaperTable()[4].Name, "Legal");
  EXPECT_EQ(PaperTable()[66].Name, "Custom");
  // Only the custom row is called "Custom", and the list names every paper
  // differently apart from sizes the platform itself names alike.
  std::set<std::string> names;
  for (const auto& p : PaperTable()) {
    EXPECT_FALSE(p.Name.empty()) << p.Code;
    if (p.Code != kPaperCustom) {
      EXPECT_NE(p.Name, "Custom") << p.Code;
    }
    names.insert(p.Name);
  }
  EXPECT_GE(names.size(), 60u);
}

struct RoundCase {
  double value;
  int32_t expected;
};
void PrintTo(const RoundCase& c, std::ostream* os) { *os << c.value; }
class RoundToNearestEvenTest : public ::testing::TestWithParam<RoundCase> {};
TEST_P(RoundToNearestEvenTest, RoundsHalvesToEven) {
  EXPECT_EQ(RoundToNearestEven(GetParam().value), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(PrinterMetrics, RoundToNearestEvenTest,
                         ::testing::Values(RoundCase{0.5, 0}, RoundCase{1.5, 2}, RoundCase{2.5, 2},
                                           RoundCase{2.5000001, 3}, RoundCase{-0.5, 0},
                                           RoundCase{-1.5, -2}, RoundCase{-2.4, -2},
                                           RoundCase{757.53, 758}, RoundCase{1e12, 2147483647},
                                           RoundCase{-1e12, -2147483647 - 1}),
    [](const ::testing::TestParamInfo<RoundToNearestEvenTest::ParamType>& info) { return lf::test::ParamName(info.param.value); });

TEST(PrinterMetrics, ConvertsTenthsOfMillimetreToPageUnits) {
  EXPECT_NEAR(PageUnitsPerInch, 91.6256157635468, 1e-12);
  EXPECT_EQ(DmmToPageUnits(254), 92);
  EXPECT_EQ(DmmToPageUnits(50), 18);
  EXPECT_EQ(PageUnitsToDmm(18), 50);
}

// A printer object on a print system without printers.
class VirtualPrinter : public ::testing::Test {
 protected:
  void SetUp() override { printer.AttachPlatformPrinter(&none); }
  StubPlatform none;
  TfrPrinter printer;
};

TEST_F(VirtualPrinter, IsTheOnlyAndSelectedPrinter) {
  EXPECT_EQ(printer.PrinterNames, std::vector<std::string>{"Virtual printer"});
  EXPECT_EQ(printer.CurrentIndex, 0);
  EXPECT_EQ(printer.VirtualIndex, 0);
  EXPECT_TRUE(printer.IsVirtual());
  EXPECT_EQ(printer.PaperCount, 67);
  EXPECT_EQ(printer.PaperNameList.size(), 67u);
  EXPECT_EQ(printer.PaperCodes[8], 9);
  EXPECT_EQ(printer.PaperCode, 9);
  EXPECT_EQ(printer.WidthDmm, 2100);
  EXPECT_EQ(printer.HeightDmm, 2970);
  EXPECT_EQ(printer.SourceCount, 1);
  EXPECT_EQ(printer.SourceCodes[0], -1);
}

TEST_F(VirtualPrinter, MeasuresA4PortraitAndLandscape) {
  TPrinterMetrics m = printer.Metrics();
  EXPECT_EQ(m.SheetWidth, 758);
  EXPECT_EQ(m.SheetHeight, 1071);
  EXPECT_EQ(m.OffsetX, 18);
  EXPECT_EQ(m.OffsetY, 18);
  EXPECT_EQ(m.PrintWidth, 722);
  EXPECT_EQ(m.PrintHeight, 1035);

  printer.SelectPaper(9, 0, 0, kAnySource, true);
  EXPECT_EQ(printer.WidthDmm, 2970);
  EXPECT_EQ(printer.HeightDmm, 2100);
  m = printer.Metrics();
  EXPECT_EQ(m.SheetWidth, 1071);
  EXPECT_EQ(m.SheetHeight, 758);
  EXPECT_EQ(m.PrintWidth, 1035);
  EXPECT_EQ(m.PrintHeight, 722);
}

TEST_F(VirtualPrinter, LeavesDevicePixelFieldsAlone) {
  TPrinterMetrics m;
  m.DevSheetWidth = 11;
  m.DevOffsetY = 22;
  m.DevPrintHeight = 33;
  printer.ComputeMetrics(m);
  EXPECT_EQ(m.DevSheetWidth, 11);
  EXPECT_EQ(m.DevOffsetY, 22);
  EXPECT_EQ(m.DevPrintHeight, 33);
  EXPECT_EQ(m.DevSheetHeight, 0);
}

TEST_F(VirtualPrinter, TablePapersTakeTheTableSizeOthersKeepTheGivenOne) {
  printer.SelectPaper(1, 5, 5, kAnySource, false);  // Letter: size from the table
  EXPECT_EQ(printer.WidthDmm, 2159);
  EXPECT_EQ(printer.HeightDmm, 2794);
  printer.SelectPaper(kPaperCustom, 1000, 500, kAnySource, true);  // custom: never swapped
  EXPECT_EQ(printer.WidthDmm, 1000);
  EXPECT_EQ(printer.HeightDmm, 500);
  EXPECT_EQ(printer.Metrics().SheetWidth, 361);
  printer.SelectPaper(48, 700, 800, kAnySource, false);  // not in the table
  EXPECT_EQ(printer.PaperCode, 48);
  EXPECT_EQ(printer.WidthDmm, 700);
  EXPECT_EQ(printer.HeightDmm, 800);
  printer.SelectPaper(kNoPaper, 0, 0, kAnySource, true);  // no code, no size: A4
  EXPECT_EQ(printer.PaperCode, kNoPaper);
  EXPECT_EQ(printer.WidthDmm, 2970);
  EXPECT_EQ(printer.HeightDmm, 2100);
}

TEST_F(VirtualPrinter, MatchesCustomPapersWithinOneTenthOfAMillimetre) {
  printer.SelectPaper(kPaperCustom, 2101, 2969, kAnySource, false);
  EXPECT_TRUE(printer.Matches(kPaperCustom, 2100, 2970, 5, false));
  EXPECT_TRUE(printer.Matches(kPaperCustom, 2102, 2968, 5, false));
  EXPECT_FALSE(printer.Matches(kPaperCustom, 2099, 2970, kAnySource, false));
  EXPECT_FALSE(printer.Matches(kPaperCustom, 2100, 2971, kAnySource, false));
  EXPECT_FALSE(printer.Matches(kPaperCustom, 2100, 2970, kAnySource, true));
  EXPECT_FALSE(printer.Matches(9, 2101, 2969, kAnySource, false));
}

TEST_F(VirtualPrinter, MatchesCodedPapersByCodeOrientationAndSource) {
  printer.SelectPaper(9, 0, 0, 15, false);
  EXPECT_TRUE(printer.Matches(9, 1, 1, 15, false));
  EXPECT_TRUE(printer.Matches(9, 1, 1, kAnySource, false));
  EXPECT_TRUE(printer.Matches(9, 1, 1, 0xFFFF, false));  // low 16 bits all ones: any source
  EXPECT_FALSE(printer.Matches(9, 1, 1, 16, false));
  EXPECT_FALSE(printer.Matches(9, 1, 1, 15, true));
  EXPECT_FALSE(printer.Matches(8, 1, 1, 15, false));
  printer.PaperCode = kNoPaper;
  EXPECT_FALSE(printer.Matches(9, 1, 1, 15, false));
}

TEST_F(VirtualPrinter, SelectPaperChangesNothingWhenItMatchesUnlessForced) {
  printer.WidthDmm = 1234;  // a stale size shows whether the settings were applied again
  printer.SelectPaper(9, 0, 0, kAnySource, false);
  EXPECT_EQ(printer.WidthDmm, 1234);
  printer.SelectPaper(9, 0, 0, kAnySource, false, true);
  EXPECT_EQ(printer.WidthDmm, 2100);
}

TEST_F(VirtualPrinter, SelectPaperDoesNothingWhilePrinting) {
  none.printing = true;
  printer.SelectPaper(8, 0, 0, kAnySource, false, true);
  EXPECT_EQ(printer.PaperCode, 9);
  EXPECT_EQ(printer.WidthDmm, 2100);
}

TEST_F(VirtualPrinter, RejectsAnIndexOutsideThePrinterList) {
  try {
    printer.SelectPrinter(1);
    FAIL() << "no error";
  } catch (const EPrinterError& e) {
    EXPECT_EQ(e.Message(), "Printer index 1 is out of range");
  }
  EXPECT_EQ(printer.CurrentIndex, 0);
}

TEST(PrinterStartUp, WithoutPrintersUsesTheVirtualPrinterAndNoDefaultPaper) {
  StubPlatform none;
  TfrPrinter printer;
  EXPECT_EQ(printer.PaperCode, 9);
  EXPECT_EQ(InitializePrinter(printer, &none), kNoPaper);
  EXPECT_TRUE(printer.IsVirtual());
  EXPECT_EQ(printer.PaperCode, kNoPaper);
  EXPECT_EQ(printer.WidthDmm, 2100);  // the sheet stays A4 until a paper is chosen
}

TEST(PrinterStartUp, WithAUsablePrinterRemembersItsPaper) {
  StubPlatform platform;
  test::AddStandardPrinters(platform);
  TfrPrinter printer;
  EXPECT_EQ(InitializePrinter(printer, &platform), 8);
  EXPECT_EQ(printer.CurrentIndex, 1);
}

TEST(PrinterStartUp, WithTheSelectedPrinterUnusableFallsBackToTheVirtualPrinter) {
  StubPlatform platform;
  test::AddStandardPrinters(platform);
  platform.index = 2;  // "Broken" has no device mode
  TfrPrinter printer;
  EXPECT_EQ(InitializePrinter(printer, &platform), kNoPaper);
  EXPECT_EQ(printer.CurrentIndex, 3);
  EXPECT_TRUE(printer.IsVirtual());
  EXPECT_EQ(printer.PaperCount, 67);
}

TEST(PrinterStartUp, SharedPrinterIsReadyAndEndsWithTheVirtualPrinter) {
  TfrPrinter& shared = SharedPrinter();
  EXPECT_TRUE(PrinterReady());
  EXPECT_EQ(&shared, &SharedPrinter());
  EXPECT_EQ(shared.PrinterNames.back(), "Virtual printer");
  EXPECT_EQ(shared.VirtualIndex, static_cast<int>(shared.PrinterNames.size()) - 1);
  if (shared.IsVirtual()) {
    EXPECT_EQ(DefaultPaperCode(), kNoPaper);
  } else {
    EXPECT_EQ(DefaultPaperCode(), shared.PaperCode);
  }
}

// A printer object on a print system with real printers.
class RealPrinter : public ::testing::Test {
 protected:
  void SetUp() override {
    test::AddStandardPrinters(platform);
    printer.AttachPlatformPrinter(&platform);
  }
  StubPlatform platform;
  TfrPrinter printer;
};

TEST_F(RealPrinter, ListsPlatformPrintersThenTheVirtualOne) {
  EXPECT_EQ(printer.PrinterNames,
            (std::vector<std::string>{"Office", "Plotter", "Broken", "Virtual printer"}));
  EXPECT_EQ(printer.CurrentIndex, 1);
  EXPECT_EQ(printer.VirtualIndex, 3);
  EXPECT_EQ(printer.CurrentName(), "Plotter");
  EXPECT_EQ(printer.DeviceName, "Plotter");
  EXPECT_EQ(printer.DriverName, "stub driver");
  EXPECT_EQ(printer.IndexOfPrinter("office"), 0);
  EXPECT_EQ(printer.IndexOfPrinter("Nowhere"), -1);
}

TEST_F(RealPrinter, ReadsPaperSizeOrientationPapersAndSources) {
  EXPECT_EQ(printer.PaperCode, 8);
  EXPECT_TRUE(printer.Landscape);
  EXPECT_EQ(printer.WidthDmm, 4200);  // A3 landscape measured at 600 dpi
  EXPECT_EQ(printer.HeightDmm, 2970);
  EXPECT_EQ(printer.PaperCount, 1);
  EXPECT_EQ(printer.PaperNameList, std::vector<std::string>{"A3"});

  printer.SelectPrinter(0);
  EXPECT_EQ(printer.PaperCode, 9);
  EXPECT_FALSE(printer.Landscape);
  EXPECT_EQ(printer.PaperCount, 2);
  EXPECT_EQ(printer.PaperCodes[1], 1);
  EXPECT_EQ(printer.PaperCodes[2], 0);
  EXPECT_EQ(printer.PaperSource, 7);
  EXPECT_EQ(printer.SourceCount, 3);
  EXPECT_EQ(printer.SourceCodes[0], -1);
  EXPECT_EQ(printer.SourceCodes[1], 15);
  EXPECT_EQ(printer.SourceCodes[2], 16);
  EXPECT_EQ(printer.SourceNameList, (std::vector<std::string>{"Default", "Tray 1", "Tray 2"}));
  EXPECT_EQ(printer.IndexOfPaper(1), 1);
}

TEST_F(RealPrinter, SelectingAPrinterLetsThePlatformLoadAFreshDeviceMode) {
  platform.setCalls.clear();
  printer.SelectPrinter(0);
  EXPECT_EQ(platform.index, 0);
  ASSERT_EQ(platform.setCalls.size(), 1u);
  EXPECT_FALSE(platform.setCalls[0].has_value());
  printer.SelectPrinter(0);  // already selected: nothing happens
  EXPECT_EQ(platform.setCalls.size(), 1u);
}

TEST_F(RealPrinter, MeasuresAtThePrinterResolution) {
  printer.SelectPrinter(0);  // A4 portrait: 4961 x 7016 px at 600 dpi, 100 px border
  TPrinterMetrics m = printer.Metrics();
  EXPECT_EQ(m.DevSheetWidth, 4961);
  EXPECT_EQ(m.DevSheetHeight, 7016);
  EXPECT_EQ(m.SheetWidth, 758);  // 4961 * 91.6256 / 600 = 757.6
  EXPECT_EQ(m.SheetHeight, 1071);
  EXPECT_EQ(m.DevOffsetX, 100);
  EXPECT_EQ(m.OffsetX, 15);
  EXPECT_EQ(m.OffsetY, 15);
  EXPECT_EQ(m.DevPrintWidth, 4761);
  EXPECT_EQ(m.PrintWidth, 727);
  EXPECT_EQ(m.DevPrintHeight, 6816);
  EXPECT_EQ(m.PrintHeight, 1041);
}

TEST_F(RealPrinter, AppliesCustomPaperIntoTheDeviceMode) {
  printer.SelectPrinter(0);
  printer.SelectPaper(kPaperCustom, 1500, 2500, kAnySource, false);
  const TDevMode& m = *platform.printers[0].mode;
  EXPECT_EQ(m.PaperSize, kPaperCustom);
  EXPECT_EQ(m.PaperWidth, 1500);
  EXPECT_EQ(m.PaperLength, 2500);
  EXPECT_TRUE(m.Fields & dmPaperWidthField);
  EXPECT_TRUE(m.Fields & dmPaperLengthField);
  EXPECT_EQ(m.Copies, 1);
  EXPECT_EQ(m.DefaultSource, 7);  // any source leaves the device's source
  EXPECT_EQ(printer.WidthDmm, 1500);
  EXPECT_EQ(printer.HeightDmm, 2500);

  printer.SelectPaper(1, 0, 0, 16, true);
  const TDevMode& n = *platform.printers[0].mode;
  EXPECT_EQ(n.PaperSize, 1);
  EXPECT_EQ(n.Orientation, dmOrientLandscape);
  EXPECT_EQ(n.DefaultSource, 16);
  EXPECT_FALSE(n.Fields & (dmPaperWidthField | dmPaperLengthField));
  EXPECT_EQ(printer.WidthDmm, 2794);  // Letter landscape as the device measures it
  EXPECT_EQ(printer.PaperSource, 16);
}

TEST_F(RealPrinter, FieldsTheDeviceModeDoesNotDeclareStayUntouched) {
  platform.printers[0].mode->Fields = 0;
  printer.SelectPrinter(0);
  printer.SelectPaper(1, 0, 0, 16, true);
  const TDevMode& m = *platform.printers[0].mode;
  EXPECT_EQ(m.PaperSize, 9);
  EXPECT_EQ(m.Orientation, dmOrientPortrait);
  EXPECT_EQ(m.Copies, 3);
  EXPECT_EQ(printer.PaperCode, 9);
}

TEST_F(RealPrinter, HugeCustomSizesAreClampedToTheDeviceModeRange) {
  printer.SelectPrinter(0);
  printer.SelectPaper(kPaperCustom, 50000, 70000, kAnySource, false);
  EXPECT_EQ(platform.printers[0].mode->PaperWidth, 32767);
  EXPECT_EQ(platform.printers[0].mode->PaperLength, 32767);
}

TEST_F(RealPrinter, APrinterWithoutDeviceModeFallsBackToTheVirtualPrinter) {
  printer.SelectPrinter(2);
  EXPECT_EQ(printer.CurrentIndex, 3);
  EXPECT_TRUE(printer.IsVirtual());
  EXPECT_FALSE(printer.DevMode.has_value());
  EXPECT_EQ(printer.PaperCount, 67);
}

TEST_F(RealPrinter, AFailingDeviceFallsBackToTheVirtualPrinter) {
  platform.failCaps = true;
  printer.SelectPrinter(0);
  EXPECT_TRUE(printer.IsVirtual());
  EXPECT_EQ(printer.Metrics().SheetWidth, DmmToPageUnits(printer.WidthDmm));
}

TEST_F(RealPrinter, ALostDeviceWhileMeasuringFallsBackToTheVirtualPrinter) {
  platform.failCaps = true;
  TPrinterMetrics m = printer.Metrics();
  EXPECT_TRUE(printer.IsVirtual());
  EXPECT_EQ(m.OffsetX, 18);
}

TEST_F(RealPrinter, PaperAndSourceListsAreCutToTheirLimits) {
  auto& office = platform.printers[0];
  office.papers.clear();
  for (int i = 0; i < kMaxPrinterPapers + 10; ++i)
    office.papers.push_back({static_cast<int16_t>(i + 1), std::string(100, 'p')});
  office.sources.clear();
  for (int i = 0; i < kMaxPrinterSources + 10; ++i)
    office.sources.push_back({static_cast<int16_t>(i + 1), std::string(40, 's')});
  printer.SelectPrinter(0);
  EXPECT_EQ(printer.PaperCount, kMaxPrinterPapers);
  EXPECT_EQ(printer.PaperNameList.size(), static_cast<size_t>(kMaxPrinterPapers));
  EXPECT_EQ(printer.PaperNameList[0].size(), static_cast<size_t>(kPaperNameChars));
  EXPECT_EQ(printer.SourceCount, kMaxPrinterSources);
  EXPECT_EQ(printer.SourceCodes[kMaxPrinterSources - 1], kMaxPrinterSources - 1);
  EXPECT_EQ(printer.SourceNameList[1].size(), static_cast<size_t>(kSourceNameChars));
}

TEST_F(RealPrinter, GoingBackFromTheVirtualPrinterReadsTheDeviceAgain) {
  printer.SelectPrinter(printer.VirtualIndex);
  EXPECT_TRUE(printer.IsVirtual());
  EXPECT_TRUE(printer.DeviceName.empty());
  printer.SelectPrinter(1);
  EXPECT_EQ(printer.PaperCode, 8);
  EXPECT_EQ(printer.DeviceName, "Plotter");
  EXPECT_TRUE(printer.DevMode.has_value());
}

}  // namespace
}  // namespace lf
