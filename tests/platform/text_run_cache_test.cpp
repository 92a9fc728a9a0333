// Tests of the glyph runs kept for repeated texts: what is taken and when,
// the runs drawing exactly what a plain text draw does, and the limits.
#include "platform/text_run_cache.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <string>

#include "platform/painter_canvas.h"
#include "platform/text_measurer.h"

namespace lf {
namespace {

CanvasFont Font(const char* name, int32_t pixelHeight, int style = 0) {
  CanvasFont f;
  f.Name = name;
  f.PixelHeight = pixelHeight;
  f.Style = style;
  return f;
}

QImage Blank() {
  QImage image(400, 60, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

// The same text drawn by a canvas with and without the cache, three times
// over (seen, shaped, found): the pixels must not change.
TEST(TextRunCache, RunsDrawWhatThePlainDrawDraws) {
  const char* texts[] = {"Customer 12", "  padded  ", "Привет, мир", "中文报表 Ab", "Ünïcödé ß"};
  for (const char* text : texts) {
    QImage plain = Blank();
    {
      QPainter painter(&plain);
      PainterCanvas canvas(painter);
      canvas.SetFont(Font("Arial", 20));
      canvas.TextOut(10, 10, text, {});
    }
    TextRunCache runs;
    for (int round = 0; round < 3; ++round) {
      QImage cached = Blank();
      QPainter painter(&cached);
      PainterCanvas canvas(painter, 96, false, &runs);
      canvas.SetFont(Font("Arial", 20));
      canvas.TextOut(10, 10, text, {});
      painter.end();
      EXPECT_EQ(cached, plain) << text << " round " << round;
    }
  }
}

TEST(TextRunCache, ShapesATextTheSecondTimeItComes) {
  QImage image = Blank();
  TextRunCache runs;
  const CanvasFont font = Font("Arial", 20);
  const QFont qfont = MakeQFont(font);
  EXPECT_EQ(runs.Find(font, qfont, &image, u"Berlin"), nullptr);
  const TextRunCache::Runs* shaped = runs.Find(font, qfont, &image, u"Berlin");
  ASSERT_NE(shaped, nullptr);
  ASSERT_EQ(shaped->glyphs.size(), 1);
  EXPECT_EQ(shaped->glyphs[0].glyphIndexes().size(), 6);
  EXPECT_EQ(runs.Find(font, qfont, &image, u"Berlin"), shaped);
  // Another font is another text.
  EXPECT_EQ(runs.Find(Font("Arial", 21), MakeQFont(Font("Arial", 21)), &image, u"Berlin"), nullptr);
}

TEST(TextRunCache, LeavesOutWhatAPlainDrawMustDo) {
  QImage image = Blank();
  TextRunCache runs;
  CanvasFont rotated = Font("Arial", 20);
  rotated.Orientation = 900;
  struct Case {
    const char* name;
    CanvasFont font;
    std::u16string text;
  } cases[] = {{"underlined", Font("Arial", 20, fsUnderline), u"Berlin"},
               {"struck out", Font("Arial", 20, fsStrikeOut), u"Berlin"},
               {"rotated", rotated, u"Berlin"},
               {"tab", Font("Arial", 20), u"a\tb"},
               {"Hebrew", Font("Arial", 20), u"\u05E9\u05DC\u05D5\u05DD"},
               {"Arabic", Font("Arial", 20), u"\u0633\u0644\u0627\u0645"},
               {"Devanagari", Font("Arial", 20), u"\u0928\u092E\u0938\u094D\u0924\u0947"},
               {"empty", Font("Arial", 20), u""}};
  for (const Case& c : cases) {
    const QFont qfont = MakeQFont(c.font);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(runs.Find(c.font, qfont, &image, c.text), nullptr) << c.name;
  }
  EXPECT_EQ(runs.Size(), 0u);
}

// Texts that never come again fill only their own set: the shaped ones stay.
TEST(TextRunCache, HoldsAtMostItsLimits) {
  QImage image = Blank();
  TextRunCache runs;
  const CanvasFont font = Font("Arial", 12);
  const QFont qfont = MakeQFont(font);
  runs.Find(font, qfont, &image, u"kept");
  const TextRunCache::Runs* kept = runs.Find(font, qfont, &image, u"kept");
  ASSERT_NE(kept, nullptr);
  for (size_t i = 0; i < 3 * kMaxCachedTextRuns; ++i) {
    std::u16string once = u"row " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26));
    for (size_t n = i; n > 0; n /= 26) once += static_cast<char16_t>(u'a' + n % 26);
    runs.Find(font, qfont, &image, once);
    ASSERT_LE(runs.Size(), kMaxCachedTextRuns + 1);
  }
  EXPECT_EQ(runs.Find(font, qfont, &image, u"kept"), kept);
  // Shaped texts start over past their own limit.
  for (size_t i = 0; i < kMaxCachedTextRuns; ++i) {
    std::u16string twice = u"t";
    for (size_t n = i + 1; n > 0; n /= 26) twice += static_cast<char16_t>(u'a' + n % 26);
    runs.Find(font, qfont, &image, twice);
    runs.Find(font, qfont, &image, twice);
  }
  EXPECT_LE(runs.Size(), 2 * kMaxCachedTextRuns);
  EXPECT_EQ(runs.Find(font, qfont, &image, u"kept"), nullptr);  // seen again, not shaped
  // Fonts start over past theirs.
  for (size_t i = 0; i <= kMaxCachedTextRunFonts; ++i) {
    CanvasFont other = Font("Arial", 10 + static_cast<int32_t>(i));
    runs.Find(other, MakeQFont(other), &image, u"x");
  }
  EXPECT_LE(runs.Size(), kMaxCachedTextRunFonts);
}

}  // namespace
}  // namespace lf
