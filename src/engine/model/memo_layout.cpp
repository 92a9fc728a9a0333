// Wrapping working lines into layout lines, and Cyrillic hyphenation points.
#include "engine/model/memo_layout.h"

#include <algorithm>
#include <array>
#include <memory>

#include "engine/model/memo_view.h"
#include "platform/code_page.h"
#include "platform/saturate.h"
#include "platform/text_measurer.h"

namespace lf {

namespace {

// Length of the character at pos, with the host code page's kind looked up
// once per text rather than once per character.
class CharStepper {
 public:
  CharStepper() : kind_(HostCodePage().kind) {}
  size_t operator()(std::string_view text, size_t pos) const {
    const unsigned char b = static_cast<unsigned char>(text[pos]);
    if (b < 0x80 || kind_ == CodePageKind::SingleByte) return 1;
    return CharLength(text, pos);
  }

 private:
  CodePageKind kind_;
};

}  // namespace

TfrAdvanceCache::TfrAdvanceCache(const CanvasFont& font)
    : font_(font), codePage_(HostCodePage().number) {
  std::fill(std::begin(single_), std::end(single_), -1);
}

TfrAdvanceCache& TfrAdvanceCache::For(const CanvasFont& measured) {
  constexpr size_t kKeptFonts = 8;
  // Colour and turning do not change advances.
  CanvasFont font = measured;
  font.Color = 0;
  font.Orientation = 0;
  static std::vector<std::unique_ptr<TfrAdvanceCache>> caches;
  const int codePage = HostCodePage().number;
  for (size_t i = 0; i < caches.size(); ++i) {
    TfrAdvanceCache& c = *caches[i];
    if (c.codePage_ == codePage && c.font_ == font) {
      if (i != 0) std::rotate(caches.begin(), caches.begin() + static_cast<ptrdiff_t>(i),
                              caches.begin() + static_cast<ptrdiff_t>(i) + 1);
      return *caches.front();
    }
  }
  if (caches.size() == kKeptFonts) caches.pop_back();
  caches.insert(caches.begin(), std::make_unique<TfrAdvanceCache>(font));
  return *caches.front();
}

int32_t TfrAdvanceCache::MeasureChar(std::string_view ch) {
  if (ch.size() == 1) {
    int32_t& w = single_[static_cast<unsigned char>(ch[0])];
    w = TextMeasurer::Shared().Width(font_, ch, 0);
    return w;
  }
  uint32_t key = 0;
  for (size_t i = 0; i < ch.size() && i < 4; ++i) key = (key << 8) | static_cast<unsigned char>(ch[i]);
  key |= static_cast<uint32_t>(ch.size()) << 30;
  auto it = multi_.find(key);
  if (it != multi_.end()) return it->second;
  const int32_t w = TextMeasurer::Shared().Width(font_, ch, 0);
  multi_.emplace(key, w);
  return w;
}

int32_t TfrAdvanceCache::TextWidth(std::string_view text, int32_t charSpacing) {
  const CharStepper step;
  int64_t w = 0;
  for (size_t i = 0; i < text.size();) {
    const size_t len = step(text, i);
    w += int64_t{CharWidth(text.substr(i, len))} + charSpacing;
    i += len;
  }
  return SaturateToInt32(w);
}

namespace {

// Unicode code of the character at the start of ch (0 when unknown).
char32_t CodeOf(std::string_view ch) {
  const unsigned char b = static_cast<unsigned char>(ch[0]);
  if (b < 0x80) return b;
  const std::u16string u = HostToUtf16(ch);
  return u.empty() ? 0 : u[0];
}

// Cyrillic letters, either case: Ё А Е И О У Ы Э Ю Я are vowels, Ъ Ь signs.
bool IsVowel(char32_t c) {
  if (c == 0x0451) c = 0x0401;
  if (c >= 0x0430 && c <= 0x044F) c -= 0x20;
  switch (c) {
    case 0x0401: case 0x0410: case 0x0415: case 0x0418: case 0x041E:
    case 0x0423: case 0x042B: case 0x042D: case 0x042E: case 0x042F:
      return true;
    default:
      return false;
  }
}

bool IsSign(char32_t c) {
  return c == 0x042A || c == 0x042C || c == 0x044A || c == 0x044C;
}

bool IsWordEnd(char32_t c) { return c == ' ' || c == ',' || c == '-' || c == '.'; }

bool IsWordDelimiter(char c) {
  return c == ' ' || c == ',' || c == '-' || c == '.' || c == '\r' || c == '\n';
}

}  // namespace

std::vector<size_t> HyphenationPoints(std::string_view word) {
  std::vector<char32_t> codes;
  std::vector<size_t> ends;  // byte offset after each character
  for (size_t i = 0; i < word.size();) {
    const size_t len = CharLength(word, i);
    codes.push_back(CodeOf(word.substr(i, len)));
    i += len;
    ends.push_back(i);
  }
  std::vector<size_t> points;
  const size_t n = codes.size();
  if (n < 4) return points;
  // c(k) is character k counted from 1.
  auto c = [&](size_t k) { return k >= 1 && k <= n ? codes[k - 1] : char32_t(' '); };
  for (size_t i = 2; i + 2 <= n; ++i) {
    const bool vowelRule = IsVowel(c(i)) && (IsVowel(c(i + 1)) || IsVowel(c(i + 2)));
    const bool signRule = IsSign(c(i)) && !IsWordEnd(c(i + 2));
    const bool consonantRule =
        !IsVowel(c(i)) && !IsVowel(c(i + 1)) && !IsSign(c(i + 1)) && IsVowel(c(i + 2));
    if (vowelRule || signRule || consonantRule) points.push_back(ends[i - 1]);
  }
  return points;
}

namespace {

class LineWrapper {
 public:
  LineWrapper(std::string_view line, const TfrWrapOptions& options, TfrAdvanceCache& advances,
              TfrLines& out)
      : line_(line), opt_(options), adv_(advances), out_(out) {}

  void Run() {
    const size_t n = line_.size();
    size_t start = 0;
    size_t candidate = kNone;  // last space of the current output line
    int32_t width = 0;         // width of line_[start, i)
    size_t i = 0;
    while (i < n) {
      const char c = line_[i];
      if (c == '\r' || c == '\n') {
        Emit(line_.substr(start, i - start), true);
        while (i < n && (line_[i] == '\r' || line_[i] == '\n')) ++i;
        if (i >= n) return;
        start = i;
        candidate = kNone;
        width = 0;
        continue;
      }
      const size_t len = step_(line_, i);
      const int32_t w = adv_.CharWidth(line_.substr(i, len)) + opt_.CharSpacing;
      if (c == ' ') candidate = i;
      if (c == ' ' || width + w <= opt_.AvailableWidth) {
        width += w;
        i += len;
        continue;
      }
      if (i == start) {
        // A character that does not fit alone still takes a line of its own.
        Emit(line_.substr(start, len), false);
        i += len;
        start = i;
        candidate = kNone;
        width = 0;
        continue;
      }
      start = Break(start, candidate, i);
      candidate = kNone;
      width = Width(start, i);
    }
    if (start >= n && emitted_) {
      out_.back() += kParagraphMarker;
      return;
    }
    Emit(line_.substr(start), true);
  }

 private:
  static constexpr size_t kNone = std::string_view::npos;

  int32_t Width(size_t from, size_t to) { return adv_.TextWidth(line_.substr(from, to - from), opt_.CharSpacing); }

  // Ends the output line that character at does not fit on; returns where
  // the next one starts.
  size_t Break(size_t start, size_t candidate, size_t at) {
    if (opt_.WordBreak) {
      const size_t wordStart = candidate == kNone ? start : candidate + 1;
      // No point past at fits, and the rules look two characters beyond a
      // point: the rest of a long word is never scanned.
      size_t wordEnd = at;
      for (int k = 0; k < 2 && wordEnd < line_.size() && !IsWordDelimiter(line_[wordEnd]); ++k)
        wordEnd += CharLength(line_, wordEnd);
      const int64_t hyphen = int64_t{adv_.CharWidth("-")} + opt_.CharSpacing;
      size_t accepted = kNone;
      size_t measured = wordStart;  // width(start, measured) is known
      int64_t width = Width(start, wordStart);
      for (size_t p : HyphenationPoints(line_.substr(wordStart, wordEnd - wordStart))) {
        const size_t point = wordStart + p;
        while (measured < point) {
          const size_t len = step_(line_, measured);
          width += int64_t{adv_.CharWidth(line_.substr(measured, len))} + opt_.CharSpacing;
          measured += len;
        }
        const int64_t upToPoint = measured == point ? width : Width(start, point);
        if (upToPoint + hyphen > opt_.AvailableWidth) break;
        accepted = point;
      }
      if (accepted != kNone && accepted > start) {
        Emit(std::string(line_.substr(start, accepted - start)) + "-", false);
        return accepted;
      }
    }
    if (candidate != kNone) {
      Emit(line_.substr(start, candidate - start), false);
      return candidate + 1;
    }
    Emit(line_.substr(start, at - start), false);
    return at;
  }

  void Emit(std::string_view text, bool paragraphEnd) {
    if (out_.size() >= opt_.MaxLines)
      throw EMemoLayoutError("Object " + opt_.OwnerName + ": the text needs more than " +
                             std::to_string(opt_.MaxLines) + " lines");
    std::string s(text);
    if (paragraphEnd) s += kParagraphMarker;
    out_.push_back(std::move(s));
    emitted_ = true;
  }

  CharStepper step_;
  std::string_view line_;
  const TfrWrapOptions& opt_;
  TfrAdvanceCache& adv_;
  TfrLines& out_;
  bool emitted_ = false;
};

// Whether the whole line fits; stops measuring once it does not.
bool Fits(std::string_view line, const TfrWrapOptions& options, TfrAdvanceCache& advances) {
  const CharStepper step;
  int32_t w = 0;
  for (size_t i = 0; i < line.size();) {
    const size_t len = step(line, i);
    w += advances.CharWidth(line.substr(i, len)) + options.CharSpacing;
    if (w > options.AvailableWidth) return false;
    i += len;
  }
  return true;
}

}  // namespace

void WrapLine(std::string_view line, const TfrWrapOptions& options, TfrAdvanceCache& advances,
              TfrLines& out) {
  bool hasBreak = false;
  for (char c : line)
    if (c == '\r' || c == '\n') hasBreak = true;
  const bool oneCharacter = line.empty() || CharStepper()(line, 0) == line.size();
  if (!hasBreak && (oneCharacter || Fits(line, options, advances))) {
    if (out.size() >= options.MaxLines)
      throw EMemoLayoutError("Object " + options.OwnerName + ": the text needs more than " +
                             std::to_string(options.MaxLines) + " lines");
    out.push_back(std::string(line) + kParagraphMarker);
    return;
  }
  LineWrapper(line, options, advances, out).Run();
}

}  // namespace lf
