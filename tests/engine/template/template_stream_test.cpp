// Template stream primitives: strings and line lists in both encodings, the
// frame-width encoding, the hexadecimal password and bounds checks.
#include <gtest/gtest.h>

#include "param_name.h"

#include <cmath>
#include <ostream>

#include "engine/template/template_stream.h"

namespace lf {
namespace {

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s.push_back(static_cast<char>(c));
  return s;
}

TEST(TemplateStream, CountedStringHasLengthWordAndIgnoredTrailingByte) {
  TMemoryStream out;
  WriteFrString(out, "Memo1");
  EXPECT_EQ(out.Bytes(), Bytes({5, 0}) + "Memo1" + Bytes({0}));
  TMemoryStream in(Bytes({3, 0}) + "abc" + Bytes({7}) + "x");
  EXPECT_EQ(ReadFrString(in, 25), "abc");
  EXPECT_EQ(in.Position(), 6);
}

TEST(TemplateStream, OldStringEndsAtZeroByte) {
  TMemoryStream in("Band1" + Bytes({0}) + "rest");
  EXPECT_EQ(ReadFrString(in, 22), "Band1");
  EXPECT_EQ(in.Position(), 6);
}

TEST(TemplateStream, StringReadsFailOnTruncation) {
  TMemoryStream longLength(Bytes({0xFF, 0xFF}) + "abc");
  try {
    ReadFrString(longLength, 25);
    FAIL();
  } catch (const ETemplateFormatError& e) {
    EXPECT_STREQ(e.what(), "Template truncated at byte 2");
  }
  TMemoryStream noTerminator("abc");
  EXPECT_THROW(ReadFrString(noTerminator, 21), ETemplateFormatError);
  TMemoryStream noTrailingByte(Bytes({1, 0}) + "a");
  EXPECT_THROW(ReadFrString(noTrailingByte, 23), ETemplateFormatError);
}

TEST(TemplateStream, CountedLineListRoundTrips) {
  for (const std::vector<std::string>& lines :
       {std::vector<std::string>{}, {""}, {"a"}, {"[cds0.name]", "", "第二行"}}) {
    TMemoryStream s;
    WriteFrLines(s, lines);
    s.SetPosition(0);
    EXPECT_EQ(ReadFrLines(s, 25), lines);
    EXPECT_EQ(s.Position(), s.Size());
  }
}

TEST(TemplateStream, CountedLineListLayout) {
  TMemoryStream empty;
  WriteFrLines(empty, {});
  EXPECT_EQ(empty.Bytes(), Bytes({0, 0, 0}));
  TMemoryStream two;
  WriteFrLines(two, {"ab", "c"});
  EXPECT_EQ(two.Bytes(), Bytes({2, 0, 2, 0}) + "ab" + Bytes({13, 1, 0}) + "c" + Bytes({0}));
}

TEST(TemplateStream, CountedLineListStopsAtFirstZeroSeparatorWhateverTheCount) {
  // The count says three, but the first separator is 0.
  TMemoryStream in(Bytes({3, 0, 1, 0}) + "x" + Bytes({0}) + "tail");
  EXPECT_EQ(ReadFrLines(in, 24), std::vector<std::string>{"x"});
  EXPECT_EQ(in.Position(), 6);
}

struct OldLinesCase {
  std::string bytes;
  std::vector<std::string> lines;
};
void PrintTo(const OldLinesCase& c, std::ostream* os) { *os << c.lines.size() << " lines in " << c.bytes.size() << " bytes"; }

class TemplateStreamOldLines : public ::testing::TestWithParam<OldLinesCase> {};

TEST_P(TemplateStreamOldLines, ReadsCarriageReturnSeparatedList) {
  TMemoryStream in(GetParam().bytes + "after");
  EXPECT_EQ(ReadFrLines(in, 22), GetParam().lines);
  EXPECT_EQ(in.Position(), static_cast<int64_t>(GetParam().bytes.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TemplateStreamOldLines,
    ::testing::Values(OldLinesCase{Bytes({0}), {}},
                      OldLinesCase{"abc" + Bytes({0}), {"abc"}},
                      OldLinesCase{"abc" + Bytes({13, 0}), {"abc"}},
                      OldLinesCase{"a" + Bytes({13, 13}) + "b" + Bytes({0}), {"a", "", "b"}},
                      OldLinesCase{Bytes({13, 0}), {""}}),
    [](const ::testing::TestParamInfo<TemplateStreamOldLines::ParamType>& info) {
      return lf::test::ParamName(info.param.bytes);
    });

TEST(TemplateStream, LongTextIsCutToTheLengthWordAtCharacterBoundary) {
  std::string text(70000, 'x');
  TMemoryStream s;
  WriteFrString(s, text);
  s.SetPosition(0);
  EXPECT_EQ(ReadFrString(s, 25).size(), 65535u);
}

struct FrameWidthCase {
  float width;
  int32_t stored;
  float readBack;
};
void PrintTo(const FrameWidthCase& c, std::ostream* os) { *os << c.width; }

class TemplateStreamFrameWidth : public ::testing::TestWithParam<FrameWidthCase> {};

TEST_P(TemplateStreamFrameWidth, EncodesAndDecodes) {
  const FrameWidthCase& c = GetParam();
  EXPECT_EQ(EncodeFrameWidth(c.width), c.stored);
  EXPECT_FLOAT_EQ(DecodeFrameWidth(c.stored), c.readBack);
}

INSTANTIATE_TEST_SUITE_P(Cases, TemplateStreamFrameWidth,
                         ::testing::Values(FrameWidthCase{0.5f, 500, 0.5f},
                                           FrameWidthCase{3.0f, 3, 3.0f},
                                           FrameWidthCase{1.0f, 1, 1.0f},
                                           FrameWidthCase{10.0f, 10, 10.0f},
                                           FrameWidthCase{12.0f, 12, 0.012f},
                                           FrameWidthCase{2.25f, 2250, 2.25f},
                                           FrameWidthCase{0.0f, 0, 0.0f}),
    [](const ::testing::TestParamInfo<TemplateStreamFrameWidth::ParamType>& info) { return lf::test::ParamName(info.param.width); });

TEST(TemplateStream, FrameWidthEncodingClampsHugeAndNanWidths) {
  EXPECT_EQ(EncodeFrameWidth(1e20f), INT32_MAX);
  EXPECT_EQ(EncodeFrameWidth(-1e20f), INT32_MIN);
  EXPECT_EQ(EncodeFrameWidth(std::nanf("")), 0);
}

TEST(TemplateStream, PasswordIsHexadecimalInCapitalsAndReadInEitherCase) {
  EXPECT_EQ(PasswordToHex("a?"), "613F");
  EXPECT_EQ(HexToPassword("613F"), "a?");
  EXPECT_EQ(HexToPassword("613f"), "a?");
  EXPECT_EQ(PasswordToHex("\xE5\xAF"), "E5AF");
  EXPECT_EQ(HexToPassword(""), "");
}

TEST(TemplateStream, BadPasswordTextIsAnError) {
  try {
    HexToPassword("ABC");
    FAIL();
  } catch (const ETemplateFormatError& e) {
    EXPECT_STREQ(e.what(), "Invalid password text: odd number of digits");
  }
  try {
    HexToPassword("G0");
    FAIL();
  } catch (const ETemplateFormatError& e) {
    EXPECT_STREQ(e.what(), "Invalid password text: not a hexadecimal digit");
  }
}

TEST(TemplateStream, CountsAndRecordedPositionsAreCheckedAgainstTheStream) {
  TMemoryStream s(std::string(20, '\0'));
  s.SetPosition(4);
  EXPECT_NO_THROW(CheckCount(s, 4, 4, "entry"));
  try {
    CheckCount(s, 5, 4, "entry");
    FAIL();
  } catch (const ETemplateFormatError& e) {
    EXPECT_STREQ(e.what(), "Invalid entry count 5 at byte 4");
  }
  EXPECT_THROW(CheckCount(s, -1, 4, "entry"), ETemplateFormatError);
  EXPECT_THROW(SeekRecorded(s, 3, 4, "end"), ETemplateFormatError);
  EXPECT_THROW(SeekRecorded(s, 21, 4, "end"), ETemplateFormatError);
  SeekRecorded(s, 20, 4, "end");
  EXPECT_EQ(s.Position(), 20);
}

TEST(TemplateStream, IntegersAreLittleEndian) {
  TMemoryStream s;
  WriteI16(s, -2);
  WriteU32(s, 0x1FFFFFFF);
  WriteI32(s, 25);
  EXPECT_EQ(s.Bytes(), Bytes({0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x1F, 25, 0, 0, 0}));
  s.SetPosition(0);
  EXPECT_EQ(ReadI16(s), -2);
  EXPECT_EQ(ReadU32(s), 0x1FFFFFFFu);
  EXPECT_EQ(ReadI32(s), 25);
  EXPECT_THROW(ReadU8(s), ETemplateFormatError);
}

}  // namespace
}  // namespace lf
