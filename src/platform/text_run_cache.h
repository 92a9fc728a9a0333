// TextRunCache: the shaped glyph runs of texts drawn again and again on one
// device (the pages of a PDF), so that a repeated text is not shaped anew.
#pragma once

#include <QGlyphRun>
#include <QList>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/canvas.h"

class QFont;
class QPaintDevice;

namespace lf {

// Texts the cache keeps for one font, shaped and again only seen; past this
// each set starts over.
inline constexpr size_t kMaxCachedTextRuns = 4096;
// Fonts the cache keeps texts for; past this it starts over.
inline constexpr size_t kMaxCachedTextRunFonts = 64;

class TextRunCache {
 public:
  TextRunCache();
  ~TextRunCache();
  TextRunCache(const TextRunCache&) = delete;
  TextRunCache& operator=(const TextRunCache&) = delete;

  struct Runs {
    QList<QGlyphRun> glyphs;  // in drawing order, positions from the line's top-left corner
    qreal ascent = 0;         // of the line, device units
  };

  // The runs of text in font (as qfont draws it on device), or null while
  // the text has been seen only once: a text that comes once is drawn as
  // usual, one that comes again is shaped for the cache. Only upright
  // left-to-right text without decorations, tabs or scripts that reorder
  // is taken.
  const Runs* Find(const CanvasFont& font, const QFont& qfont, QPaintDevice* device,
                   std::u16string_view text);
  // Texts held now, shaped or only seen, over all fonts.
  size_t Size() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace lf
