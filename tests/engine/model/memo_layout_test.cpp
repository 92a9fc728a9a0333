// Wrapping text lines: breaks at spaces and inside long words, line breaks,
// narrow objects, hyphenation of Cyrillic words in every host code page.
#include "engine/model/memo_layout.h"

#include <gtest/gtest.h>

#include <ostream>

#include "engine/model/memo_view.h"
#include "platform/code_page.h"

namespace lf {
namespace {

CanvasFont Mono() {
  CanvasFont f;
  f.Name = "Liberation Mono";
  f.PixelHeight = 13;
  return f;
}

class MemoWrap : public ::testing::Test {
 protected:
  ScopedHostCodePage utf8{"UTF-8"};
  // Wraps line in a width that holds exactly chars characters.
  TfrLines Wrap(std::string_view line, int chars, bool wordBreak = false) {
    TfrAdvanceCache& cache = TfrAdvanceCache::For(Mono());
    TfrWrapOptions o;
    o.AvailableWidth = chars * cache.CharWidth("M");
    o.WordBreak = wordBreak;
    o.MaxLines = kMaxLayoutLines;
    o.OwnerName = "Memo1";
    TfrLines out;
    WrapLine(line, o, cache, out);
    for (std::string& l : out)
      if (!l.empty() && l.back() == kParagraphMarker) l.back() = '|';
    return out;
  }
};

TEST_F(MemoWrap, BreaksAtTheLastSpaceThatFits) {
  EXPECT_EQ(Wrap("one two three four", 9), (TfrLines{"one two", "three", "four|"}));
}

TEST_F(MemoWrap, BreaksALongWordAtTheLastCharacterThatFits) {
  EXPECT_EQ(Wrap("abcdefghij xy", 4), (TfrLines{"abcd", "efgh", "ij", "xy|"}));
}

TEST_F(MemoWrap, LineBreaksEndParagraphsAndRunsOfThemCollapse) {
  EXPECT_EQ(Wrap("ab\r\n\r\ncd\n", 10), (TfrLines{"ab|", "cd|"}));
  EXPECT_EQ(Wrap("", 10), (TfrLines{"|"}));
}

TEST_F(MemoWrap, EveryLineTakesACharacterWhenNothingFits) {
  // Narrower than one character: one character per line, never more lines
  // than characters, and the paragraph end on the last one.
  EXPECT_EQ(Wrap("abc", 0), (TfrLines{"a", "b", "c|"}));
  EXPECT_EQ(Wrap("x", 0), (TfrLines{"x|"}));
}

TEST_F(MemoWrap, MultiByteCharactersAreNeverCut) {
  // Six two-byte characters (UTF-8) in a width of four.
  EXPECT_EQ(Wrap("\xD0\xB0\xD0\xB1\xD0\xB2\xD0\xB3\xD0\xB4\xD0\xB5", 4),
            (TfrLines{"\xD0\xB0\xD0\xB1\xD0\xB2\xD0\xB3", "\xD0\xB4\xD0\xB5|"}));
}

TEST_F(MemoWrap, WordBreakHyphenatesCyrillicButNotLatin) {
  // "программирование" (16 letters) after a short word, in 12 characters.
  const std::string word = Utf8ToHost("программирование");
  TfrLines lines = Wrap("a " + word, 12, true);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(HostToUtf8(lines[0]), "a программи-");
  EXPECT_EQ(HostToUtf8(lines[1]), "рование|");
  // A Latin word has no hyphenation points: broken at the space, then at
  // the last character that fits.
  EXPECT_EQ(Wrap("a programmingtexts", 12, true), (TfrLines{"a", "programmingt", "exts|"}));
}

TEST_F(MemoWrap, WordBreakOfAVeryLongWordLooksOnlyAtWhatCanStillFit) {
  // A 1,000,000-letter Cyrillic word: hyphenated line after line, each cut
  // found without scanning the rest of the word (that took minutes).
  const std::string syllable = Utf8ToHost("пере");
  std::string word;
  for (int i = 0; i < 250000; ++i) word += syllable;
  const TfrLines lines = Wrap(word, 2000, true);
  ASSERT_GT(lines.size(), 500u);
  EXPECT_EQ(lines[0].size(), 1998u * 2 + 1);  // 1998 letters and the hyphen fit in 2000
  std::string joined;
  for (std::string l : lines) {
    ASSERT_FALSE(l.empty());
    if (l.back() == '-' || l.back() == '|') l.pop_back();
    joined += l;
  }
  EXPECT_EQ(joined, word);
}

struct HyphenCase {
  const char* name;
  const char* codePage;
  const char* word;  // UTF-8
  std::vector<size_t> chars;  // points, in characters
};
void PrintTo(const HyphenCase& c, std::ostream* os) { *os << c.name; }

class Hyphenation : public ::testing::TestWithParam<HyphenCase> {};

TEST_P(Hyphenation, PointsFollowTheVowelAndSignRules) {
  const HyphenCase& c = GetParam();
  ScopedHostCodePage cp(c.codePage);
  const std::string word = Utf8ToHost(c.word);
  std::vector<size_t> chars;
  for (size_t bytes : HyphenationPoints(word)) chars.push_back(CharCount(word.substr(0, bytes)));
  EXPECT_EQ(chars, c.chars);
}

INSTANTIATE_TEST_SUITE_P(
    Words, Hyphenation,
    ::testing::Values(
        HyphenCase{"Utf8", "UTF-8", "программирование", {4, 7, 9, 11, 13}},
        HyphenCase{"Cp1251", "CP1251", "программирование", {4, 7, 9, 11, 13}},
        HyphenCase{"UpperCase", "UTF-8", "ПРОГРАММА", {4, 7}},
        HyphenCase{"SoftSign", "CP1251", "письмо", {4}},
        HyphenCase{"ShortWord", "UTF-8", "дом", {}},
        HyphenCase{"Latin", "UTF-8", "information", {}},
        HyphenCase{"Gbk", "GBK", "汉字汉字汉字", {}}),
    [](const ::testing::TestParamInfo<HyphenCase>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace lf
