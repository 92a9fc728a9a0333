// Object model: defaults of new views, band kinds, the view factory with its
// add-in registry, unique naming and run-time bands.
#include <gtest/gtest.h>

#include "param_name.h"

#include <memory>
#include <ostream>
#include <string>

#include "engine/model/band.h"
#include "engine/model/band_kind.h"
#include "engine/model/band_view.h"
#include "engine/data/dataset.h"
#include "engine/model/control_view.h"
#include "engine/run/globals.h"
#include "engine/model/line_view.h"
#include "engine/model/memo_view.h"
#include "engine/model/page.h"
#include "engine/model/picture_view.h"
#include "engine/model/report.h"
#include "engine/model/subreport_view.h"
#include "engine/model/view_factory.h"
#include "platform/format_settings.h"

namespace lf {
namespace {

struct ViewDefaults {
  int typeCode;
  const char* className;
  const char* baseName;
  uint16_t flags;
  uint16_t frameTyp;
  uint32_t fillColor;
};
void PrintTo(const ViewDefaults& c, std::ostream* os) { *os << c.className; }

class ModelViewDefaults : public ::testing::TestWithParam<ViewDefaults> {};

TEST_P(ModelViewDefaults, FactoryMakesClassWithItsDefaults) {
  const ViewDefaults& d = GetParam();
  std::unique_ptr<TfrView> view = CreateView(d.typeCode);
  ASSERT_NE(view, nullptr);
  EXPECT_STREQ(view->ClassName(), d.className);
  EXPECT_EQ(view->TypeCode, d.typeCode);
  EXPECT_EQ(view->BaseName, d.baseName);
  EXPECT_EQ(view->Flags, d.flags);
  EXPECT_EQ(view->FrameTyp, d.frameTyp);
  EXPECT_EQ(view->FillColor, d.fillColor);
  // What every view shares.
  EXPECT_EQ(view->GapX, 2);
  EXPECT_EQ(view->GapY, 1);
  EXPECT_FLOAT_EQ(view->FrameWidth, 1.0f);
  EXPECT_EQ(view->FrameColor, 0u);
  EXPECT_EQ(view->FrameStyle, psSolid);
  EXPECT_TRUE(view->Visible);
  EXPECT_DOUBLE_EQ(view->ScaleX, 1.0);
  EXPECT_DOUBLE_EQ(view->ScaleY, 1.0);
  EXPECT_EQ(view->FormatVersion, 0);
  EXPECT_TRUE(view->Name.empty());
  EXPECT_EQ(view->Parent, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    AllBuiltInCodes, ModelViewDefaults,
    ::testing::Values(ViewDefaults{0, "TfrMemoView", "Memo", 3, 0, 0x1FFFFFFF},
                      ViewDefaults{1, "TfrPictureView", "Picture", 5, 0, 0x1FFFFFFF},
                      ViewDefaults{2, "TfrBandView", "Band", 48, 0, 0x1FFFFFFF},
                      ViewDefaults{3, "TfrSubReportView", "SubReport", 1, 0, 0x1FFFFFFF},
                      ViewDefaults{4, "TfrLineView", "Line", 1, 4, 0xFFFFFF}),
    [](const ::testing::TestParamInfo<ModelViewDefaults::ParamType>& info) { return lf::test::ParamName(info.param.className); });

TEST(ModelViews, FormatCarriesDecimalSeparatorAndTwoDecimalsExceptForBands) {
  TFormatSettings settings = InvariantFormatSettings();
  settings.DecimalSeparator = ',';
  ScopedFormatSettings pin(settings);
  TfrMemoView memo;
  EXPECT_EQ(memo.Format, ',' + 512);
  TfrBandView band;
  EXPECT_EQ(band.Format, 0);
}

TEST(ModelViews, TextBandAndControlFieldDefaults) {
  TfrMemoView memo;
  EXPECT_EQ(memo.Font, (TfrFont{"Arial", 10, 0, 0, 1}));
  EXPECT_EQ(memo.Alignment, 0);
  EXPECT_EQ(memo.LineSpacing, 2);
  EXPECT_EQ(memo.CharSpacing, 0);
  EXPECT_EQ(memo.Highlight.FontStyle, fsBold);
  EXPECT_EQ(memo.Highlight.FontColor, 0u);
  EXPECT_EQ(memo.Highlight.FillColor, 0xFFFFFFu);
  EXPECT_EQ(memo.DrawMode, drAll);

  TfrBandView band;
  EXPECT_EQ(band.Columns, 1);
  EXPECT_EQ(band.ColumnWidth, 200);
  EXPECT_EQ(band.ColumnGap, 20);
  EXPECT_EQ(band.NewColumnAfter, 1);
  EXPECT_EQ(band.BandType(), btReportTitle);

  TfrControl control;
  EXPECT_EQ(control.TypeCode, 10);
  EXPECT_EQ(control.FillColor, 0xFF00000Fu);
  EXPECT_EQ(control.FrameTyp, 0);

  TfrPictureView picture;
  EXPECT_EQ(picture.BlobType, btBMP);
  EXPECT_TRUE(picture.Picture.Empty());
}

TEST(ModelViews, BandKindNamesCoverAllKindsAndNothingElse) {
  EXPECT_STREQ(BandKindName(btReportTitle), "Report title");
  EXPECT_STREQ(BandKindName(btPageFooter), "Page footer");
  EXPECT_STREQ(BandKindName(btSubDetailFooter), "Subdetail footer");
  EXPECT_STREQ(BandKindName(btCrossData), "Cross data");
  EXPECT_STREQ(BandKindName(btNone), "None");
  EXPECT_STREQ(BandKindName(23), "");
  EXPECT_STREQ(BandKindName(-1), "");
  EXPECT_EQ(kBandTriples[1].data, btDetailData);
}

TEST(ModelViews, GetRegionWidensForFrameLinesAndDoubleFrames) {
  TfrMemoView memo;
  memo.SetBounds(10, 20, 100, 50);
  EXPECT_EQ(memo.GetRegion(false), (TfrRect{10, 20, 111, 71}));
  memo.FrameTyp = frftLeft | frftTop | frftRight | frftBottom;
  memo.FrameWidth = 3;  // b = round(1.5) = 2, a = round(1) = 1
  EXPECT_EQ(memo.GetRegion(false), (TfrRect{8, 18, 112, 72}));
  EXPECT_EQ(memo.GetRegion(true), (TfrRect{-2, 8, 122, 82}));
  memo.FrameStyle = psDouble;  // b = round(4.5) = 4, a = round(4) = 4
  EXPECT_EQ(memo.GetRegion(false), (TfrRect{6, 16, 115, 75}));
}

TEST(ModelViews, BeginDrawScalesAndEndDrawRestores) {
  TfrEngineState& state = EngineState();
  const int savedMode = state.DocMode;
  state.DocMode = kDocModePrinting;
  // Geometry is scaled only on a current page.
  TfrReport report;
  TfrPage* const savedPage = state.CurPage;
  state.CurPage = report.Pages->Add();
  TfrMemoView memo;
  memo.SetBounds(10, 20, 100, 50);
  memo.ScaleX = memo.ScaleY = 2.0;
  memo.DrawOffsetX = 5;
  memo.BeginDraw();
  EXPECT_EQ(memo.Left, 25);
  EXPECT_EQ(memo.Top, 40);
  EXPECT_EQ(memo.Width, 200);
  EXPECT_EQ(memo.GapX, 5);  // round(2 * 2) + round(1 * 2 / 2)
  EXPECT_EQ(memo.DrawRect, (TfrRect{25, 40, 226, 141}));
  memo.EndDraw();
  EXPECT_EQ(memo.Left, 10);
  EXPECT_EQ(memo.Width, 100);
  EXPECT_EQ(memo.GapX, 2);
  EXPECT_FLOAT_EQ(memo.FrameWidth, 1.0f);
  EXPECT_EQ(state.CurView, &memo);

  state.DocMode = kDocModeDesign;  // designing draws at scale 1
  memo.BeginDraw();
  EXPECT_EQ(memo.Left, 10);
  EXPECT_EQ(memo.DrawRect, (TfrRect{10, 20, 111, 71}));
  memo.EndDraw();
  state.DocMode = savedMode;
  state.CurView = nullptr;
  state.CurPage = savedPage;
}

class ModelFactory : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearAddInObjects();
    MissingComponents().clear();
  }
  void TearDown() override { ClearAddInObjects(); }
};

TEST_F(ModelFactory, CodesOutsideTheTableCreateNothing) {
  for (int code : {5, 6, 9, 11, 255, -1}) EXPECT_EQ(CreateView(code), nullptr) << code;
  EXPECT_TRUE(MissingComponents().empty());
}

TEST_F(ModelFactory, UnregisteredClassIsReportedAsMissing) {
  try {
    CreateView(gtAddIn, "TfrCheckBoxView");
    FAIL() << "no error";
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message(), "Class TfrCheckBoxView not found");
  }
  EXPECT_THROW(CreateView(gtAddIn, "TfrDBLookupControl"), EClassNotFound);
  EXPECT_EQ(MissingComponents(), "TfrCheckBoxView\rTfrDBLookupControl\r");
}

TEST_F(ModelFactory, RegisteredClassIsFoundByExactNameOnly) {
  RegisterAddInObject("TfrCheckBoxView", [] { return std::make_unique<TfrControl>(); });
  std::unique_ptr<TfrView> view = CreateView(gtAddIn, "TfrCheckBoxView");
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->TypeCode, 10);
  EXPECT_THROW(CreateView(gtAddIn, "TFRCHECKBOXVIEW"), EClassNotFound);
}

TEST_F(ModelFactory, RegistryHoldsAtMost64Classes) {
  for (int i = 0; i < kMaxAddInObjects; ++i)
    RegisterAddInObject("TfrAddIn" + std::to_string(i), [] { return std::make_unique<TfrControl>(); });
  EXPECT_EQ(AddInObjectCount(), 64);
  try {
    RegisterAddInObject("TfrOneTooMany", [] { return std::make_unique<TfrControl>(); });
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Too many add-in objects");
  }
  EXPECT_EQ(AddInObjectCount(), 64);
}

TEST_F(ModelFactory, EveryCreatedViewTakesTheNextSerial) {
  auto a = CreateView(gtMemo);
  auto b = CreateView(gtLine);
  auto c = CreateView(gtBand);
  EXPECT_EQ(b->Serial, a->Serial + 1);
  EXPECT_EQ(c->Serial, b->Serial + 1);
}

// A report with one page per entry, each page holding views of those names.
std::unique_ptr<TfrReport> ReportWith(std::initializer_list<std::initializer_list<const char*>> pages) {
  auto report = std::make_unique<TfrReport>();
  for (auto names : pages) {
    TfrPage* page = report->Pages->Add();
    for (const char* name : names) {
      auto view = std::make_unique<TfrMemoView>();
      view->Name = name;
      page->AddObject(std::move(view));
    }
  }
  return report;
}

TEST(ModelNaming, SmallestFreeNumberAcrossPagesIgnoringCase) {
  auto report = ReportWith({{"MEMO1", "Memo3"}, {"memo2", "Memo05", "Memo4x", "Band1"}});
  TfrMemoView memo;
  memo.UniqueName(*report);
  EXPECT_EQ(memo.Name, "Memo4");
  TfrBandView band;
  band.UniqueName(*report);
  EXPECT_EQ(band.Name, "Band2");
}

TEST(ModelNaming, GivesUpSilentlyWhenAllNumbersAreTaken) {
  auto report = std::make_unique<TfrReport>();
  TfrPage* page = report->Pages->Add();
  for (int i = 1; i <= kUniqueNameLimit; ++i) {
    auto view = std::make_unique<TfrLineView>();
    view->Name = "Line" + std::to_string(i);
    page->AddObject(std::move(view));
  }
  TfrLineView line;
  line.UniqueName(*report);
  EXPECT_EQ(line.Name, "");
  EXPECT_EQ(UniqueObjectName(*report, "Memo"), "Memo1");
}

TEST(ModelNaming, NamingAllUnnamedObjectsSkipsNamesInUse) {
  auto report = ReportWith({{"", "Memo2", ""}, {"", "memo4"}});
  auto band = std::make_unique<TfrBandView>();
  TfrBandView* bandView = static_cast<TfrBandView*>(report->Pages->PageAt(1)->AddObject(std::move(band)));
  report->NameUnnamedObjects();
  const auto& first = report->Pages->PageAt(0)->Objects;
  const auto& second = report->Pages->PageAt(1)->Objects;
  EXPECT_EQ(first[0]->Name, "Memo1");
  EXPECT_EQ(first[2]->Name, "Memo3");
  EXPECT_EQ(second[0]->Name, "Memo5");
  EXPECT_EQ(second[1]->Name, "memo4");
  EXPECT_EQ(bandView->Name, "Band1");
}

TEST(ModelNaming, NamingManyObjectsStopsAtTheLimit) {
  auto report = std::make_unique<TfrReport>();
  TfrPage* page = report->Pages->Add();
  for (int i = 0; i < kUniqueNameLimit + 500; ++i) page->AddObject(std::make_unique<TfrLineView>());
  report->NameUnnamedObjects();
  EXPECT_EQ(page->Objects.front()->Name, "Line1");
  EXPECT_EQ(page->Objects[kUniqueNameLimit - 1]->Name, "Line10000");
  EXPECT_EQ(page->Objects.back()->Name, "");
}

TEST(ModelNaming, ANamerSkipsWhatItWasToldAndWhatItGave) {
  auto report = ReportWith({{"memo1", "MEMO3"}});
  TUniqueNamer namer(*report);
  EXPECT_EQ(namer.Take("Memo"), "Memo2");
  namer.Note("Memo4");
  EXPECT_EQ(namer.Take("Memo"), "Memo5");
  EXPECT_EQ(namer.Take("Band"), "Band1");
  EXPECT_EQ(namer.Take("band"), "band2");
}

TEST(ModelNaming, PagesAreNamedPageAndTheSmallestFreeNumber) {
  TfrReport report;
  EXPECT_EQ(report.Pages->Add()->Name, "Page1");
  report.Pages->PageAt(0)->Name = "PAGE2";
  EXPECT_EQ(report.Pages->Add()->Name, "Page1");
  EXPECT_EQ(report.Pages->Add()->Name, "Page3");
}

TEST(ModelNaming, FindObjectTakesTheFirstMatchPagesInOrder) {
  auto report = ReportWith({{"Memo1"}, {"Memo2", "Title"}, {"TITLE"}});
  EXPECT_EQ(report->FindObject("title"), report->Pages->PageAt(1)->Objects[1].get());
  EXPECT_EQ(report->FindObject("Missing"), nullptr);
  EXPECT_EQ(report->Pages->PageAt(2)->FindObject("Title"),
            report->Pages->PageAt(2)->Objects[0].get());
}

TEST(ModelBand, BuiltFromViewItPointsTheViewBackUntilDestroyed) {
  TfrBandView view;
  view.SetBandType(btMasterData);
  view.Name = "MasterData1";
  view.SetBounds(0, 40, 700, 20);
  view.Flags = flStretched | flBandBreaked;
  {
    TfrBand band(btMasterData, nullptr, &view);
    EXPECT_EQ(view.Parent, &band);
    EXPECT_EQ(band.Name, "MasterData1");
    EXPECT_EQ(band.Top, 40);
    EXPECT_EQ(band.Height, 20);
    EXPECT_TRUE(band.Stretched);
    EXPECT_TRUE(band.Breaked);
    EXPECT_FALSE(band.FormNewPage);
    EXPECT_EQ(band.LineNo, 1);
    EXPECT_EQ(band.LineThroughNo, 1);
    EXPECT_EQ(band.MeasuredHeight, -1);
    EXPECT_TRUE(band.IsPresent());
  }
  EXPECT_EQ(view.Parent, nullptr);
}

TEST(ModelBand, ObjectsForgetTheirBandWhenItGoes) {
  TfrMemoView memo, other;
  TfrBand elsewhere(btMasterData, nullptr);
  other.Parent = &elsewhere;
  {
    TfrBand band(btMasterData, nullptr);
    memo.Parent = &band;
    band.Objects = {&memo, &other};
  }
  EXPECT_EQ(memo.Parent, nullptr);
  EXPECT_EQ(other.Parent, &elsewhere);
}

TEST(ModelBand, NoneBandIsPresentOnlyWithObjects) {
  TfrMemoView memo;  // outlives the band, as page objects do
  TfrBand none(btNone, nullptr);
  EXPECT_FALSE(none.IsPresent());
  none.Objects.push_back(&memo);
  EXPECT_TRUE(none.IsPresent());
  TfrBand empty(btPageHeader, nullptr);
  EXPECT_FALSE(empty.IsPresent());
}

TEST(ModelBand, LongChainIsDestroyedWithoutDeepRecursion) {
  auto first = std::make_unique<TfrBand>(btMasterData, nullptr);
  for (int i = 0; i < 200000; ++i)
    first->AppendToChain(std::make_unique<TfrBand>(btMasterData, nullptr));
  EXPECT_EQ(first->ChainEnd->Prev->Next.get(), first->ChainEnd);
  first.reset();
}

// Logs the end of its run and its destruction.
class LoggedDataset : public TfrUserDataset {
 public:
  LoggedDataset(std::vector<std::string>& log, std::string name) : log_(log), name_(std::move(name)) {}
  ~LoggedDataset() override { log_.push_back(name_ + " gone"); }
  void Exit() override { log_.push_back(name_ + " exit"); }

 private:
  std::vector<std::string>& log_;
  std::string name_;
};

TEST(ModelBand, DatasetsAreReleasedWithTheirOwnership) {
  std::vector<std::string> log;
  LoggedDataset shared(log, "shared");
  {
    TfrBand band(btCrossData, nullptr);
    band.DataSet = &shared;
    band.PrivateCrossDataSet = std::make_unique<LoggedDataset>(log, "own");
    band.CrossDataSet = band.PrivateCrossDataSet.get();
  }
  EXPECT_EQ(log, (std::vector<std::string>{"shared exit", "own exit", "own gone"}));
}

}  // namespace
}  // namespace lf
