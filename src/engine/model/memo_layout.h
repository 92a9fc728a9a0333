// Text layout of text objects: wrapping one working line into layout lines
// (word wrap, word break with hyphenation points, line breaks), measured at
// scale 1 with cached character advances.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/model/text_lines.h"
#include "platform/canvas.h"

namespace lf {

// Advances of the characters of one font at 96 dpi (character spacing not
// included), measured once each through the shared text measurer.
class TfrAdvanceCache {
 public:
  explicit TfrAdvanceCache(const CanvasFont& font);
  // The cache of font (colour and orientation aside) for the current host
  // code page; the few most recent fonts are kept.
  static TfrAdvanceCache& For(const CanvasFont& font);

  const CanvasFont& Font() const { return font_; }
  // Width of the one character ch (its bytes in the host code page).
  int32_t CharWidth(std::string_view ch) {
    if (ch.size() == 1) {
      const int32_t w = single_[static_cast<unsigned char>(ch[0])];
      if (w >= 0) return w;
    }
    return MeasureChar(ch);
  }
  // Width of a text with charSpacing after every character.
  int32_t TextWidth(std::string_view text, int32_t charSpacing);

 private:
  int32_t MeasureChar(std::string_view ch);

  CanvasFont font_;
  int codePage_;
  int32_t single_[256];  // -1 until measured
  std::unordered_map<uint32_t, int32_t> multi_;
};

struct TfrWrapOptions {
  int32_t AvailableWidth = 0;  // page units
  int32_t CharSpacing = 0;     // page units after every character
  bool WordBreak = false;      // hyphenate words at their hyphenation points
  size_t MaxLines = 0;         // output lines allowed in total
  std::string OwnerName;       // object named by the too-many-lines error
};

// Appends the layout lines of one working line to out; each line that ends
// a paragraph carries kParagraphMarker. Every output line takes at least
// one character, so a line of n characters gives at most n lines. Raises
// EMemoLayoutError when out would exceed options.MaxLines.
void WrapLine(std::string_view line, const TfrWrapOptions& options, TfrAdvanceCache& advances,
              TfrLines& out);

// Byte offsets within word after which a hyphen may break it: Cyrillic
// vowel and sign rules, whatever the host code page; other scripts have
// none, and no offset falls inside a multi-byte character.
std::vector<size_t> HyphenationPoints(std::string_view word);

}  // namespace lf
