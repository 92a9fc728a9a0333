// Text measurement at 96 dots per inch on an off-screen image, with one
// cache of character advances per font.
#include "platform/text_measurer.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/code_page.h"
#include "platform/font_files.h"
#include "platform/font_key.h"

namespace lf {

namespace {

// 96 dots per inch in dots per metre, as QImage keeps its resolution.
constexpr int kDotsPerMeter96 = 3780;

int32_t ClampedPixelHeight(int32_t pixelHeight) {
  return std::clamp<int32_t>(pixelHeight, 1, kMaxFontPixelHeight);
}

// A metric in pixels, rounded up so that glyphs are never cut; the slack
// keeps values that are whole numbers in the font from gaining a pixel.
int32_t CeilPixels(qreal value) {
  return static_cast<int32_t>(std::ceil(value - 1e-3));
}

}  // namespace

QFont MakeQFont(const CanvasFont& font) {
  PinEngineFontFiles();
  QStringList families{QString::fromStdString(SubstituteFamily(font.Name, font.Charset))};
  for (const QString& fallback :
       {QString::fromStdString(CharsetFamily(font.Charset)), QStringLiteral("DejaVu Sans")}) {
    if (!families.contains(fallback)) families.append(fallback);
  }
  QFont f;
  f.setFamilies(families);
  f.setPixelSize(ClampedPixelHeight(font.PixelHeight));
  f.setBold((font.Style & fsBold) != 0);
  f.setItalic((font.Style & fsItalic) != 0);
  f.setUnderline((font.Style & fsUnderline) != 0);
  f.setStrikeOut((font.Style & fsStrikeOut) != 0);
  f.setHintingPreference(QFont::PreferNoHinting);
  f.setKerning(false);
  return f;
}

struct TextMeasurer::Impl {
  struct Glyph {
    qreal Advance = 0;  // pixels
    QRectF Ink;         // pixels from the pen position on the baseline
    bool AdvanceKnown = false;
    bool InkKnown = false;
  };
  // Characters below this (Latin, Greek, Cyrillic) are kept in a table
  // indexed by character, the others in a map.
  static constexpr char32_t kTableChars = 0x460;
  struct Entry {
    QFont Font;
    QFontMetricsF Metrics;
    CanvasFontMetrics Rounded;
    std::vector<Glyph> Table;  // by character, made at the first one met
    std::unordered_map<char32_t, Glyph> Glyphs;
    qreal Ascent;     // pixels
    qreal LineWidth;  // pixels, of underline and strike-out
    Entry(const QFont& font, const QImage& device)
        : Font(font), Metrics(font, &device), Ascent(Metrics.ascent()), LineWidth(Metrics.lineWidth()) {
      Rounded.Ascent = CeilPixels(Metrics.ascent());
      Rounded.Descent = CeilPixels(Metrics.descent());
      Rounded.Height = Rounded.Ascent + Rounded.Descent;
    }
    Glyph& Find(char32_t c) {
      Glyph* g = nullptr;
      if (c < kTableChars) {
        if (Table.empty()) Table.resize(kTableChars);
        g = &Table[c];
      } else {
        auto it = Glyphs.find(c);
        if (it != Glyphs.end()) return it->second;
        if (Glyphs.size() >= kMaxCachedAdvances) Glyphs.clear();
        g = &Glyphs[c];
      }
      if (!g->AdvanceKnown) {
        g->Advance = Metrics.horizontalAdvance(QString::fromUcs4(&c, 1));
        g->AdvanceKnown = true;
      }
      return *g;
    }
    qreal Advance(char32_t c) { return Find(c).Advance; }
    // The glyph of c with its ink known.
    const Glyph& WithInk(char32_t c) {
      Glyph& g = Find(c);
      if (!g.InkKnown) {
        // The string form takes the fallback families into account.
        g.Ink = Metrics.boundingRect(QString::fromUcs4(&c, 1));
        g.InkKnown = true;
      }
      return g;
    }
  };

  QImage Device{1, 1, QImage::Format_ARGB32_Premultiplied};
  std::mutex Mutex;  // guards Fonts
  std::unordered_map<FontKey, std::unique_ptr<Entry>, FontKeyHash> Fonts;

  Impl() {
    Device.setDotsPerMeterX(kDotsPerMeter96);
    Device.setDotsPerMeterY(kDotsPerMeter96);
  }

  // The fonts asked for last: texts come mostly in runs of a few fonts
  // (laid out at one size, drawn at another).
  static constexpr size_t kRecent = 4;
  struct Recent {
    const FontKey* Key = nullptr;
    Entry* Found = nullptr;
  };
  Recent RecentFonts[kRecent];
  size_t NextRecent = 0;

  Entry& Find(const CanvasFont& font) {
    const int32_t pixelHeight = ClampedPixelHeight(font.PixelHeight);
    for (const Recent& r : RecentFonts)
      if (r.Key && r.Key->PixelHeight == pixelHeight && r.Key->Style == font.Style &&
          r.Key->Charset == font.Charset && r.Key->Name == font.Name)
        return *r.Found;
    FontKey key{font.Name, pixelHeight, font.Style, font.Charset};
    auto it = Fonts.find(key);
    if (it == Fonts.end()) {
      if (Fonts.size() >= kMaxCachedFonts) {
        Fonts.clear();
        for (Recent& r : RecentFonts) r = Recent{};
      }
      auto entry = std::make_unique<Entry>(MakeQFont(font), Device);
      it = Fonts.emplace(std::move(key), std::move(entry)).first;
    }
    RecentFonts[NextRecent] = Recent{&it->first, it->second.get()};
    NextRecent = (NextRecent + 1) % kRecent;
    return *it->second;
  }
};

TextMeasurer::TextMeasurer() : impl_(std::make_unique<Impl>()) {}
TextMeasurer::~TextMeasurer() = default;

TextMeasurer& TextMeasurer::Shared() {
  // Fonts must go before the application does: the measurer is dropped by
  // the application's own clean-up and made again if asked for later.
  static std::mutex mutex;
  static std::unique_ptr<TextMeasurer> shared;
  static bool cleanUpAdded = false;
  std::lock_guard lock(mutex);
  if (!shared) {
    shared = std::make_unique<TextMeasurer>();
    if (!cleanUpAdded) {
      qAddPostRoutine([] {
        std::lock_guard lock(mutex);
        shared.reset();
      });
      cleanUpAdded = true;
    }
  }
  return *shared;
}

namespace {

// Calls each(c) for the characters of UTF-16 text, surrogate pairs joined.
template <typename Each>
void ForEachChar(std::u16string_view utf16, Each each) {
  for (size_t i = 0; i < utf16.size(); ++i) {
    char32_t c = utf16[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    }
    each(c);
  }
}

}  // namespace

int32_t TextMeasurer::Width(const CanvasFont& font, std::string_view text, int32_t charSpacing) {
  if (text.empty()) return 0;
  std::u16string utf16 = HostToUtf16(text);
  std::lock_guard lock(impl_->Mutex);
  Impl::Entry& entry = impl_->Find(font);
  qreal width = 0;
  size_t count = 0;
  ForEachChar(utf16, [&](char32_t c) {
    width += entry.Advance(c);
    ++count;
  });
  width += static_cast<qreal>(charSpacing) * static_cast<qreal>(count);
  constexpr qreal kMax = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::lround(std::clamp<qreal>(width, -kMax, kMax)));
}

CanvasRect TextMeasurer::InkBounds(const CanvasFont& font, std::string_view text,
                                   int32_t charSpacing) {
  if (text.empty()) return CanvasRect{};
  return InkBounds(font, std::u16string_view(HostToUtf16(text)), charSpacing);
}

CanvasRect TextMeasurer::InkBounds(const CanvasFont& font, std::u16string_view utf16,
                                   int32_t charSpacing) {
  if (utf16.empty()) return CanvasRect{};
  std::lock_guard lock(impl_->Mutex);
  Impl::Entry& entry = impl_->Find(font);
  const qreal ascent = entry.Ascent;
  QRectF ink;
  qreal pen = 0;
  ForEachChar(utf16, [&](char32_t c) {
    const Impl::Glyph& glyph = entry.WithInk(c);
    if (!glyph.Ink.isEmpty()) ink |= glyph.Ink.translated(pen, ascent);
    pen += glyph.Advance + charSpacing;
  });
  // Underline and strike-out run along the whole advance.
  const qreal line = std::max<qreal>(entry.LineWidth, 1);
  if (font.Style & fsUnderline)
    ink |= QRectF(0, ascent + entry.Metrics.underlinePos() - line, pen, 3 * line);
  if (font.Style & fsStrikeOut)
    ink |= QRectF(0, ascent - entry.Metrics.strikeOutPos() - line, pen, 3 * line);
  if (ink.isEmpty()) return CanvasRect{};
  constexpr qreal kMax = std::numeric_limits<int32_t>::max() / 2;
  auto clamp = [&](qreal v) { return std::clamp<qreal>(v, -kMax, kMax); };
  return CanvasRect{static_cast<int32_t>(std::floor(clamp(ink.left()))),
                    static_cast<int32_t>(std::floor(clamp(ink.top()))),
                    static_cast<int32_t>(std::ceil(clamp(ink.right()))),
                    static_cast<int32_t>(std::ceil(clamp(ink.bottom())))};
}

CanvasFontMetrics TextMeasurer::Metrics(const CanvasFont& font) {
  std::lock_guard lock(impl_->Mutex);
  return impl_->Find(font).Rounded;
}

}  // namespace lf
