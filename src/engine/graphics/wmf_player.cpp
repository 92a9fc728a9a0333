// Windows metafiles, with or without the placeable header: the header and
// the records report pictures use. Parameters are stored last to first.
#include <cmath>

#include <QImage>

#include "engine/graphics/byte_reader.h"
#include "engine/graphics/dib_decoder.h"
#include "engine/graphics/metafile_device.h"

namespace lf {
namespace {

constexpr const char* kWhat = "metafile";
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint32_t kSrcCopy = 0x00CC0020, kPatCopy = 0x00F00021, kBlackness = 0x00000042,
                   kWhiteness = 0x00FF0062;

enum : uint16_t {
  META_EOF = 0x0000, META_SAVEDC = 0x001E, META_RESTOREDC = 0x0127, META_SELECTOBJECT = 0x012D,
  META_SETTEXTALIGN = 0x012E, META_DELETEOBJECT = 0x01F0, META_SETBKCOLOR = 0x0201,
  META_SETTEXTCOLOR = 0x0209, META_SETWINDOWORG = 0x020B, META_SETWINDOWEXT = 0x020C,
  META_OFFSETWINDOWORG = 0x020F, META_LINETO = 0x0213, META_MOVETO = 0x0214,
  META_SCALEWINDOWEXT = 0x0410, META_INTERSECTCLIPRECT = 0x0416, META_ELLIPSE = 0x0418,
  META_RECTANGLE = 0x041B, META_SETPIXEL = 0x041F, META_ROUNDRECT = 0x061C, META_PATBLT = 0x061D,
  META_TEXTOUT = 0x0521, META_POLYGON = 0x0324, META_POLYLINE = 0x0325, META_POLYPOLYGON = 0x0538,
  META_ARC = 0x0817, META_PIE = 0x081A, META_CHORD = 0x0830, META_EXTTEXTOUT = 0x0A32,
  META_SETDIBTODEV = 0x0D33, META_DIBBITBLT = 0x0940, META_DIBSTRETCHBLT = 0x0B41,
  META_STRETCHDIB = 0x0F43, META_CREATEPENINDIRECT = 0x02FA, META_CREATEFONTINDIRECT = 0x02FB,
  META_CREATEBRUSHINDIRECT = 0x02FC, META_CREATEPALETTE = 0x00F7, META_CREATEPATTERNBRUSH = 0x01F9,
  META_DIBCREATEPATTERNBRUSH = 0x0142, META_CREATEREGION = 0x06FF,
};

MfPoint P(int16_t x, int16_t y) { return MfPoint{static_cast<double>(x), static_cast<double>(y)}; }

// Rectangle parameters: bottom, right, top, left.
void ReadRect(ByteReader& r, MfPoint& a, MfPoint& b) {
  const int16_t bottom = r.I16(), right = r.I16(), top = r.I16(), left = r.I16();
  a = P(left, top), b = P(right, bottom);
}

std::vector<MfPoint> ReadPoints(ByteReader& r, int count) {
  if (count < 0 || static_cast<size_t>(count) > r.Remaining() / 4) r.Fail();
  std::vector<MfPoint> pts(static_cast<size_t>(count));
  for (MfPoint& p : pts) {
    const int16_t x = r.I16(), y = r.I16();
    p = P(x, y);
  }
  return pts;
}

QImage RecordDib(ByteReader& r, MetafileDevice& dev) {
  const std::string_view dib = r.Bytes(r.Remaining());
  ByteReader header(dib, "bitmap image");
  if (header.U32() >= 40) {
    const int64_t w = header.I32(), h = header.I32();
    dev.ChargePixels(std::abs(w) * std::abs(h));
  }
  return ReadPackedDib(dib);
}

void PatBlt(MetafileDevice& dev, uint32_t rop, MfPoint p, double w, double h) {
  const MfState& st = dev.State();
  if (rop == kPatCopy && !st.Brush.Hollow) dev.FillLogical(p, w, h, st.Brush.Color);
  else if (rop == kBlackness) dev.FillLogical(p, w, h, 0);
  else if (rop == kWhiteness) dev.FillLogical(p, w, h, 0xFFFFFF);
}

std::string ReadText(ByteReader& r, int count, const MfState& st) {
  if (count < 0) r.Fail();
  const std::string_view raw = r.Bytes(static_cast<size_t>(count));
  if (count & 1) r.Skip(1);
  return CharsetToHost(raw, st.Font.Charset);
}

void PlayRecord(uint16_t function, ByteReader& r, MetafileDevice& dev) {
  MfState& st = dev.State();
  switch (function) {
    case META_SAVEDC: dev.Save(); break;
    case META_RESTOREDC: dev.Restore(r.I16()); break;
    case META_SELECTOBJECT: dev.Select(r.U16()); break;
    case META_DELETEOBJECT: dev.Delete(r.U16()); break;
    case META_SETTEXTALIGN: st.TextAlign = r.U16(); break;
    case META_SETBKCOLOR: st.BkColor = r.U32() & 0xFFFFFF; break;
    case META_SETTEXTCOLOR: st.TextColor = r.U32() & 0xFFFFFF; break;
    case META_SETWINDOWORG: { const int16_t y = r.I16(), x = r.I16(); st.WinOrgX = x, st.WinOrgY = y; break; }
    case META_SETWINDOWEXT: { const int16_t y = r.I16(), x = r.I16(); if (x && y) st.WinExtX = x, st.WinExtY = y; break; }
    case META_OFFSETWINDOWORG: { const int16_t y = r.I16(), x = r.I16(); st.WinOrgX += x, st.WinOrgY += y; break; }
    case META_SCALEWINDOWEXT: {
      const int16_t yd = r.I16(), yn = r.I16(), xd = r.I16(), xn = r.I16();
      if (xn && xd && yn && yd) st.WinExtX = st.WinExtX * xn / xd, st.WinExtY = st.WinExtY * yn / yd;
      break;
    }
    case META_LINETO: { const int16_t y = r.I16(), x = r.I16(); dev.LineTo(P(x, y)); break; }
    case META_MOVETO: { const int16_t y = r.I16(), x = r.I16(); dev.MoveTo(P(x, y)); break; }
    case META_INTERSECTCLIPRECT: { MfPoint a, b; ReadRect(r, a, b); dev.IntersectClip(a, b); break; }
    case META_ELLIPSE: { MfPoint a, b; ReadRect(r, a, b); dev.Ellipse(a, b); break; }
    case META_RECTANGLE: { MfPoint a, b; ReadRect(r, a, b); dev.Rectangle(a, b); break; }
    case META_ROUNDRECT: {
      const int16_t h = r.I16(), w = r.I16();
      MfPoint a, b;
      ReadRect(r, a, b);
      dev.RoundRect(a, b, w, h);
      break;
    }
    case META_SETPIXEL: { const uint32_t c = r.U32(); const int16_t y = r.I16(), x = r.I16(); dev.SetPixel(P(x, y), c); break; }
    case META_PATBLT: {
      const uint32_t rop = r.U32();
      const int16_t h = r.I16(), w = r.I16(), y = r.I16(), x = r.I16();
      PatBlt(dev, rop, P(x, y), w, h);
      break;
    }
    case META_POLYGON: case META_POLYLINE: {
      const std::vector<MfPoint> pts = ReadPoints(r, r.I16());
      if (function == META_POLYGON) dev.Polygon(pts);
      else dev.Polyline(pts, false);
      break;
    }
    case META_POLYPOLYGON: {
      const int16_t polys = r.I16();
      if (polys < 0 || static_cast<size_t>(polys) > r.Remaining() / 2) r.Fail();
      std::vector<int16_t> counts(static_cast<size_t>(polys));
      for (int16_t& c : counts) c = r.I16();
      for (int16_t c : counts) dev.Polygon(ReadPoints(r, c));
      break;
    }
    case META_ARC: case META_PIE: case META_CHORD: {
      const int16_t ye = r.I16(), xe = r.I16(), ys = r.I16(), xs = r.I16();
      MfPoint a, b;
      ReadRect(r, a, b);
      const auto kind = function == META_ARC ? MetafileDevice::ArcOnly
                        : function == META_PIE ? MetafileDevice::Pie
                                               : MetafileDevice::Chord;
      dev.Arc(a, b, P(xs, ys), P(xe, ye), kind);
      break;
    }
    case META_TEXTOUT: {
      const int16_t count = r.I16();
      const std::string text = ReadText(r, count, st);
      const int16_t y = r.I16(), x = r.I16();
      dev.Text(P(x, y), text, false, false, {}, {});
      break;
    }
    case META_EXTTEXTOUT: {
      const int16_t y = r.I16(), x = r.I16(), count = r.I16();
      const uint16_t options = r.U16();
      constexpr uint16_t kOpaque = 2, kClipped = 4;
      MfPoint a, b;
      if (options & (kOpaque | kClipped)) {
        const int16_t left = r.I16(), top = r.I16(), right = r.I16(), bottom = r.I16();
        a = P(left, top), b = P(right, bottom);
      }
      const std::string text = ReadText(r, count, st);
      dev.Text(P(x, y), text, (options & kOpaque) != 0, (options & kClipped) != 0, a, b);
      break;
    }
    case META_DIBBITBLT: {
      const bool withBitmap = r.Size() != 2u * (function >> 8);
      const uint32_t rop = r.U32();
      const int16_t sy = r.I16(), sx = r.I16();
      if (!withBitmap) r.I16();
      const int16_t h = r.I16(), w = r.I16(), y = r.I16(), x = r.I16();
      if (!withBitmap) {
        PatBlt(dev, rop, P(x, y), w, h);
        break;
      }
      const QImage image = RecordDib(r, dev);
      if (rop == kSrcCopy) dev.Image(P(x, y), w, h, image, sx, sy, w, h);
      break;
    }
    case META_DIBSTRETCHBLT: case META_STRETCHDIB: {
      const bool withBitmap = function == META_STRETCHDIB || r.Size() != 2u * (function >> 8);
      const uint32_t rop = r.U32();
      if (function == META_STRETCHDIB) r.U16();  // colour table use
      const int16_t sh = r.I16(), sw = r.I16(), sy = r.I16(), sx = r.I16();
      if (!withBitmap) r.I16();
      const int16_t h = r.I16(), w = r.I16(), y = r.I16(), x = r.I16();
      if (!withBitmap) {
        PatBlt(dev, rop, P(x, y), w, h);
        break;
      }
      const QImage image = RecordDib(r, dev);
      // Source rows count from the bottom of the bitmap.
      if (rop == kSrcCopy) dev.Image(P(x, y), w, h, image, sx, image.height() - sy - sh, sw, sh);
      break;
    }
    case META_SETDIBTODEV: {
      r.U16();  // colour table use
      r.Skip(4);  // scan lines, start scan
      const int16_t sy = r.I16(), sx = r.I16(), h = r.I16(), w = r.I16(), y = r.I16(), x = r.I16();
      const QImage image = RecordDib(r, dev);
      dev.Image(P(x, y), w, h, image, sx, image.height() - sy - h, w, h);
      break;
    }
    case META_CREATEPENINDIRECT: {
      MfObject o;
      o.Type = MfObject::Pen;
      const uint16_t style = r.U16() & 0xF;
      o.P.Width = r.I16();
      r.I16();
      o.P.Color = r.U32() & 0xFFFFFF;
      o.P.Style = style == 5 ? PenStyle::Clear : style <= 4 ? static_cast<PenStyle>(style) : PenStyle::Solid;
      dev.CreateFree(o);
      break;
    }
    case META_CREATEBRUSHINDIRECT: {
      MfObject o;
      o.Type = MfObject::Brush;
      const uint16_t style = r.U16();
      o.B.Color = r.U32() & 0xFFFFFF;
      o.B.Hollow = style == 1;
      dev.CreateFree(o);
      break;
    }
    case META_CREATEFONTINDIRECT: {
      MfObject o;
      o.Type = MfObject::Font;
      o.F.Height = r.I16();
      r.I16();
      o.F.Escapement = r.I16();
      r.I16();
      o.F.Weight = r.I16();
      o.F.Italic = r.U8() != 0;
      o.F.Underline = r.U8() != 0;
      o.F.StrikeOut = r.U8() != 0;
      o.F.Charset = r.U8();
      r.Skip(4);
      const std::string_view rest = r.Bytes(std::min<size_t>(r.Remaining(), 32));
      o.F.Face = CharsetToHost(rest.substr(0, rest.find('\0')), o.F.Charset);
      dev.CreateFree(o);
      break;
    }
    case META_CREATEPALETTE: case META_CREATEPATTERNBRUSH: case META_DIBCREATEPATTERNBRUSH:
    case META_CREATEREGION: {
      // They take a slot of the object table; patterns are not drawn.
      MfObject o;
      o.Type = function == META_CREATEPATTERNBRUSH || function == META_DIBCREATEPATTERNBRUSH ? MfObject::Brush
                                                                                          : MfObject::Other;
      o.B.Hollow = true;
      dev.CreateFree(o);
      break;
    }
    default:
      break;  // records without drawing effect here are skipped
  }
}

}  // namespace

MetafileSize PlayWindows(std::string_view data, Canvas* canvas, const CanvasRect& target) {
  ByteReader h(data, kWhat);
  bool placeable = false;
  int16_t bl = 0, bt = 0, br = 0, bb = 0;
  uint16_t inch = 1440;
  if (data.size() >= 4 && h.U32() == kPlaceableKey) {
    placeable = true;
    h.U16();
    bl = h.I16(), bt = h.I16(), br = h.I16(), bb = h.I16();
    inch = h.U16();
    h.Skip(6);  // reserved, checksum
    if (inch == 0) h.Fail();
  } else {
    h.Seek(0);
  }
  const size_t start = h.Position();
  const uint16_t fileType = h.U16(), headerWords = h.U16();
  if ((fileType != 1 && fileType != 2) || headerWords != 9) h.Fail();
  h.U16();  // version
  h.U32();  // size in words
  const uint16_t objects = h.U16();
  h.U32();  // largest record
  h.U16();
  const size_t first = start + 18;

  MetafileSize size;
  MetafileDevice dev(canvas);
  dev.SetObjectCount(objects);
  MfState& st = dev.State();
  st.MapMode = mmAnisotropic;
  if (placeable) {
    size.Width = static_cast<int32_t>(std::lround((int32_t{br} - bl) * 96.0 / inch));
    size.Height = static_cast<int32_t>(std::lround((int32_t{bb} - bt) * 96.0 / inch));
    st.WinOrgX = bl, st.WinOrgY = bt;
    st.WinExtX = int32_t{br} - bl, st.WinExtY = int32_t{bb} - bt;
    if (st.WinExtX == 0) st.WinExtX = 1;
    if (st.WinExtY == 0) st.WinExtY = 1;
  } else {
    // Without the placeable header the first window extent gives the size,
    // one logical unit to the pixel.
    size_t pos = first;
    while (pos + 6 <= data.size()) {
      ByteReader head(data.substr(pos, 6), kWhat);
      const uint32_t words = head.U32();
      const uint16_t function = head.U16();
      if (words < 3 || words > (data.size() - pos) / 2 || function == META_EOF) break;
      if (function == META_SETWINDOWEXT && words >= 5) {
        ByteReader rec(data.substr(pos + 6, 4), kWhat);
        const int16_t y = rec.I16(), x = rec.I16();
        size.Width = std::abs(x), size.Height = std::abs(y);
        break;
      }
      pos += size_t{words} * 2;
    }
    st.WinExtX = size.Width > 0 ? size.Width : 1;
    st.WinExtY = size.Height > 0 ? size.Height : 1;
  }
  // The window maps onto the target: the viewport is the target itself.
  st.VpExtX = target.Width(), st.VpExtY = target.Height();
  dev.SetOutput(target.Left, target.Top, 1, 1);

  size_t pos = first;
  while (pos + 6 <= data.size()) {
    ByteReader head(data.substr(pos, 6), kWhat);
    const uint32_t words = head.U32();
    const uint16_t function = head.U16();
    if (function == META_EOF) break;
    if (words < 3 || words > (data.size() - pos) / 2) head.Fail();
    ByteReader rec(data.substr(pos + 6, size_t{words} * 2 - 6), kWhat);
    PlayRecord(function, rec, dev);
    pos += size_t{words} * 2;
  }
  return size;
}

}  // namespace lf
