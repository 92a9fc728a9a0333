// Host code page conversions and character boundaries.
#include <gtest/gtest.h>

#include "platform/code_page.h"

namespace lf {
namespace {

TEST(CodePage, LooksUpAliases) {
  EXPECT_EQ(LookupCodePage("gbk").number, 936);
  EXPECT_EQ(LookupCodePage("CP936").kind, CodePageKind::DoubleByte);
  EXPECT_EQ(LookupCodePage("windows-1251").number, 1251);
  EXPECT_EQ(LookupCodePage("1252").kind, CodePageKind::SingleByte);
  EXPECT_EQ(LookupCodePage("utf8").number, 65001);
}

TEST(CodePage, RejectsUnknownNames) {
  try {
    LookupCodePage("klingon");
    FAIL();
  } catch (const ECodePageError& e) {
    EXPECT_STREQ(e.what(), "Unknown code page 'klingon'");
  }
}

TEST(CodePage, ConvertsChineseThroughGbk) {
  ScopedHostCodePage cp("GBK");
  std::string host = Utf8ToHost("张三");
  EXPECT_EQ(host, "\xD5\xC5\xC8\xFD");
  EXPECT_EQ(HostToUtf8(host), "张三");
}

TEST(CodePage, UnmappableCharactersBecomeQuestionMarks) {
  ScopedHostCodePage cp("CP1252");
  EXPECT_EQ(Utf8ToHost("a张b€"), "a?b\x80");
  ScopedHostCodePage cyr("CP1251");
  EXPECT_EQ(Utf8ToHost("Иван😀"), "\xC8\xE2\xE0\xED?");
}

TEST(CodePage, Utf8HostKeepsTextAndReplacesBrokenBytes) {
  ScopedHostCodePage cp("UTF-8");
  EXPECT_EQ(HostToUtf16("\xE5\xBC\xA0"), u"张");
  EXPECT_EQ(HostToUtf16("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(Utf16ToHost(u"x\xD800y"), "x\xEF\xBF\xBDy");
}

TEST(CodePage, DoubleByteBoundaries) {
  ScopedHostCodePage cp("GBK");
  // "\xD5\x5B" is one character whose trail byte is "[": a search for "["
  // must not land inside it.
  std::string text = "\xD5[x[";
  EXPECT_EQ(FindText(text, "["), 3u);
  EXPECT_EQ(CharLength(text, 0), 2u);
  EXPECT_EQ(CharStart(text, 1), 0u);
  EXPECT_EQ(CutAtBoundary("\xD5\xC5\xC8\xFD", 3), "\xD5\xC5");
  EXPECT_EQ(CharCount("\xD5\xC5" "a"), 2u);
}

TEST(CodePage, Utf8Boundaries) {
  ScopedHostCodePage cp("UTF-8");
  EXPECT_EQ(CutAtBoundary("张三", 4), "张");
  EXPECT_EQ(CharStart("张三", 4), 3u);
  EXPECT_EQ(CharCount("张三a"), 3u);
}

}  // namespace
}  // namespace lf
