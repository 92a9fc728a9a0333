// Glyph runs of repeated texts, shaped once by QTextLayout.
#include "platform/text_run_cache.h"

#include <QTextLayout>
#include <QTextOption>

#include <unordered_map>
#include <unordered_set>

#include "platform/font_key.h"

namespace lf {
namespace {

// Looks texts up by view, without making a string.
struct TextHash {
  using is_transparent = void;
  size_t operator()(std::u16string_view t) const { return std::hash<std::u16string_view>()(t); }
};
struct TextEqual {
  using is_transparent = void;
  bool operator()(std::u16string_view a, std::u16string_view b) const { return a == b; }
};

// Characters whose drawing a line layout and a plain text draw agree on
// beyond doubt: printable Latin, Greek and Cyrillic, CJK and full-width
// forms. Controls (tabs), right-to-left and reordering scripts are left
// to the plain draw.
bool Cacheable(std::u16string_view text) {
  for (char16_t c : text) {
    if (c >= 0x20 && c < 0x7F) continue;
    if (c >= 0xA0 && c < 0x0530) continue;
    if (c >= 0x2E80 && c < 0xA000) continue;
    if (c >= 0xAC00 && c < 0xD7A4) continue;
    if (c >= 0xFF01 && c < 0xFF61) continue;
    return false;
  }
  return true;
}

}  // namespace

struct TextRunCache::Impl {
  struct Font {
    // Texts met once; those met again are shaped into Shaped. Each set
    // starts over when full, so that a flood of texts that never repeat
    // does not sweep away the ones that do.
    std::unordered_set<std::u16string, TextHash, TextEqual> Seen;
    std::unordered_map<std::u16string, std::unique_ptr<Runs>, TextHash, TextEqual> Shaped;
  };
  std::unordered_map<FontKey, Font, FontKeyHash> Fonts;
  // The font asked for last: texts come mostly in runs of one font.
  const FontKey* LastKey = nullptr;
  Font* LastFont = nullptr;

  Font& Find(const CanvasFont& font) {
    if (LastKey && LastKey->PixelHeight == font.PixelHeight && LastKey->Style == font.Style &&
        LastKey->Charset == font.Charset && LastKey->Name == font.Name)
      return *LastFont;
    FontKey key{font.Name, font.PixelHeight, font.Style, font.Charset};
    auto it = Fonts.find(key);
    if (it == Fonts.end()) {
      if (Fonts.size() >= kMaxCachedTextRunFonts) {
        Fonts.clear();
        LastKey = nullptr;
      }
      it = Fonts.emplace(std::move(key), Font{}).first;
    }
    LastKey = &it->first;
    LastFont = &it->second;
    return *LastFont;
  }
};

TextRunCache::TextRunCache() : impl_(std::make_unique<Impl>()) {}
TextRunCache::~TextRunCache() = default;

size_t TextRunCache::Size() const {
  size_t n = 0;
  for (const auto& [key, font] : impl_->Fonts) n += font.Seen.size() + font.Shaped.size();
  return n;
}

const TextRunCache::Runs* TextRunCache::Find(const CanvasFont& font, const QFont& qfont,
                                             QPaintDevice* device, std::u16string_view text) {
  if (text.empty() || font.Orientation != 0 || (font.Style & (fsUnderline | fsStrikeOut)) ||
      !Cacheable(text))
    return nullptr;
  Impl::Font& f = impl_->Find(font);
  auto shaped = f.Shaped.find(text);
  if (shaped != f.Shaped.end()) return shaped->second.get();
  auto seen = f.Seen.find(text);
  if (seen == f.Seen.end()) {
    if (f.Seen.size() >= kMaxCachedTextRuns) f.Seen.clear();
    f.Seen.emplace(text);
    return nullptr;
  }
  f.Seen.erase(seen);
  QTextLayout layout(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())), qfont,
                     device);
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  option.setTextDirection(Qt::LeftToRight);
  option.setFlags(QTextOption::IncludeTrailingSpaces);
  layout.setTextOption(option);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  line.setLineWidth(1e7);
  layout.endLayout();
  auto runs = std::make_unique<Runs>();
  runs->glyphs = line.glyphRuns();
  runs->ascent = line.ascent();
  if (f.Shaped.size() >= kMaxCachedTextRuns) f.Shaped.clear();
  return f.Shaped.emplace(std::u16string(text), std::move(runs)).first->second.get();
}

}  // namespace lf
