// Object records: every class round-trips in template and prepared form, and
// records of older versions read with their missing fields defaulted.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/model/band_view.h"
#include "engine/model/line_view.h"
#include "engine/model/memo_view.h"
#include "engine/model/picture_view.h"
#include "engine/model/subreport_view.h"
#include "engine/template/template_stream.h"
#include "engine/template/template_view_record.h"

namespace lf {
namespace {

void FillCommon(TfrView& v) {
  v.Name = "Obj7";
  v.Left = -5;
  v.Top = 120;
  v.Width = 300;
  v.Height = 18;
  v.Flags = 0x8103;
  v.FrameTyp = 15;
  v.FrameWidth = 0.5f;
  v.FrameColor = 0x00FF00;
  v.FrameStyle = psDashDot;
  v.FillColor = 0xC0C0C0;
  v.Format = MakeFormatCode(1, 2, 3, ',');
  v.FormatStr = "#,##0.00";
  v.Memo = {"[cds0.\"first name\"]", "", "Итого"};
  v.Script = {"if [cds0.qty] > 5 then", "  FillColor := clRed"};
  v.Visible = false;
  v.Restrictions = 9;
  v.Tag = "[PAGE#]";
  v.GapX = 4;
  v.GapY = 3;
  v.BandAlign = baBottom;
}

void ExpectCommonEqual(const TfrView& a, const TfrView& b) {
  EXPECT_EQ(a.Name, b.Name);
  EXPECT_EQ(a.Left, b.Left);
  EXPECT_EQ(a.Top, b.Top);
  EXPECT_EQ(a.Width, b.Width);
  EXPECT_EQ(a.Height, b.Height);
  EXPECT_EQ(a.Flags, b.Flags);
  EXPECT_EQ(a.FrameTyp, b.FrameTyp);
  EXPECT_FLOAT_EQ(a.FrameWidth, b.FrameWidth);
  EXPECT_EQ(a.FrameColor, b.FrameColor);
  EXPECT_EQ(a.FrameStyle, b.FrameStyle);
  EXPECT_EQ(a.FillColor, b.FillColor);
  EXPECT_EQ(a.Format, b.Format);
  EXPECT_EQ(a.FormatStr, b.FormatStr);
  EXPECT_EQ(a.Memo, b.Memo);
  EXPECT_EQ(a.Script, b.Script);
  EXPECT_EQ(a.Visible, b.Visible);
  EXPECT_EQ(a.Restrictions, b.Restrictions);
  EXPECT_EQ(a.Tag, b.Tag);
  EXPECT_EQ(a.GapX, b.GapX);
  EXPECT_EQ(a.GapY, b.GapY);
  EXPECT_EQ(a.BandAlign, b.BandAlign);
  EXPECT_EQ(a.FormatVersion, b.FormatVersion);
  EXPECT_EQ(a.FormatRevision, b.FormatRevision);
}

// Writes then reads back into a fresh object, checking the reader consumed
// exactly what the writer wrote.
template <class T>
void RoundTrip(T& original, T& copy) {
  ScopedStreamVersion version(kCurrentStreamVersion);
  TMemoryStream s;
  s.Bytes() = "prefix";  // records sit anywhere in a stream
  s.SetPosition(6);
  WriteViewRecord(s, original);
  int64_t end = s.Position();
  s.SetPosition(6);
  copy.StreamMode = original.StreamMode;
  ReadViewRecord(s, copy);
  EXPECT_EQ(s.Position(), end);
}

TEST(TemplateViewRecord, TextRecordRoundTripsEveryField) {
  TfrMemoView a, b;
  FillCommon(a);
  a.FormatRevision = 3;
  a.Font = {"SimSun", 14, fsBold | fsItalic, 0x0000FF, 134};
  a.Alignment = frtaCenter | frtaMiddle;
  a.Highlight = {fsUnderline, 0x00FFFF, 0x000080, "[cds0.qty] < 0"};
  a.LineSpacing = 5;
  a.CharSpacing = 1;
  RoundTrip(a, b);
  ExpectCommonEqual(a, b);
  EXPECT_EQ(b.FormatVersion, 2);
  EXPECT_EQ(b.FormatRevision, 3);
  EXPECT_EQ(a.Font, b.Font);
  EXPECT_EQ(b.Alignment, a.Alignment);
  EXPECT_EQ(b.Highlight.FontStyle, fsUnderline);
  EXPECT_EQ(b.Highlight.FontColor, 0x00FFFFu);
  EXPECT_EQ(b.Highlight.FillColor, 0x000080u);
  EXPECT_EQ(b.Highlight.Condition, "[cds0.qty] < 0");
  EXPECT_EQ(b.LineSpacing, 5);
  EXPECT_EQ(b.CharSpacing, 1);
}

TEST(TemplateViewRecord, PreparedFormCarriesWorkingLinesAndNoTemplateFields) {
  TfrMemoView a, b;
  FillCommon(a);
  a.StreamMode = true;
  a.WorkLines = {"Total: 1 234,50"};
  b.Format = 77;
  b.Highlight.Condition = "kept";
  RoundTrip(a, b);
  EXPECT_EQ(b.WorkLines, a.WorkLines);
  EXPECT_TRUE(b.Memo.empty());
  EXPECT_TRUE(b.Script.empty());
  EXPECT_EQ(b.Format, 77);
  EXPECT_EQ(b.Highlight.Condition, "kept");
  EXPECT_TRUE(b.Visible);
  EXPECT_EQ(b.Name, "Obj7");
  EXPECT_EQ(b.Tag, "[PAGE#]");
}

TEST(TemplateViewRecord, BandRecordSetsRevisionAndKeepsColumnsAndMaster) {
  TfrBandView a, b;
  FillCommon(a);
  a.SetBandType(btGroupHeader);
  a.FormatStr = "[cds0.Department]";
  a.ChildBand = "Child1";
  a.Master = "MasterData1";
  a.Columns = 3;
  a.ColumnWidth = 240;
  a.ColumnGap = 12;
  a.NewColumnAfter = 4;
  RoundTrip(a, b);
  EXPECT_EQ(a.FormatRevision, 1);
  ExpectCommonEqual(a, b);
  EXPECT_EQ(b.BandType(), btGroupHeader);
  EXPECT_EQ(b.ChildBand, "Child1");
  EXPECT_EQ(b.Master, "MasterData1");
  EXPECT_EQ(b.Columns, 3);
  EXPECT_EQ(b.ColumnWidth, 240);
  EXPECT_EQ(b.ColumnGap, 12);
  EXPECT_EQ(b.NewColumnAfter, 4);
}

TEST(TemplateViewRecord, PictureBytesKindAndBlobTypeAreKeptExactly) {
  TfrPictureView a, b;
  FillCommon(a);
  // A 1 x 1 bitmap file with bytes after its pixels, kept as they are.
  a.Picture.Kind = TfrGraphicKind::Bitmap;
  a.Picture.Data = std::string("BM\x3A\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x18\0", 30) +
                   std::string(24, '\0') + std::string("\0\0\xFF\0", 4) + std::string(300, '\x5A');
  a.BlobType = btJPG;
  RoundTrip(a, b);
  ExpectCommonEqual(a, b);
  EXPECT_EQ(b.Picture, a.Picture);
  EXPECT_EQ(b.BlobType, btJPG);

  TfrPictureView none, noneCopy;
  noneCopy.Picture.Kind = TfrGraphicKind::Bitmap;
  noneCopy.Picture.Data = "stale";
  RoundTrip(none, noneCopy);
  EXPECT_TRUE(noneCopy.Picture.Empty());
}

TEST(TemplateViewRecord, PictureEndPositionMustLieBetweenDataStartAndStreamEnd) {
  TfrPictureView a;
  a.Picture = {TfrGraphicKind::Bitmap, "BMxxxx"};
  ScopedStreamVersion version(kCurrentStreamVersion);
  TMemoryStream s;
  WriteViewRecord(s, a);
  // The end-of-picture word sits 4 + 6 bytes before the end.
  const size_t endField = s.Bytes().size() - 6 - 4;
  for (uint32_t bad : {uint32_t(endField), uint32_t(s.Bytes().size() + 1)}) {
    TMemoryStream corrupt(s.Bytes());
    std::memcpy(corrupt.Bytes().data() + endField, &bad, 4);
    TfrPictureView b;
    try {
      ReadViewRecord(corrupt, b);
      FAIL();
    } catch (const ETemplateFormatError& e) {
      EXPECT_EQ(e.Message(), "Invalid picture end position " + std::to_string(bad) +
                                 " at byte " + std::to_string(endField));
    }
  }
}

TEST(TemplateViewRecord, SubReportAndLineRecords) {
  TfrSubReportView a, b;
  FillCommon(a);
  a.SubPage = 2;
  RoundTrip(a, b);
  ExpectCommonEqual(a, b);
  EXPECT_EQ(b.SubPage, 2);
  TfrLineView l, m;
  FillCommon(l);
  RoundTrip(l, m);
  ExpectCommonEqual(l, m);
}

// A text record as version 21 wrote it: no name, no format bytes, old
// strings and line lists, no script or visibility, no spacing.
std::string Version21Text() {
  TMemoryStream s;
  for (int32_t v : {10, 20, 100, 16}) WriteI32(s, v);
  WriteU16(s, 0);   // Flags
  WriteU16(s, 15);  // FrameTyp
  WriteI32(s, 2);   // frame width 2
  WriteU32(s, 0);
  WriteU16(s, 0);
  WriteU32(s, clNone);
  WriteI32(s, 0);
  s.WriteBuffer("fmt\0", 4);
  s.WriteBuffer("line 1\rline 2\0", 14);
  s.WriteBuffer("Arial\0", 6);
  WriteI32(s, 9);
  WriteU16(s, fsBold);
  WriteU32(s, 0);
  WriteI32(s, frtaRight);
  WriteU16(s, 204);  // a stored character set that old versions did not keep
  WriteU16(s, 0);
  WriteU32(s, 0);
  WriteU32(s, 0);
  s.WriteBuffer("\0", 1);
  return s.Bytes();
}

TEST(TemplateViewRecord, Version21TextGetsWordWrapAndDefaultCharacterSet) {
  ScopedStreamVersion version(21);
  TMemoryStream s(Version21Text());
  TfrMemoView m;
  ReadViewRecord(s, m);
  EXPECT_EQ(s.Position(), s.Size());
  EXPECT_EQ(m.Name, "");
  EXPECT_EQ(m.Flags, flWordWrap);
  EXPECT_FLOAT_EQ(m.FrameWidth, 2.0f);
  EXPECT_EQ(m.FormatStr, "fmt");
  EXPECT_EQ(m.Memo, (TfrLines{"line 1", "line 2"}));
  EXPECT_EQ(m.Font.Name, "Arial");
  EXPECT_EQ(m.Font.Charset, kDefaultCharset);
  EXPECT_EQ(m.Alignment, frtaRight);
  EXPECT_EQ(m.LineSpacing, 2);
  EXPECT_EQ(m.BandAlign, baNone);
}

TEST(TemplateViewRecord, Version23StoresTheNameInTemplateFormOnly) {
  ScopedStreamVersion version(23);
  TMemoryStream s;
  WriteFrString(s, "Band4");
  for (int32_t v : {0, 0, 700, 40}) WriteI32(s, v);
  WriteU16(s, 48);
  WriteU16(s, btPageFooter);
  WriteI32(s, 1);
  WriteU32(s, 0);
  WriteU16(s, 0);
  WriteU32(s, clNone);
  WriteI32(s, 0);
  WriteFrString(s, "");
  WriteFrLines(s, {});
  WriteFrLines(s, {"x := 1"});
  WriteBool16(s, true);
  s.SetPosition(0);
  TfrBandView b;
  ReadViewRecord(s, b);
  EXPECT_EQ(s.Position(), s.Size());  // no band part before version 24
  EXPECT_EQ(b.Name, "Band4");
  EXPECT_EQ(b.BandType(), btPageFooter);
  EXPECT_EQ(b.Script, (TfrLines{"x := 1"}));
  EXPECT_EQ(b.Columns, 1);

  // The prepared form of the same version has no name and only the lines.
  TMemoryStream prepared;
  for (int32_t v : {0, 0, 700, 40}) WriteI32(prepared, v);
  WriteU16(prepared, 48);
  WriteU16(prepared, btPageFooter);
  WriteI32(prepared, 1);
  WriteU32(prepared, 0);
  WriteU16(prepared, 0);
  WriteU32(prepared, clNone);
  WriteFrLines(prepared, {"Page 1"});
  prepared.SetPosition(0);
  TfrBandView p;
  p.StreamMode = true;
  ReadViewRecord(prepared, p);
  EXPECT_EQ(prepared.Position(), prepared.Size());
  EXPECT_EQ(p.Name, "");
  EXPECT_EQ(p.WorkLines, (TfrLines{"Page 1"}));
}

TEST(TemplateViewRecord, TruncatedRecordRaisesInsteadOfReadingPastTheEnd) {
  TfrMemoView a;
  FillCommon(a);
  ScopedStreamVersion version(kCurrentStreamVersion);
  TMemoryStream full;
  WriteViewRecord(full, a);
  for (size_t cut = 0; cut < full.Bytes().size(); cut += 7) {
    TMemoryStream s(full.Bytes().substr(0, cut));
    TfrMemoView b;
    EXPECT_THROW(ReadViewRecord(s, b), ETemplateFormatError) << "cut at " << cut;
  }
}

}  // namespace
}  // namespace lf
