// Enhanced metafiles: the header and the records report pictures use.
#include <cmath>

#include <QImage>

#include "engine/graphics/byte_reader.h"
#include "engine/graphics/dib_decoder.h"
#include "engine/graphics/metafile_device.h"
#include "platform/code_page.h"

namespace lf {
namespace {

constexpr const char* kWhat = "metafile";
constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr uint32_t kSrcCopy = 0x00CC0020, kPatCopy = 0x00F00021, kBlackness = 0x00000042,
                   kWhiteness = 0x00FF0062;

enum : uint32_t {
  EMR_HEADER = 1, EMR_POLYBEZIER = 2, EMR_POLYGON = 3, EMR_POLYLINE = 4, EMR_POLYBEZIERTO = 5,
  EMR_POLYLINETO = 6, EMR_POLYPOLYLINE = 7, EMR_POLYPOLYGON = 8, EMR_SETWINDOWEXTEX = 9,
  EMR_SETWINDOWORGEX = 10, EMR_SETVIEWPORTEXTEX = 11, EMR_SETVIEWPORTORGEX = 12, EMR_EOF = 14,
  EMR_SETPIXELV = 15, EMR_SETMAPMODE = 17, EMR_SETTEXTALIGN = 22, EMR_SETTEXTCOLOR = 24,
  EMR_SETBKCOLOR = 25, EMR_MOVETOEX = 27, EMR_INTERSECTCLIPRECT = 30, EMR_SCALEVIEWPORTEXTEX = 31,
  EMR_SCALEWINDOWEXTEX = 32, EMR_SAVEDC = 33, EMR_RESTOREDC = 34, EMR_SETWORLDTRANSFORM = 35,
  EMR_MODIFYWORLDTRANSFORM = 36, EMR_SELECTOBJECT = 37, EMR_CREATEPEN = 38, EMR_CREATEBRUSHINDIRECT = 39,
  EMR_DELETEOBJECT = 40, EMR_ELLIPSE = 42, EMR_RECTANGLE = 43, EMR_ROUNDRECT = 44, EMR_ARC = 45,
  EMR_CHORD = 46, EMR_PIE = 47, EMR_LINETO = 54, EMR_ARCTO = 55, EMR_SETARCDIRECTION = 57,
  EMR_BEGINPATH = 59, EMR_ENDPATH = 60, EMR_CLOSEFIGURE = 61, EMR_FILLPATH = 62,
  EMR_STROKEANDFILLPATH = 63, EMR_STROKEPATH = 64, EMR_SELECTCLIPPATH = 67, EMR_ABORTPATH = 68,
  EMR_EXTSELECTCLIPRGN = 75, EMR_BITBLT = 76, EMR_STRETCHBLT = 77, EMR_SETDIBITSTODEVICE = 80,
  EMR_STRETCHDIBITS = 81, EMR_EXTCREATEFONTINDIRECTW = 82, EMR_EXTTEXTOUTA = 83, EMR_EXTTEXTOUTW = 84,
  EMR_POLYBEZIER16 = 85, EMR_POLYGON16 = 86, EMR_POLYLINE16 = 87, EMR_POLYBEZIERTO16 = 88,
  EMR_POLYLINETO16 = 89, EMR_POLYPOLYLINE16 = 90, EMR_POLYPOLYGON16 = 91,
  EMR_CREATEDIBPATTERNBRUSHPT = 94, EMR_EXTCREATEPEN = 95,
};

struct Rect32 {
  int32_t l, t, r, b;
};

Rect32 ReadRect(ByteReader& r) {
  Rect32 v;
  v.l = r.I32(), v.t = r.I32(), v.r = r.I32(), v.b = r.I32();
  return v;
}

MfPoint ReadPoint(ByteReader& r) {
  const int32_t x = r.I32(), y = r.I32();
  return MfPoint{static_cast<double>(x), static_cast<double>(y)};
}

// count points of 16- or 32-bit coordinates, the count checked against
// what the record holds.
std::vector<MfPoint> ReadPoints(ByteReader& r, uint32_t count, bool small) {
  if (count > r.Remaining() / (small ? 4 : 8)) r.Fail();
  std::vector<MfPoint> pts(count);
  for (MfPoint& p : pts) {
    if (small) p = MfPoint{static_cast<double>(r.I16()), static_cast<double>(r.I16())};
    else p = ReadPoint(r);
  }
  return pts;
}

// The bitmap an image record carries at (offInfo, cbInfo) and (offBits,
// cbBits) from the record's start.
QImage RecordBitmap(ByteReader& rec, MetafileDevice& dev, uint32_t offInfo, uint32_t cbInfo, uint32_t offBits,
                    uint32_t cbBits) {
  const std::string_view d = rec.Data();
  if (offInfo > d.size() || cbInfo > d.size() - offInfo || offBits > d.size() || cbBits > d.size() - offBits)
    rec.Fail();
  const std::string_view info = d.substr(offInfo, cbInfo);
  ByteReader header(info, "bitmap image");
  if (header.U32() >= 40) {
    const int64_t w = header.I32(), h = header.I32();
    dev.ChargePixels(std::abs(w) * std::abs(h));
  }
  return ReadDib(info, d.substr(offBits, cbBits));
}

bool Finite(float v) { return std::isfinite(v) && std::fabs(v) < 1e9f; }

void PlayRecord(uint32_t type, ByteReader& r, MetafileDevice& dev) {
  MfState& st = dev.State();
  switch (type) {
    case EMR_POLYBEZIER: case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYBEZIERTO: case EMR_POLYLINETO:
    case EMR_POLYBEZIER16: case EMR_POLYGON16: case EMR_POLYLINE16: case EMR_POLYBEZIERTO16:
    case EMR_POLYLINETO16: {
      const bool small = type >= EMR_POLYBEZIER16;
      const uint32_t base = small ? type - EMR_POLYBEZIER16 + EMR_POLYBEZIER : type;
      ReadRect(r);
      const uint32_t count = r.U32();
      std::vector<MfPoint> pts = ReadPoints(r, count, small);
      if (base == EMR_POLYGON) dev.Polygon(pts);
      else if (base == EMR_POLYLINE) dev.Polyline(pts, false);
      else if (base == EMR_POLYLINETO) dev.Polyline(pts, true);
      else if (base == EMR_POLYBEZIER) dev.PolyBezier(pts, false);
      else dev.PolyBezier(pts, true);
      break;
    }
    case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON: case EMR_POLYPOLYLINE16: case EMR_POLYPOLYGON16: {
      const bool small = type >= EMR_POLYPOLYLINE16;
      const bool polygon = type == EMR_POLYPOLYGON || type == EMR_POLYPOLYGON16;
      ReadRect(r);
      const uint32_t polys = r.U32(), total = r.U32();
      if (polys > r.Remaining() / 4) r.Fail();
      std::vector<uint32_t> counts(polys);
      uint64_t sum = 0;
      for (uint32_t& c : counts) sum += c = r.U32();
      if (sum != total) r.Fail();
      std::vector<MfPoint> all = ReadPoints(r, total, small);
      size_t at = 0;
      for (uint32_t c : counts) {
        std::vector<MfPoint> one(all.begin() + static_cast<std::ptrdiff_t>(at),
                                 all.begin() + static_cast<std::ptrdiff_t>(at + c));
        at += c;
        if (polygon) dev.Polygon(one);
        else dev.Polyline(one, false);
      }
      break;
    }
    case EMR_SETWINDOWEXTEX: { const int32_t x = r.I32(), y = r.I32(); if (x && y) st.WinExtX = x, st.WinExtY = y; break; }
    case EMR_SETWINDOWORGEX: { const MfPoint p = ReadPoint(r); st.WinOrgX = p.X, st.WinOrgY = p.Y; break; }
    case EMR_SETVIEWPORTEXTEX: { const int32_t x = r.I32(), y = r.I32(); if (x && y) st.VpExtX = x, st.VpExtY = y; break; }
    case EMR_SETVIEWPORTORGEX: { const MfPoint p = ReadPoint(r); st.VpOrgX = p.X, st.VpOrgY = p.Y; break; }
    case EMR_SCALEVIEWPORTEXTEX: case EMR_SCALEWINDOWEXTEX: {
      const int32_t xn = r.I32(), xd = r.I32(), yn = r.I32(), yd = r.I32();
      if (xn == 0 || xd == 0 || yn == 0 || yd == 0) break;
      double& ex = type == EMR_SCALEVIEWPORTEXTEX ? st.VpExtX : st.WinExtX;
      double& ey = type == EMR_SCALEVIEWPORTEXTEX ? st.VpExtY : st.WinExtY;
      ex = ex * xn / xd, ey = ey * yn / yd;
      break;
    }
    case EMR_SETMAPMODE: { const uint32_t m = r.U32(); if (m >= mmText && m <= mmAnisotropic) st.MapMode = static_cast<int>(m); break; }
    case EMR_SETTEXTALIGN: st.TextAlign = r.U32(); break;
    case EMR_SETTEXTCOLOR: st.TextColor = r.U32() & 0xFFFFFF; break;
    case EMR_SETBKCOLOR: st.BkColor = r.U32() & 0xFFFFFF; break;
    case EMR_SETARCDIRECTION: st.Clockwise = r.U32() == 2; break;
    case EMR_MOVETOEX: dev.MoveTo(ReadPoint(r)); break;
    case EMR_LINETO: dev.LineTo(ReadPoint(r)); break;
    case EMR_SETPIXELV: { const MfPoint p = ReadPoint(r); dev.SetPixel(p, r.U32()); break; }
    case EMR_INTERSECTCLIPRECT: { const Rect32 c = ReadRect(r); dev.IntersectClip({double(c.l), double(c.t)}, {double(c.r), double(c.b)}); break; }
    case EMR_EXTSELECTCLIPRGN: {
      const uint32_t size = r.U32(), mode = r.U32();
      constexpr uint32_t kRgnAnd = 1, kRgnCopy = 5;
      if (size == 0) {
        if (mode == kRgnCopy) dev.SetDeviceClip(std::nullopt, false);
        break;
      }
      if (size < 32 || size > r.Remaining()) r.Fail();
      r.Skip(16);  // header size, type, rectangle count, buffer size
      const Rect32 b = ReadRect(r);
      if (mode == kRgnCopy || mode == kRgnAnd) dev.SetDeviceClip(CanvasRect{b.l, b.t, b.r, b.b}, mode == kRgnAnd);
      break;
    }
    case EMR_SAVEDC: dev.Save(); break;
    case EMR_RESTOREDC: dev.Restore(r.I32()); break;
    case EMR_SETWORLDTRANSFORM: case EMR_MODIFYWORLDTRANSFORM: {
      float m[6];
      for (float& v : m) v = r.F32();
      const uint32_t mode = type == EMR_SETWORLDTRANSFORM ? 4 : r.U32();
      for (float v : m) if (!Finite(v)) return;
      double* x = st.Xf;
      if (mode == 1) {
        const double id[6] = {1, 0, 0, 1, 0, 0};
        std::copy(id, id + 6, x);
      } else if (mode == 4) {
        std::copy(m, m + 6, x);
      } else if (mode == 2 || mode == 3) {
        // Left: the new transform applies first; right: after the old one.
        double n[6], p[6] = {m[0], m[1], m[2], m[3], m[4], m[5]}, o[6];
        std::copy(x, x + 6, o);
        const double* first = mode == 2 ? p : o;
        const double* second = mode == 2 ? o : p;
        n[0] = first[0] * second[0] + first[1] * second[2];
        n[1] = first[0] * second[1] + first[1] * second[3];
        n[2] = first[2] * second[0] + first[3] * second[2];
        n[3] = first[2] * second[1] + first[3] * second[3];
        n[4] = first[4] * second[0] + first[5] * second[2] + second[4];
        n[5] = first[4] * second[1] + first[5] * second[3] + second[5];
        std::copy(n, n + 6, x);
      }
      break;
    }
    case EMR_SELECTOBJECT: {
      const uint32_t index = r.U32();
      if (index & 0x80000000u) dev.SelectStock(index & 0x7FFFFFFFu);
      else dev.Select(index);
      break;
    }
    case EMR_DELETEOBJECT: dev.Delete(r.U32()); break;
    case EMR_CREATEPEN: {
      const uint32_t index = r.U32();
      MfObject o;
      o.Type = MfObject::Pen;
      const uint32_t style = r.U32() & 0xF;
      o.P.Width = r.I32();
      r.I32();
      o.P.Color = r.U32() & 0xFFFFFF;
      o.P.Style = style == 5 ? PenStyle::Clear : style <= 4 ? static_cast<PenStyle>(style) : PenStyle::Solid;
      dev.CreateAt(index, o);
      break;
    }
    case EMR_EXTCREATEPEN: {
      const uint32_t index = r.U32();
      r.Skip(16);  // pattern bitmap offsets
      MfObject o;
      o.Type = MfObject::Pen;
      const uint32_t style = r.U32();
      const uint32_t width = r.U32();
      const uint32_t brushStyle = r.U32();
      o.P.Color = r.U32() & 0xFFFFFF;
      const uint32_t dash = style & 0xF;
      // Geometric pens have a width in logical units; cosmetic ones one unit.
      o.P.Width = (style & 0x00010000) ? width : 0;
      o.P.Style = dash == 5 || brushStyle == 1 ? PenStyle::Clear
                  : dash <= 4                  ? static_cast<PenStyle>(dash)
                                               : PenStyle::Solid;
      dev.CreateAt(index, o);
      break;
    }
    case EMR_CREATEBRUSHINDIRECT: {
      const uint32_t index = r.U32();
      MfObject o;
      o.Type = MfObject::Brush;
      const uint32_t style = r.U32();
      o.B.Color = r.U32() & 0xFFFFFF;
      o.B.Hollow = style == 1;
      dev.CreateAt(index, o);
      break;
    }
    case EMR_CREATEDIBPATTERNBRUSHPT: {
      MfObject o;
      o.Type = MfObject::Brush;
      o.B.Hollow = true;  // patterns are not drawn
      dev.CreateAt(r.U32(), o);
      break;
    }
    case EMR_EXTCREATEFONTINDIRECTW: {
      const uint32_t index = r.U32();
      MfObject o;
      o.Type = MfObject::Font;
      o.F.Height = r.I32();
      r.I32();
      o.F.Escapement = r.I32();
      r.I32();
      o.F.Weight = r.I32();
      o.F.Italic = r.U8() != 0;
      o.F.Underline = r.U8() != 0;
      o.F.StrikeOut = r.U8() != 0;
      o.F.Charset = r.U8();
      r.Skip(4);
      std::u16string face;
      for (int i = 0; i < 32; ++i) {
        const char16_t c = r.U16();
        if (c == 0) break;
        face.push_back(c);
      }
      o.F.Face = Utf16ToHost(face);
      dev.CreateAt(index, o);
      break;
    }
    case EMR_RECTANGLE: case EMR_ELLIPSE: {
      const Rect32 b = ReadRect(r);
      const MfPoint p{double(b.l), double(b.t)}, q{double(b.r), double(b.b)};
      if (type == EMR_RECTANGLE) dev.Rectangle(p, q);
      else dev.Ellipse(p, q);
      break;
    }
    case EMR_ROUNDRECT: {
      const Rect32 b = ReadRect(r);
      const int32_t cw = r.I32(), ch = r.I32();
      dev.RoundRect({double(b.l), double(b.t)}, {double(b.r), double(b.b)}, cw, ch);
      break;
    }
    case EMR_ARC: case EMR_CHORD: case EMR_PIE: case EMR_ARCTO: {
      const Rect32 b = ReadRect(r);
      const MfPoint s = ReadPoint(r), e = ReadPoint(r);
      const auto kind = type == EMR_ARC     ? MetafileDevice::ArcOnly
                        : type == EMR_ARCTO ? MetafileDevice::ArcTo
                        : type == EMR_CHORD ? MetafileDevice::Chord
                                            : MetafileDevice::Pie;
      dev.Arc({double(b.l), double(b.t)}, {double(b.r), double(b.b)}, s, e, kind);
      break;
    }
    case EMR_BEGINPATH: dev.BeginPath(); break;
    case EMR_ENDPATH: dev.EndPath(); break;
    case EMR_CLOSEFIGURE: dev.CloseFigure(); break;
    case EMR_FILLPATH: dev.DrawPath(true, false); break;
    case EMR_STROKEPATH: dev.DrawPath(false, true); break;
    case EMR_STROKEANDFILLPATH: dev.DrawPath(true, true); break;
    case EMR_SELECTCLIPPATH: case EMR_ABORTPATH: dev.AbortPath(); break;
    case EMR_EXTTEXTOUTA: case EMR_EXTTEXTOUTW: {
      ReadRect(r);
      r.U32();  // graphics mode
      r.F32(), r.F32();
      const MfPoint p = ReadPoint(r);
      const uint32_t chars = r.U32(), offString = r.U32(), options = r.U32();
      const Rect32 c = ReadRect(r);
      const bool wide = type == EMR_EXTTEXTOUTW;
      const uint64_t bytes = uint64_t{chars} * (wide ? 2 : 1);
      if (offString > r.Size() || bytes > r.Size() - offString) r.Fail();
      const std::string_view raw = r.Data().substr(offString, bytes);
      std::string text;
      if (wide) {
        std::u16string u(chars, u'\0');
        for (uint32_t i = 0; i < chars; ++i)
          u[i] = static_cast<char16_t>(static_cast<uint8_t>(raw[i * 2]) | static_cast<uint8_t>(raw[i * 2 + 1]) << 8);
        text = Utf16ToHost(u);
      } else {
        text = CharsetToHost(raw, st.Font.Charset);
      }
      constexpr uint32_t kOpaque = 2, kClipped = 4;
      dev.Text(p, text, (options & kOpaque) != 0, (options & kClipped) != 0, {double(c.l), double(c.t)},
               {double(c.r), double(c.b)});
      break;
    }
    case EMR_BITBLT: case EMR_STRETCHBLT: {
      ReadRect(r);
      const int32_t x = r.I32(), y = r.I32(), w = r.I32(), h = r.I32();
      const uint32_t rop = r.U32();
      const int32_t sx = r.I32(), sy = r.I32();
      r.Skip(24);  // source transform
      r.U32();     // source background
      r.U32();     // colour table use
      const uint32_t offInfo = r.U32(), cbInfo = r.U32(), offBits = r.U32(), cbBits = r.U32();
      int32_t sw = w, sh = h;
      if (type == EMR_STRETCHBLT) sw = r.I32(), sh = r.I32();
      const MfPoint p{double(x), double(y)};
      if (cbInfo == 0) {
        if (rop == kPatCopy && !st.Brush.Hollow) dev.FillLogical(p, w, h, st.Brush.Color);
        else if (rop == kBlackness) dev.FillLogical(p, w, h, 0);
        else if (rop == kWhiteness) dev.FillLogical(p, w, h, 0xFFFFFF);
        break;
      }
      const QImage image = RecordBitmap(r, dev, offInfo, cbInfo, offBits, cbBits);
      if (rop == kSrcCopy) dev.Image(p, w, h, image, sx, sy, sw, sh);
      break;
    }
    case EMR_STRETCHDIBITS: {
      ReadRect(r);
      const int32_t x = r.I32(), y = r.I32(), sx = r.I32(), sy = r.I32(), sw = r.I32(), sh = r.I32();
      const uint32_t offInfo = r.U32(), cbInfo = r.U32(), offBits = r.U32(), cbBits = r.U32();
      r.U32();
      const uint32_t rop = r.U32();
      const int32_t w = r.I32(), h = r.I32();
      if (cbInfo == 0) break;
      const QImage image = RecordBitmap(r, dev, offInfo, cbInfo, offBits, cbBits);
      // Bitmap rows count from the bottom in the source rectangle.
      if (rop == kSrcCopy) dev.Image({double(x), double(y)}, w, h, image, sx, image.height() - sy - sh, sw, sh);
      break;
    }
    case EMR_SETDIBITSTODEVICE: {
      ReadRect(r);
      const int32_t x = r.I32(), y = r.I32(), sx = r.I32(), sy = r.I32(), sw = r.I32(), sh = r.I32();
      const uint32_t offInfo = r.U32(), cbInfo = r.U32(), offBits = r.U32(), cbBits = r.U32();
      if (cbInfo == 0) break;
      const QImage image = RecordBitmap(r, dev, offInfo, cbInfo, offBits, cbBits);
      dev.Image({double(x), double(y)}, sw, sh, image, sx, image.height() - sy - sh, sw, sh);
      break;
    }
    default:
      break;  // records without drawing effect here are skipped
  }
}

}  // namespace

MetafileSize PlayEnhanced(std::string_view data, Canvas* canvas, const CanvasRect& target) {
  ByteReader h(data, kWhat);
  if (h.U32() != EMR_HEADER) h.Fail();
  const uint32_t headerSize = h.U32();
  if (headerSize < 88 || headerSize > data.size() || headerSize % 4 != 0) h.Fail();
  const Rect32 bounds = ReadRect(h);
  const Rect32 frame = ReadRect(h);
  if (h.U32() != kEmfSignature) h.Fail();
  h.U32();  // version
  h.U32();  // bytes
  h.U32();  // records
  const uint16_t handles = h.U16();
  h.U16();
  h.Skip(12);  // description, palette
  const int32_t devW = h.I32(), devH = h.I32(), mmW = h.I32(), mmH = h.I32();

  MetafileSize size;
  // Picture size: the frame (hundredths of a millimetre) at 96 dpi.
  const int64_t frameW = int64_t{frame.r} - frame.l, frameH = int64_t{frame.b} - frame.t;
  size.Width = static_cast<int32_t>(std::llround(frameW * 96.0 / 2540));
  size.Height = static_cast<int32_t>(std::llround(frameH * 96.0 / 2540));

  MetafileDevice dev(canvas);
  dev.SetObjectCount(handles);
  const double perMmX = devW > 0 && mmW > 0 ? double(devW) / mmW : 96 / 25.4;
  const double perMmY = devH > 0 && mmH > 0 ? double(devH) / mmH : 96 / 25.4;
  dev.SetDevicePerMm(perMmX, perMmY);
  // The frame in reference device pixels is what fills the target.
  double fx = frame.l * perMmX / 100, fy = frame.t * perMmY / 100;
  double fw = frameW * perMmX / 100, fh = frameH * perMmY / 100;
  if (fw <= 0 || fh <= 0) {
    fx = bounds.l, fy = bounds.t;
    fw = double(bounds.r) - bounds.l + 1, fh = double(bounds.b) - bounds.t + 1;
  }
  if (fw <= 0 || fh <= 0) return size;
  const double kx = target.Width() / fw, ky = target.Height() / fh;
  dev.SetOutput(target.Left - fx * kx, target.Top - fy * ky, kx, ky);

  size_t pos = headerSize;
  while (pos + 8 <= data.size()) {
    ByteReader head(data.substr(pos, 8), kWhat);
    const uint32_t type = head.U32(), recordSize = head.U32();
    if (recordSize < 8 || recordSize % 4 != 0 || recordSize > data.size() - pos) head.Fail();
    if (type == EMR_EOF) break;
    ByteReader rec(data.substr(pos, recordSize), kWhat);
    rec.Skip(8);
    PlayRecord(type, rec, dev);
    pos += recordSize;
  }
  return size;
}

}  // namespace lf
