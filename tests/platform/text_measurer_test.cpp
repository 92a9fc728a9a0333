// Tests of the text measurer and font substitution: widths that follow the
// fonts' own advances at 96 dpi, multi-byte host text, the limits, and the
// families templates' font names and character sets end up with.
#include "platform/text_measurer.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QString>

#include <filesystem>
#include <map>

#include <ostream>
#include <set>
#include <string>
#include <tuple>

#include "platform/code_page.h"
#include "platform/font_files.h"

namespace lf {
namespace {

CanvasFont Font(const char* name, int32_t pixelHeight, uint8_t charset = 1) {
  CanvasFont f;
  f.Name = name;
  f.PixelHeight = pixelHeight;
  f.Charset = charset;
  return f;
}

// Liberation Mono advances every character by 600/1000 em; unhinted, ten
// characters at 13 px are 78 px (a hinted or screen-scaled font gives 80
// or more), and character spacing adds after every character.
TEST(TextMeasurer, WidthIsTheSumOfUnhintedAdvancesPlusSpacing) {
  TextMeasurer m;
  EXPECT_EQ(m.Width(Font("Liberation Mono", 13), "0123456789"), 78);
  EXPECT_EQ(m.Width(Font("Liberation Mono", 13), "0123456789", 2), 98);
  EXPECT_EQ(m.Width(Font("Liberation Mono", 20), "abc"), 36);
  EXPECT_EQ(m.Width(Font("Liberation Mono", 13), ""), 0);
  // Liberation Sans has Arial's advances: H 722, e 556, l 222, o 556 per 1000 em.
  EXPECT_EQ(m.Width(Font("Arial", 13), "Hello"), 30);  // 29.61
  // Bold changes the face that is measured.
  CanvasFont bold = Font("Arial", 13);
  bold.Style = fsBold;
  EXPECT_EQ(m.Width(bold, "Hello"), 32);  // 722+556+278+278+611 = 2445
  // The shared measurer and a new one agree (no state leaks between fonts).
  EXPECT_EQ(TextMeasurer::Shared().Width(Font("Liberation Mono", 13), "0123456789"), 78);
}

// The measuring tests again under another platform plugin with a screen of
// another resolution and scale: the widths must not move.
TEST(TextMeasurer, WidthsDoNotDependOnThePlatformPlugin) {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "minimal:enable_fonts");
  env.insert("QT_FONT_DPI", "144");
  env.insert("QT_SCALE_FACTOR", "2");
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(QCoreApplication::applicationFilePath(),
              {"--gtest_filter=TextMeasurer.WidthIsTheSumOfUnhintedAdvancesPlusSpacing:"
               "TextMeasurer.MetricsArePixelsOfTheFontAtItsHeight:"
               "PainterCanvas.TextWidthAgreesWithMeasurerAndInk"});
  ASSERT_TRUE(child.waitForFinished(120000));
  QString output = QString::fromUtf8(child.readAll());
  EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
  EXPECT_TRUE(output.contains("[  PASSED  ] 3 tests.")) << output.toStdString();
}

// The ink box must hold every pixel the painter darkens for the text: the
// painter canvas leaves out its clip when the box fits, so a box too small
// would let a clip that cuts glyphs go missing.
struct InkCase {
  const char* name;
  const char* family;
  int32_t pixelHeight;
  int style;
  int32_t charSpacing;
  const char* text;  // UTF-8, the host code page of the tests
};

void PrintTo(const InkCase& c, std::ostream* os) { *os << c.name; }

class InkBoundsTest : public ::testing::TestWithParam<InkCase> {};

TEST_P(InkBoundsTest, HoldEveryPixelThePainterInks) {
  const InkCase& c = GetParam();
  CanvasFont font = Font(c.family, c.pixelHeight);
  font.Style = c.style;
  CanvasRect bounds = TextMeasurer::Shared().InkBounds(font, c.text, c.charSpacing);
  ASSERT_FALSE(bounds.IsEmpty());
  QImage image(600, 200, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    QFont qfont = MakeQFont(font);
    if (c.charSpacing != 0) qfont.setLetterSpacing(QFont::AbsoluteSpacing, c.charSpacing);
    painter.setFont(qfont);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(100, 50 + TextMeasurer::Shared().Metrics(font).Ascent),
                     QString::fromUtf8(c.text));
  }
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != qRgb(255, 255, 255)) {
        ASSERT_GE(x, 100 + bounds.Left - 1) << x << "," << y;
        ASSERT_LT(x, 100 + bounds.Right + 1) << x << "," << y;
        ASSERT_GE(y, 50 + bounds.Top - 1) << x << "," << y;
        ASSERT_LT(y, 50 + bounds.Bottom + 1) << x << "," << y;
      }
}

INSTANTIATE_TEST_SUITE_P(
    Fonts, InkBoundsTest,
    ::testing::Values(InkCase{"Sans", "Arial", 13, 0, 0, "Customer 12 fjord"},
                      InkCase{"ItalicOverhang", "Times New Roman", 40, fsItalic, 0, "jaf"},
                      InkCase{"BoldLarge", "Arial", 60, fsBold, 0, "WÅg"},
                      InkCase{"Underlined", "Liberation Mono", 20, fsUnderline, 0, "a b "},
                      InkCase{"StruckOut", "Arial", 20, fsStrikeOut, 0, "xyz"},
                      InkCase{"Spaced", "Arial", 16, 0, 5, "spaced"},
                      InkCase{"NegativeSpacing", "Arial", 16, 0, -3, "tight"},
                      InkCase{"Chinese", "SimSun", 24, 0, 0, "中文报表 Ab"}),
    [](const ::testing::TestParamInfo<InkCase>& info) { return std::string(info.param.name); });

TEST(TextMeasurer, InkBoundsOfBlankTextAreEmptyUnlessUnderlined) {
  TextMeasurer m;
  EXPECT_TRUE(m.InkBounds(Font("Arial", 13), "").IsEmpty());
  EXPECT_TRUE(m.InkBounds(Font("Arial", 13), "   ").IsEmpty());
  CanvasFont underlined = Font("Arial", 13);
  underlined.Style = fsUnderline;
  CanvasRect line = m.InkBounds(underlined, "   ");
  EXPECT_FALSE(line.IsEmpty());
  EXPECT_EQ(line.Left, 0);
  EXPECT_GE(line.Right, m.Width(underlined, "   "));
  EXPECT_GT(line.Top, m.Metrics(underlined).Ascent - 2);  // below the baseline
}

TEST(TextMeasurer, MetricsArePixelsOfTheFontAtItsHeight) {
  TextMeasurer m;
  CanvasFontMetrics small = m.Metrics(Font("Liberation Mono", 13));
  CanvasFontMetrics large = m.Metrics(Font("Liberation Mono", 26));
  EXPECT_EQ(small.Height, small.Ascent + small.Descent);
  EXPECT_EQ(small.Ascent, 11);  // 0.833 em
  EXPECT_EQ(small.Descent, 4);  // 0.300 em
  EXPECT_EQ(large.Ascent, 22);
  EXPECT_EQ(large.Descent, 8);
}

// A character is measured whole whatever its byte length in the host code
// page; characters the named font lacks come from the character set's
// family (full-width CJK: one em each).
TEST(TextMeasurer, MultiByteHostTextIsMeasuredByCharacter) {
  TextMeasurer m;
  CanvasFont font = Font("Liberation Mono", 13, 134);
  int32_t utf8Width = m.Width(font, "中文A");
  EXPECT_EQ(utf8Width, 34);  // 13 + 13 + 7.8
  EXPECT_EQ(m.Width(font, "中文A", 1), 37);
  {
    ScopedHostCodePage gbk("GBK");
    std::string host = Utf8ToHost("中文A");
    ASSERT_EQ(host.size(), 5u);
    EXPECT_EQ(m.Width(font, host), utf8Width);
    EXPECT_EQ(m.Width(font, host, 1), 37);
  }
  // A character outside the BGP counts once for spacing.
  EXPECT_EQ(m.Width(font, "\xF0\x9F\x98\x80", 5) - m.Width(font, "\xF0\x9F\x98\x80"), 5);
}

TEST(TextMeasurer, FontHeightIsHeldToItsLimit) {
  TextMeasurer m;
  EXPECT_EQ(m.Width(Font("Liberation Mono", 1000000), "00"),
            m.Width(Font("Liberation Mono", kMaxFontPixelHeight), "00"));
  EXPECT_EQ(m.Width(Font("Liberation Mono", kMaxFontPixelHeight), "00"), 4916);  // 1229/2048 em each
  // Zero and negative heights measure as the smallest font, not as nothing.
  EXPECT_EQ(m.Width(Font("Liberation Mono", 0), "00000"), 3);
  EXPECT_EQ(m.Width(Font("Liberation Mono", -20), "00000"), 3);
}

// With Liberation 1.x installed beside 2.x, "Liberation Sans" still comes from
// the 2.x files, whose digits are as wide as the engine's layouts assume.
TEST(TextMeasurer, LiberationComesFromTheSecondVersionFiles) {
  if (!std::filesystem::is_directory("/usr/share/fonts/truetype/liberation2"))
    GTEST_SKIP() << "fonts-liberation2 is not installed";
  MakeQFont(Font("Liberation Sans", 13));
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("Liberation Sans"));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  ASSERT_NE(match, nullptr);
  FcChar8* file = nullptr;
  ASSERT_EQ(FcPatternGetString(match, FC_FILE, 0, &file), FcResultMatch);
  EXPECT_NE(std::string(reinterpret_cast<const char*>(file)).find("/liberation2/"), std::string::npos) << file;
  FcPatternDestroy(match);
  FcPatternDestroy(pattern);
}

TEST(TextMeasurer, CachesStartOverPastTheirLimits) {
  TextMeasurer m;
  CanvasFont first = Font("Liberation Mono", 13);
  EXPECT_EQ(m.Width(first, "0123456789"), 78);
  for (size_t i = 0; i <= kMaxCachedFonts; ++i) m.Width(Font("Liberation Mono", 14 + int(i) % 200, uint8_t(i / 200)), "x");
  EXPECT_EQ(m.Width(first, "0123456789"), 78);

  // More distinct characters than one font keeps: the width of a text that
  // overflows the cache is still the sum of its parts' widths.
  std::u32string many;
  for (char32_t c = 0x4E00; many.size() < kMaxCachedAdvances + 10; ++c) {
    if (c == 0xD800) c = 0xE000;
    if (c == 0xFFFE) c = 0x20000;
    many += c;
  }
  auto utf8 = [](std::u32string_view text) {
    return QString::fromUcs4(text.data(), qsizetype(text.size())).toStdString();
  };
  CanvasFont cjk = Font("Noto Sans CJK SC", 10);
  size_t half = many.size() / 2;
  TextMeasurer firstPart, secondPart;
  int32_t parts = firstPart.Width(cjk, utf8(std::u32string_view(many).substr(0, half))) +
                  secondPart.Width(cjk, utf8(std::u32string_view(many).substr(half)));
  EXPECT_NEAR(m.Width(cjk, utf8(many)), parts, 1);
  EXPECT_EQ(m.Width(cjk, "\xE4\xB8\x80\xE4\xB8\x80"), 20);  // U+4E00 twice, one em each
}

// Another package of the same fonts beside ours (CI installs the older
// Liberation beside Liberation 2) leaves one file per family and style.
TEST(FontFiles, EachEngineFamilyAndStyleResolvesToOneFile) {
  MakeQFont(Font("Liberation Sans", 13));
  for (const std::string& family : EngineFontFamilies()) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_WEIGHT, FC_SLANT, FC_WIDTH, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, objects);
    std::map<std::tuple<int, int, int>, std::set<std::string>> files;
    for (int i = 0; set && i < set->nfont; ++i) {
      int weight = 0, slant = 0, width = 0;
      FcChar8* file = nullptr;
      FcPatternGetInteger(set->fonts[i], FC_WEIGHT, 0, &weight);
      FcPatternGetInteger(set->fonts[i], FC_SLANT, 0, &slant);
      FcPatternGetInteger(set->fonts[i], FC_WIDTH, 0, &width);
      FcPatternGetString(set->fonts[i], FC_FILE, 0, &file);
      files[{weight, slant, width}].insert(reinterpret_cast<const char*>(file));
    }
    if (set) FcFontSetDestroy(set);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    for (const auto& [style, names] : files)
      EXPECT_EQ(names.size(), 1u) << family << " weight " << std::get<0>(style) << ": " << *names.begin() << " and "
                                  << *names.rbegin();
  }
}

struct SubstituteCase {
  const char* test;
  const char* name;  // UTF-8
  uint8_t charset;
  const char* family;
};
void PrintTo(const SubstituteCase& c, std::ostream* os) { *os << c.test; }

class SubstituteFamilyTest : public ::testing::TestWithParam<SubstituteCase> {};

TEST_P(SubstituteFamilyTest, MapsTemplateNamesToInstalledFamilies) {
  const SubstituteCase& c = GetParam();
  EXPECT_EQ(SubstituteFamily(c.name, c.charset), c.family);
  EXPECT_TRUE(QFontDatabase::hasFamily(QString::fromUtf8(c.family))) << c.family;
}

INSTANTIATE_TEST_SUITE_P(
    Table, SubstituteFamilyTest,
    ::testing::Values(
        SubstituteCase{"Arial", "Arial", 0, "Liberation Sans"},
        SubstituteCase{"LetterCaseIgnored", "aRIAL", 0, "Liberation Sans"},
        SubstituteCase{"NameWithSpaces", " Times New Roman ", 0, "Liberation Serif"},
        SubstituteCase{"SimSunChinese", "宋体", 134, "Noto Serif CJK SC"},
        SubstituteCase{"VerticalSimSun", "@SimSun", 134, "Noto Serif CJK SC"},
        SubstituteCase{"FullWidthGothic", "ＭＳ ゴシック", 128, "Noto Sans CJK JP"},
        SubstituteCase{"InstalledKept", "Liberation Mono", 134, "Liberation Mono"},
        SubstituteCase{"UnknownGb2312", "No Such Font", 134, "Noto Sans CJK SC"},
        SubstituteCase{"UnknownBig5", "No Such Font", 136, "Noto Sans CJK TC"},
        SubstituteCase{"UnknownWestern", "No Such Font", 0, "Liberation Sans"}),
    [](const ::testing::TestParamInfo<SubstituteCase>& info) { return std::string(info.param.test); });

TEST(SubstituteFamily, NamesAreReadInTheHostCodePage) {
  ScopedHostCodePage gbk("GBK");
  EXPECT_EQ(SubstituteFamily(Utf8ToHost("黑体"), 134), "Noto Sans CJK SC");
  EXPECT_EQ(SubstituteFamily(Utf8ToHost("宋体"), 134), "Noto Serif CJK SC");
}

// An unknown name with a Cyrillic character set draws Cyrillic from a
// family that holds it, not from boxes.
TEST(SubstituteFamily, UnknownCyrillicFontDrawsCyrillic) {
  QString family = QString::fromStdString(SubstituteFamily("Неизвестный", 204));
  EXPECT_TRUE(QFontDatabase::writingSystems(family).contains(QFontDatabase::Cyrillic)) << family.toStdString();
  CanvasFont font = Font("Неизвестный", 13, 204);
  QFont q = MakeQFont(font);
  EXPECT_EQ(QFontInfo(q).family(), family);
  EXPECT_TRUE(QFontMetricsF(q).inFontUcs4(U'Ж'));
}

}  // namespace
}  // namespace lf
