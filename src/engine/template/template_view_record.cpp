// The object record of templates and prepared pages: the common view part
// every class begins with, then the class part of texts, pictures, bands and
// sub-report frames. Reader and writer mirror each other field by field.

#include "engine/template/template_view_record.h"

#include "engine/template/template_format.h"

#include "engine/model/band_view.h"
#include "engine/model/memo_view.h"
#include "engine/model/picture_view.h"
#include "engine/model/subreport_view.h"
#include "engine/template/template_stream.h"
#include "engine/model/view.h"

namespace lf {
namespace {

// Revision numbers of the record layout.
constexpr uint8_t kWrittenFormatVersion = 2;
constexpr uint8_t kBandFormatRevision = 1;

bool HasStoredName(int v, bool prepared) { return v > 23 || (v == 23 && !prepared); }

// common = [Name] [FormatVersion FormatRevision] Left Top Width Height Flags
//          FrameTyp frame-width FrameColor FrameStyle FillColor
//          [Format FormatStr] lines [Script Visible]
//          [Restrictions Tag GapX GapY] [BandAlign]
void ReadCommonPart(TStream& s, TfrView& view) {
  const int v = StreamVersion();
  const bool prepared = view.StreamMode;
  if (HasStoredName(v, prepared)) view.Name = ReadFrString(s, v);
  if (v > 23) {
    view.FormatVersion = ReadU8(s);
    view.FormatRevision = ReadU8(s);
  }
  view.Left = SaturatedCoordinate(ReadI32(s));
  view.Top = SaturatedCoordinate(ReadI32(s));
  view.Width = SaturatedCoordinate(ReadI32(s));
  view.Height = SaturatedCoordinate(ReadI32(s));
  view.Flags = ReadU16(s);
  view.FrameTyp = ReadU16(s);
  view.FrameWidth = DecodeFrameWidth(ReadI32(s));
  view.FrameColor = ReadU32(s);
  view.FrameStyle = ReadU16(s);
  view.FillColor = ReadU32(s);
  if (!prepared) {
    view.Format = ReadI32(s);
    view.FormatStr = ReadFrString(s, v);
    view.Memo = ReadFrLines(s, v);
  } else {
    view.WorkLines = ReadFrLines(s, v);
  }
  if (!prepared && v > 22) {
    view.Script = ReadFrLines(s, v);
    view.Visible = ReadBool16(s);
  }
  if (v > 23) {
    view.Restrictions = ReadU16(s);
    view.Tag = ReadFrString(s, v);
    view.GapX = SaturatedCoordinate(ReadI32(s));
    view.GapY = SaturatedCoordinate(ReadI32(s));
  }
  if (view.FormatVersion > 1) view.BandAlign = ReadU8(s);
}

void WriteCommonPart(TStream& s, TfrView& view) {
  const bool prepared = view.StreamMode;
  view.FormatVersion = kWrittenFormatVersion;
  WriteFrString(s, view.Name);
  WriteU8(s, view.FormatVersion);
  WriteU8(s, view.FormatRevision);
  WriteI32(s, view.Left);
  WriteI32(s, view.Top);
  WriteI32(s, view.Width);
  WriteI32(s, view.Height);
  WriteU16(s, view.Flags);
  WriteU16(s, view.FrameTyp);
  WriteI32(s, EncodeFrameWidth(view.FrameWidth));
  WriteU32(s, view.FrameColor);
  WriteU16(s, view.FrameStyle);
  WriteU32(s, view.FillColor);
  if (!prepared) {
    WriteI32(s, view.Format);
    WriteFrString(s, view.FormatStr);
    WriteFrLines(s, view.Memo);
    WriteFrLines(s, view.Script);
    WriteBool16(s, view.Visible);
  } else {
    WriteFrLines(s, view.WorkLines);
  }
  WriteU16(s, view.Restrictions);
  WriteFrString(s, view.Tag);
  WriteI32(s, view.GapX);
  WriteI32(s, view.GapY);
  WriteU8(s, view.BandAlign);
}

// memo = font-name font-size font-style font-colour Alignment charset
//        [highlight-style highlight-colour highlight-fill highlight-condition]
//        [LineSpacing CharSpacing]
void ReadMemoPart(TStream& s, TfrMemoView& memo) {
  const int v = StreamVersion();
  memo.Font.Name = ReadFrString(s, v);
  memo.Font.Size = ReadI32(s);
  memo.Font.Style = ReadU16(s);
  memo.Font.Color = ReadU32(s);
  memo.Alignment = ReadI32(s);
  memo.Font.Charset = ReadU16(s);
  if (v < 23) memo.Font.Charset = kDefaultCharset;
  if (!memo.StreamMode) {
    memo.Highlight.FontStyle = ReadU16(s);
    memo.Highlight.FontColor = ReadU32(s);
    memo.Highlight.FillColor = ReadU32(s);
    memo.Highlight.Condition = ReadFrString(s, v);
  }
  if (v > 23) {
    memo.LineSpacing = SaturatedCoordinate(ReadI32(s));
    memo.CharSpacing = SaturatedCoordinate(ReadI32(s));
  }
  if (v == 21) memo.Flags |= flWordWrap;
}

void WriteMemoPart(TStream& s, const TfrMemoView& memo) {
  WriteFrString(s, memo.Font.Name);
  WriteI32(s, memo.Font.Size);
  WriteU16(s, memo.Font.Style);
  WriteU32(s, memo.Font.Color);
  WriteI32(s, memo.Alignment);
  WriteU16(s, memo.Font.Charset);
  if (!memo.StreamMode) {
    WriteU16(s, memo.Highlight.FontStyle);
    WriteU32(s, memo.Highlight.FontColor);
    WriteU32(s, memo.Highlight.FillColor);
    WriteFrString(s, memo.Highlight.Condition);
  }
  WriteI32(s, memo.LineSpacing);
  WriteI32(s, memo.CharSpacing);
}

// Picture kinds as stored: 0 none, 1 bitmap, 2 metafile, 3 icon, 4 JPEG.
constexpr uint8_t kLastPictureKind = 4;

uint8_t Revision(const TfrView& view) { return view.FormatVersion * 10 + view.FormatRevision; }

// picture = kind [BlobType] end-of-picture picture-bytes
void ReadPicturePart(TStream& s, TfrPictureView& picture) {
  uint8_t kind = ReadU8(s);
  if (kind > kLastPictureKind)
    throw ETemplateFormatError("Invalid picture kind " + std::to_string(kind) + " at byte " +
                               std::to_string(s.Position() - 1));
  if (Revision(picture) > 10) picture.BlobType = ReadU8(s);
  int64_t end = ReadU32(s);
  int64_t start = s.Position();
  if (end < start || end > s.Size())
    throw ETemplateFormatError("Invalid picture end position " + std::to_string(end) +
                               " at byte " + std::to_string(start - 4));
  picture.Picture.Kind = static_cast<TfrGraphicKind>(kind);
  picture.Picture.Data = kind == 0 ? std::string() : ReadBytes(s, static_cast<size_t>(end - start));
  s.SetPosition(end);
  picture.Decoded();  // a picture that does not decode fails the load here, naming the object
}

void WritePicturePart(TStream& s, const TfrPictureView& picture) {
  const TfrPicture& p = picture.Picture;
  WriteU8(s, static_cast<uint8_t>(p.Kind));
  WriteU8(s, picture.BlobType);
  int64_t placeholder = s.Position();
  WriteU32(s, 0);
  if (p.Kind != TfrGraphicKind::None) s.WriteBuffer(p.Data.data(), p.Data.size());
  int64_t end = s.Position();
  s.SetPosition(placeholder);
  WriteU32(s, static_cast<uint32_t>(end));
  s.SetPosition(end);
}

// band = [ChildBand Columns ColumnWidth ColumnGap NewColumnAfter [Master]]
void ReadBandPart(TStream& s, TfrBandView& band) {
  const int v = StreamVersion();
  if (v <= 23) return;
  band.ChildBand = ReadFrString(s, v);
  band.Columns = ReadI32(s);
  band.ColumnWidth = ReadI32(s);
  band.ColumnGap = ReadI32(s);
  band.NewColumnAfter = ReadI32(s);
  if (Revision(band) > 20) band.Master = ReadFrString(s, v);
}

void WriteBandPart(TStream& s, const TfrBandView& band) {
  WriteFrString(s, band.ChildBand);
  WriteI32(s, band.Columns);
  WriteI32(s, band.ColumnWidth);
  WriteI32(s, band.ColumnGap);
  WriteI32(s, band.NewColumnAfter);
  WriteFrString(s, band.Master);
}

}  // namespace

void ReadViewRecord(TStream& stream, TfrView& view) {
  ReadCommonPart(stream, view);
  if (auto* memo = dynamic_cast<TfrMemoView*>(&view)) ReadMemoPart(stream, *memo);
  else if (auto* picture = dynamic_cast<TfrPictureView*>(&view)) ReadPicturePart(stream, *picture);
  else if (auto* band = dynamic_cast<TfrBandView*>(&view)) ReadBandPart(stream, *band);
  else if (auto* sub = dynamic_cast<TfrSubReportView*>(&view)) sub->SubPage = ReadI32(stream);
}

void WriteViewRecord(TStream& stream, TfrView& view) {
  auto* band = dynamic_cast<TfrBandView*>(&view);
  if (band) band->FormatRevision = kBandFormatRevision;
  WriteCommonPart(stream, view);
  if (auto* memo = dynamic_cast<TfrMemoView*>(&view)) WriteMemoPart(stream, *memo);
  else if (auto* picture = dynamic_cast<TfrPictureView*>(&view)) WritePicturePart(stream, *picture);
  else if (band) WriteBandPart(stream, *band);
  else if (auto* sub = dynamic_cast<TfrSubReportView*>(&view)) WriteI32(stream, sub->SubPage);
}

}  // namespace lf
