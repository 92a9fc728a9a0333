// Property access by name on views: what each class declares, reading and
// writing through GetProperty / SetProperty, and the object methods.
#include <gtest/gtest.h>

#include "param_name.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <set>
#include <string>

#include "engine/model/band.h"
#include "engine/model/band_view.h"
#include "engine/model/control_view.h"
#include "engine/run/globals.h"
#include "engine/model/line_view.h"
#include "engine/model/memo_view.h"
#include "engine/model/page.h"
#include "engine/model/picture_view.h"
#include "engine/model/properties.h"
#include "engine/model/subreport_view.h"

namespace lf {
namespace {

Variant Call(TfrObject& object, const std::string& method, const Variant& p1 = Variant(),
             const Variant& p2 = Variant(), const Variant& p3 = Variant()) {
  Variant result;
  object.CallMethod(method, p1, p2, p3, result);
  return result;
}

std::set<std::string> Declared(TfrObject& object) {
  std::set<std::string> names;
  for (const TfrPropRec& rec : object.PropList()) names.insert(rec.Name);
  return names;
}

TEST(PropertiesViews, CommonPropertiesReadAndWriteIgnoringCase) {
  TfrMemoView memo;
  memo.SetProperty("name", Variant("Total"));
  memo.SetProperty("LEFT", Variant(12.5));  // rounded half to even
  memo.SetProperty("Top", Variant("30"));
  memo.SetProperty("fillcolor", Variant(static_cast<int64_t>(0xFF00000F) - 0x100000000));
  memo.SetProperty("FrameWidth", Variant(0.5));
  memo.SetProperty("Tag", Variant("[Page#]"));
  EXPECT_EQ(memo.Name, "Total");
  EXPECT_EQ(memo.Left, 12);
  EXPECT_EQ(memo.Top, 30);
  EXPECT_EQ(memo.FillColor, 0xFF00000Fu);
  EXPECT_FLOAT_EQ(memo.FrameWidth, 0.5f);
  EXPECT_EQ(memo.GetProperty("NAME").AsText(), "Total");
  EXPECT_EQ(memo.GetProperty("FillColor").AsInteger(), -16777201);  // as the colour constants
  EXPECT_EQ(memo.GetProperty("TAG").AsText(), "[Page#]");
  EXPECT_TRUE(memo.GetProperty("Restrictions").IsNull());
  EXPECT_TRUE(memo.GetProperty("NoSuchProperty").IsNull());
  EXPECT_FALSE(memo.HasProperty("NoSuchProperty"));
  EXPECT_TRUE(memo.HasProperty("font.name"));
}

TEST(PropertiesViews, UndeclaredPropertyIsNeitherReadNorWritten) {
  TfrPictureView picture;
  EXPECT_FALSE(picture.HasProperty("GapX"));
  picture.SetProperty("GAPX", Variant(40));
  EXPECT_EQ(picture.GapX, 2);
  EXPECT_TRUE(picture.GetProperty("GAPX").IsNull());
  TfrSubReportView sub;
  sub.SetProperty("FillColor", Variant(255));
  EXPECT_EQ(sub.FillColor, clNone);
  EXPECT_FALSE(sub.HasProperty("FrameTyp"));
  EXPECT_TRUE(sub.HasProperty("Visible"));
}

TEST(PropertiesViews, EnumerationsTakeValuesOrNamesAndRefuseOthers) {
  TfrLineView line;
  line.SetProperty("FRAMESTYLE", Variant(3));
  EXPECT_EQ(line.FrameStyle, psDashDot);
  line.SetProperty("BandAlign", Variant("baRest"));
  EXPECT_EQ(line.BandAlign, baRest);
  try {
    line.SetProperty("BANDALIGN", Variant(8));
    FAIL() << "no error";
  } catch (const EPropertyError& e) {
    EXPECT_EQ(e.Message(), "Value 8 out of range for property BANDALIGN");
  }
  EXPECT_EQ(line.BandAlign, baRest);
  const TfrPropRec* rec = line.FindProperty("FrameStyle");
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(rec->EnumNames.size(), 6u);
  EXPECT_EQ(rec->EnumNames[5], "psDouble");
  EXPECT_EQ(rec->EnumValues[5], 5);
}

TEST(PropertiesViews, IntegersOutsideTheirFieldAreRefused) {
  TfrMemoView memo;
  try {
    memo.SetProperty("Width", Variant(static_cast<int64_t>(1) << 40));
    FAIL() << "no error";
  } catch (const EPropertyError& e) {
    EXPECT_EQ(e.Message(), "Value 1099511627776 out of range for property WIDTH");
  }
  EXPECT_EQ(memo.Width, 0);
  EXPECT_THROW(memo.SetProperty("Font.Size", Variant(kMaxFontSize + 1)), EPropertyError);
  memo.SetProperty("Font.Size", Variant(kMaxFontSize));
  EXPECT_EQ(memo.Font.Size, kMaxFontSize);
  // 16-bit sets keep their low bits, as a stored word does.
  memo.SetProperty("Flags", Variant(0x10003));
  EXPECT_EQ(memo.Flags, 3);
}

struct FlagCase {
  int typeCode;
  const char* property;
  uint16_t bit;
};
void PrintTo(const FlagCase& c, std::ostream* os) { *os << "type " << c.typeCode << " " << c.property; }

class PropertiesFlags : public ::testing::TestWithParam<FlagCase> {};

TEST_P(PropertiesFlags, BooleanPropertySetsAndClearsItsBit) {
  const FlagCase& c = GetParam();
  std::unique_ptr<TfrView> view;
  switch (c.typeCode) {
    case 0: view = std::make_unique<TfrMemoView>(); break;
    case 1: view = std::make_unique<TfrPictureView>(); break;
    case 4: view = std::make_unique<TfrLineView>(); break;
    default: {
      auto band = std::make_unique<TfrBandView>();
      band->SetBandType(static_cast<TfrBandType>(c.typeCode - 100));
      view = std::move(band);
    }
  }
  view->Flags = 0;
  view->SetProperty(c.property, Variant(true));
  EXPECT_EQ(view->Flags, c.bit);
  EXPECT_TRUE(view->GetProperty(c.property).AsBoolean());
  view->SetProperty(c.property, Variant(false));
  EXPECT_EQ(view->Flags, 0);
}

// Band views are given as 100 + kind.
INSTANTIATE_TEST_SUITE_P(
    EveryFlagName, PropertiesFlags,
    ::testing::Values(FlagCase{0, "Stretched", 1}, FlagCase{0, "WordWrap", 2},
                      FlagCase{0, "WordBreak", 4}, FlagCase{0, "AutoWidth", 8},
                      FlagCase{0, "TextOnly", 16}, FlagCase{0, "Suppress", 32},
                      FlagCase{0, "HideZeros", 64}, FlagCase{0, "Underlines", 128},
                      FlagCase{0, "RTLReading", 256}, FlagCase{1, "Stretched", 1},
                      FlagCase{1, "Center", 2}, FlagCase{1, "KeepAspect", 4},
                      FlagCase{4, "Stretched", 1}, FlagCase{105, "FormNewPage", 2},
                      FlagCase{105, "PrintIfSubsetEmpty", 4}, FlagCase{105, "Breaked", 8},
                      FlagCase{103, "OnFirstPage", 16}, FlagCase{103, "OnLastPage", 32},
                      FlagCase{104, "RepeatHeader", 64},
                      FlagCase{100, "PrintChildIfInvisible", 128}),
    [](const ::testing::TestParamInfo<PropertiesFlags::ParamType>& info) { return "type" + std::to_string(info.param.typeCode) + "_" + lf::test::ParamName(info.param.property); });

TEST(PropertiesViews, MemoTextJoinsAndSplitsLines) {
  TfrLineView line;
  line.SetProperty("Memo", Variant("first\r\nsecond\nthird"));
  EXPECT_EQ(line.Memo, (TfrLines{"first", "second", "third"}));
  EXPECT_EQ(line.GetProperty("MEMO").AsText(), "first\r\nsecond\r\nthird\r\n");
  EXPECT_EQ(line.GetProperty("Memo.Count").AsInteger(), 3);
  line.SetProperty("Memo.Count", Variant(9));  // read only
  EXPECT_EQ(line.Memo.size(), 3u);
}

// An argument text that evaluates to text.
Variant Quoted(const std::string& text) { return Variant("'" + text + "'"); }

TEST(PropertiesViews, MemoListMethods) {
  TfrMemoView memo;
  Call(memo, "memo.add", Quoted("alpha"));
  Call(memo, "MEMO.ADD", Quoted("beta"));
  Call(memo, "Lines.Add", Quoted("gamma"));
  EXPECT_EQ(memo.Memo, (TfrLines{"alpha", "beta", "gamma"}));
  EXPECT_EQ(Call(memo, "MEMO.INDEXOF", Quoted("beta")).AsInteger(), 1);
  EXPECT_EQ(Call(memo, "LINES.INDEXOF", Quoted("BETA")).AsInteger(), -1);
  EXPECT_EQ(memo.GetProperty("Lines.Count").AsInteger(), 3);
  Call(memo, "SETINDEXPROPERTY", Variant("Memo"), Variant(2), Variant(42));
  EXPECT_EQ(Call(memo, "GETINDEXPROPERTY", Variant("LINES"), Variant(2)).AsText(), "42");
  Call(memo, "MEMO.DELETE", Variant("0"));
  EXPECT_EQ(memo.Memo, (TfrLines{"beta", "42"}));
  try {
    Call(memo, "MEMO.DELETE", Variant(2));
    FAIL() << "no error";
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (2)");
  }
  EXPECT_THROW(Call(memo, "GETINDEXPROPERTY", Variant("MEMO"), Variant(-1)), EListError);
  Call(memo, "Memo.Clear");
  EXPECT_TRUE(memo.Memo.empty());
  // A list that is not the object's leaves it alone.
  Call(memo, "SETINDEXPROPERTY", Variant("SCRIPT"), Variant(0), Variant("x"));
  EXPECT_TRUE(memo.Memo.empty());
}

TEST(PropertiesViews, MethodArgumentsAreEvaluated) {
  TfrLineView line;
  Call(line, "MEMO.ADD", Variant("1 + 2"));
  Call(line, "MEMO.ADD", Variant("'1 + 2'"));
  EXPECT_EQ(line.Memo, (TfrLines{"3", "1 + 2"}));
}

TEST(PropertiesViews, HideShowAndCalcHeight) {
  TfrLineView line;
  line.Height = 37;
  Call(line, "HIDE");
  EXPECT_FALSE(line.Visible);
  Call(line, "show");
  EXPECT_TRUE(line.Visible);
  EXPECT_EQ(Call(line, "CALCHEIGHT").AsInteger(), 37);
  EXPECT_TRUE(Call(line, "NOSUCHMETHOD").IsEmpty());
}

TEST(PropertiesViews, DialogControlVisibilityReachesThePlatformControl) {
  struct Probe : TfrPlatformControl {
    bool* visible;
    explicit Probe(bool* v) : visible(v) {}
    void SetVisible(bool v) override { *visible = v; }
    void SetBounds(int32_t, int32_t, int32_t, int32_t) override {}
  };
  bool shown = true;
  TfrControl control;
  control.Control = std::make_unique<Probe>(&shown);
  Call(control, "HIDE");
  EXPECT_FALSE(shown);
  control.SetProperty("Visible", Variant(true));
  EXPECT_TRUE(shown);
}

TEST(PropertiesText, FontSubPropertiesAndSpacing) {
  TfrMemoView memo;
  memo.SetProperty("FONT.NAME", Variant("Courier New"));
  memo.SetProperty("Font.Size", Variant(12));
  memo.SetProperty("Font.Style", Variant(fsBold | fsUnderline));
  memo.SetProperty("font.color", Variant(255));
  memo.SetProperty("Alignment", Variant(frtaCenter | frtaMiddle));
  memo.SetProperty("LineSpacing", Variant(5));
  memo.SetProperty("CharSpacing", Variant(1));
  memo.SetProperty("GapX", Variant(4));
  EXPECT_EQ(memo.Font, (TfrFont{"Courier New", 12, 6, 255, 1}));
  EXPECT_EQ(memo.GetProperty("FONT.STYLE").AsInteger(), 6);
  EXPECT_EQ(memo.GetProperty("FONT.NAME").AsText(), "Courier New");
  EXPECT_EQ(memo.GetProperty("ALIGNMENT").AsInteger(), 10);
  EXPECT_EQ(memo.GetProperty("LINESPACING").AsInteger(), 5);
  EXPECT_EQ(memo.GetProperty("CHARSPACING").AsInteger(), 1);
  EXPECT_EQ(memo.GetProperty("GAPX").AsInteger(), 4);
  const std::set<std::string> declared = Declared(memo);
  for (const char* name : {"Font.Name", "Font.Size", "Font.Style", "Font.Color", "Font",
                           "Alignment", "DisplayFormat", "Highlight", "LineSpacing",
                           "CharSpacing", "GapX", "GapY", "Stretched", "WordWrap", "WordBreak",
                           "AutoWidth", "TextOnly", "Suppress", "HideZeros", "Lines.Count",
                           "Underlines", "RTLReading"})
    EXPECT_TRUE(declared.count(name)) << name;
}

TEST(PropertiesPicture, DataFieldBlobTypeAndPictureTokens) {
  TfrPictureView a, b;
  EXPECT_EQ(Globals().Constants->Lookup("BTJPG").AsInteger(), btJPG);  // entered by pictures
  EXPECT_EQ(Globals().Constants->Lookup("btWMF").AsInteger(), btWMF);
  a.SetProperty("DataField", Variant("[cds0.\"photo\"]"));
  EXPECT_EQ(a.Memo, (TfrLines{"[cds0.\"photo\"]"}));
  EXPECT_EQ(a.GetProperty("DATAFIELD").AsText(), "[cds0.\"photo\"]");
  a.SetProperty("BlobType", Variant("btJPG"));
  EXPECT_EQ(a.BlobType, btJPG);
  a.Picture = TfrPicture{TfrGraphicKind::JPEG, "\xFF\xD8\xFF data"};
  b.SetProperty("Picture", a.GetProperty("PICTURE"));
  EXPECT_EQ(b.Picture, a.Picture);
  const Variant stale = [] {
    TfrPictureView gone;
    return gone.GetProperty("Picture");
  }();
  b.SetProperty("Picture", stale);  // names no live picture
  b.SetProperty("Picture", Variant(123456789));
  EXPECT_EQ(b.Picture, a.Picture);
}

class PropertiesPictureFile : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("lf_picture_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

// A 1 x 1 bitmap file at 24 bits.
const std::string kTinyBitmap = std::string("BM\x3A\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x18\0", 30) +
                                std::string(24, '\0') + std::string("\0\0\xFF\0", 4);

TEST_F(PropertiesPictureFile, LoadFromFileReadsByContentAndClearsForMissingFiles) {
  TfrPictureView picture;
  picture.Name = "Picture1";
  Call(picture, "LOADFROMFILE", Quoted(Write("logo.jpg", kTinyBitmap)));
  EXPECT_EQ(picture.Picture.Kind, TfrGraphicKind::Bitmap);
  EXPECT_EQ(picture.Picture.Data, kTinyBitmap);
  Call(picture, "LOADFROMFILE", Quoted((dir_ / "missing.bmp").string()));
  EXPECT_TRUE(picture.Picture.Empty());
  struct Bad {
    const char* file;
    std::string bytes;
    const char* message;
  };
  for (const Bad& bad : {Bad{"notes.bmp", "just text", "Picture1: Unknown picture format"},
                         Bad{"logo.jpg", "\xFF\xD8\xFF\xE0 jpeg", "Picture1: not a valid JPEG image"},
                         Bad{"logo.bmp", "BM bitmap", "Picture1: not a valid bitmap image"}}) {
    try {
      Call(picture, "LOADFROMFILE", Quoted(Write(bad.file, bad.bytes)));
      FAIL() << "no error for " << bad.file;
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), bad.message);
    }
  }
}

TEST_F(PropertiesPictureFile, OversizedFileIsRefusedBeforeReading) {
  const std::string path = Write("huge.bmp", "BM");
  std::filesystem::resize_file(path, kMaxPictureFileBytes + 1);
  TfrPictureView picture;
  try {
    LoadPictureFile(picture.Picture, path);
    FAIL() << "no error";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Picture file too large");
  }
  // At the limit the file is read (and then found to be no bitmap).
  std::filesystem::resize_file(path, kMaxPictureFileBytes);
  try {
    LoadPictureFile(picture.Picture, path);
    FAIL() << "no error";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "not a valid bitmap image");
  }
}

}  // namespace
}  // namespace lf
