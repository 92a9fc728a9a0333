// MetafileDevice: mapping from logical to target units and the drawing
// operations of metafile records.
#include "engine/graphics/metafile_device.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <QImage>

#include "engine/graphics/graphic_error.h"
#include "platform/code_page.h"

namespace lf {
namespace {

constexpr uint32_t TA_UPDATECP = 1, TA_RIGHT = 2, TA_CENTER = 6, TA_BOTTOM = 8, TA_BASELINE = 24;
constexpr int kBezierSteps = 8;
constexpr int kMaxArcSegments = 64;

int32_t Clamp32(double v) {
  if (!(v > -1e9)) return -1000000000;  // also NaN
  if (v > 1e9) return 1000000000;
  return static_cast<int32_t>(std::lround(v));
}

}  // namespace

MetafileDevice::MetafileDevice(Canvas* canvas) : canvas_(canvas) {
  if (canvas_) canvas_->Save();
}

MetafileDevice::~MetafileDevice() {
  if (canvas_) canvas_->Restore();
}

void MetafileDevice::SetOutput(double originX, double originY, double scaleX, double scaleY) {
  ox_ = originX, oy_ = originY, kx_ = scaleX, ky_ = scaleY;
}

void MetafileDevice::MapScale(double& sx, double& sy) const {
  switch (st_.MapMode) {
    case mmLoMetric: sx = pxPerMmX_ / 10, sy = -pxPerMmY_ / 10; break;
    case mmHiMetric: sx = pxPerMmX_ / 100, sy = -pxPerMmY_ / 100; break;
    case mmLoEnglish: sx = pxPerMmX_ * 0.254, sy = -pxPerMmY_ * 0.254; break;
    case mmHiEnglish: sx = pxPerMmX_ * 0.0254, sy = -pxPerMmY_ * 0.0254; break;
    case mmTwips: sx = pxPerMmX_ * 25.4 / 1440, sy = -pxPerMmY_ * 25.4 / 1440; break;
    case mmIsotropic:
    case mmAnisotropic: {
      sx = st_.WinExtX != 0 ? st_.VpExtX / st_.WinExtX : 1;
      sy = st_.WinExtY != 0 ? st_.VpExtY / st_.WinExtY : 1;
      if (st_.MapMode == mmIsotropic) {
        const double s = std::min(std::fabs(sx), std::fabs(sy));
        sx = std::copysign(s, sx), sy = std::copysign(s, sy);
      }
      break;
    }
    default: sx = sy = 1;
  }
}

CanvasPoint MetafileDevice::Map(MfPoint p) const {
  const double* m = st_.Xf;
  const double x = p.X * m[0] + p.Y * m[2] + m[4];
  const double y = p.X * m[1] + p.Y * m[3] + m[5];
  double sx, sy;
  MapScale(sx, sy);
  const double dx = (x - st_.WinOrgX) * sx + st_.VpOrgX;
  const double dy = (y - st_.WinOrgY) * sy + st_.VpOrgY;
  return CanvasPoint{Clamp32(ox_ + dx * kx_), Clamp32(oy_ + dy * ky_)};
}

CanvasRect MetafileDevice::MapRect(MfPoint a, MfPoint b) const {
  const CanvasPoint p = Map(a), q = Map(b);
  return CanvasRect{std::min(p.X, q.X), std::min(p.Y, q.Y), std::max(p.X, q.X), std::max(p.Y, q.Y)};
}

CanvasPen MetafileDevice::TargetPen() const {
  double sx, sy;
  MapScale(sx, sy);
  const double scale = std::fabs(sx * kx_ * std::hypot(st_.Xf[0], st_.Xf[1]));
  const double w = st_.Pen.Width * scale;
  return CanvasPen{w < 1.5 ? 1 : Clamp32(w), st_.Pen.Color, st_.Pen.Style};
}

void MetafileDevice::ApplyClip() {
  if (applied_ == st_.Clip) return;
  canvas_->Restore();
  canvas_->Save();
  if (st_.Clip) canvas_->IntersectClip(*st_.Clip);
  applied_ = st_.Clip;
}

void MetafileDevice::CreateAt(size_t index, const MfObject& obj) {
  if (index < objects_.size()) objects_[index] = obj;
}

void MetafileDevice::CreateFree(const MfObject& obj) {
  for (MfObject& slot : objects_)
    if (slot.Type == MfObject::Empty) {
      slot = obj;
      return;
    }
}

void MetafileDevice::Select(size_t index) {
  if (index >= objects_.size()) return;
  const MfObject& o = objects_[index];
  if (o.Type == MfObject::Pen) st_.Pen = o.P;
  else if (o.Type == MfObject::Brush) st_.Brush = o.B;
  else if (o.Type == MfObject::Font) st_.Font = o.F;
}

void MetafileDevice::SelectStock(uint32_t stock) {
  static constexpr uint32_t kBrushColours[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000};
  if (stock <= 4) st_.Brush = MfBrush{false, kBrushColours[stock]};
  else if (stock == 5) st_.Brush = MfBrush{true, 0};
  else if (stock == 6) st_.Pen = MfPen{PenStyle::Solid, 0, 0xFFFFFF};
  else if (stock == 7) st_.Pen = MfPen{PenStyle::Solid, 0, 0};
  else if (stock == 8) st_.Pen = MfPen{PenStyle::Clear, 0, 0};
  else if (stock >= 10 && stock <= 17) st_.Font = MfFont{};
}

void MetafileDevice::Delete(size_t index) {
  if (index < objects_.size()) objects_[index] = MfObject{};
}

void MetafileDevice::Save() {
  if (saved_.size() < static_cast<size_t>(kMaxMetafileSavedStates)) saved_.push_back(st_);
}

void MetafileDevice::Restore(int32_t level) {
  size_t target;
  if (level < 0) {
    const int64_t back = -static_cast<int64_t>(level);
    if (back > static_cast<int64_t>(saved_.size())) return;
    target = saved_.size() - static_cast<size_t>(back);
  } else {
    if (level == 0 || static_cast<size_t>(level) > saved_.size()) return;
    target = static_cast<size_t>(level) - 1;
  }
  st_ = saved_[target];
  saved_.resize(target);
}

void MetafileDevice::IntersectClip(MfPoint a, MfPoint b) {
  CanvasRect r = MapRect(a, b);
  if (st_.Clip) {
    r.Left = std::max(r.Left, st_.Clip->Left), r.Top = std::max(r.Top, st_.Clip->Top);
    r.Right = std::min(r.Right, st_.Clip->Right), r.Bottom = std::min(r.Bottom, st_.Clip->Bottom);
  }
  st_.Clip = r;
}

void MetafileDevice::SetDeviceClip(const std::optional<CanvasRect>& r, bool intersect) {
  if (!r) {
    st_.Clip.reset();
    return;
  }
  CanvasRect t{Clamp32(ox_ + r->Left * kx_), Clamp32(oy_ + r->Top * ky_), Clamp32(ox_ + r->Right * kx_),
               Clamp32(oy_ + r->Bottom * ky_)};
  if (t.Left > t.Right) std::swap(t.Left, t.Right);
  if (t.Top > t.Bottom) std::swap(t.Top, t.Bottom);
  if (intersect && st_.Clip) {
    t.Left = std::max(t.Left, st_.Clip->Left), t.Top = std::max(t.Top, st_.Clip->Top);
    t.Right = std::min(t.Right, st_.Clip->Right), t.Bottom = std::min(t.Bottom, st_.Clip->Bottom);
  }
  st_.Clip = t;
}

void MetafileDevice::Shape(std::vector<CanvasPoint> pts, bool closed) {
  if (!canvas_ || pts.empty()) return;
  ApplyClip();
  if (closed) canvas_->Polygon(pts.data(), static_cast<int>(pts.size()), TargetPen(), FillColour());
  else canvas_->Polyline(pts.data(), static_cast<int>(pts.size()), TargetPen());
}

void MetafileDevice::MoveTo(MfPoint p) {
  st_.CurX = p.X, st_.CurY = p.Y;
  if (inPath_) figures_.push_back({p});
}

void MetafileDevice::LineTo(MfPoint p) { Polyline({p}, true); }

void MetafileDevice::Polyline(const std::vector<MfPoint>& pts, bool fromCurrent) {
  if (pts.empty()) return;
  std::vector<MfPoint> all;
  if (fromCurrent) all.push_back(MfPoint{st_.CurX, st_.CurY});
  all.insert(all.end(), pts.begin(), pts.end());
  if (fromCurrent) st_.CurX = pts.back().X, st_.CurY = pts.back().Y;
  if (inPath_) {
    if (fromCurrent && !figures_.empty()) figures_.back().insert(figures_.back().end(), pts.begin(), pts.end());
    else figures_.push_back(all);
    return;
  }
  std::vector<CanvasPoint> mapped;
  mapped.reserve(all.size());
  for (const MfPoint& p : all) mapped.push_back(Map(p));
  Shape(std::move(mapped), false);
}

void MetafileDevice::PolyBezier(const std::vector<MfPoint>& pts, bool fromCurrent) {
  std::vector<MfPoint> ctrl;
  if (fromCurrent) ctrl.push_back(MfPoint{st_.CurX, st_.CurY});
  ctrl.insert(ctrl.end(), pts.begin(), pts.end());
  if (ctrl.size() < 4) return;
  std::vector<MfPoint> flat{ctrl[0]};
  for (size_t i = 0; i + 3 < ctrl.size(); i += 3) {
    const MfPoint &p0 = ctrl[i], &p1 = ctrl[i + 1], &p2 = ctrl[i + 2], &p3 = ctrl[i + 3];
    for (int s = 1; s <= kBezierSteps; ++s) {
      const double t = static_cast<double>(s) / kBezierSteps, u = 1 - t;
      flat.push_back(MfPoint{u * u * u * p0.X + 3 * u * u * t * p1.X + 3 * u * t * t * p2.X + t * t * t * p3.X,
                             u * u * u * p0.Y + 3 * u * u * t * p1.Y + 3 * u * t * t * p2.Y + t * t * t * p3.Y});
    }
  }
  if (fromCurrent) {
    flat.erase(flat.begin());
    Polyline(flat, true);
  } else {
    Polyline(flat, false);
  }
}

void MetafileDevice::Polygon(const std::vector<MfPoint>& pts) {
  if (pts.empty()) return;
  if (inPath_) {
    figures_.push_back(pts);
    figures_.push_back({});  // closed: the next segment starts a new figure
    return;
  }
  std::vector<CanvasPoint> mapped;
  mapped.reserve(pts.size());
  for (const MfPoint& p : pts) mapped.push_back(Map(p));
  Shape(std::move(mapped), true);
}

void MetafileDevice::Rectangle(MfPoint a, MfPoint b) {
  if (inPath_) {
    Polygon({a, {b.X, a.Y}, b, {a.X, b.Y}});
    return;
  }
  if (!canvas_) return;
  ApplyClip();
  canvas_->Rectangle(MapRect(a, b), TargetPen(), FillColour());
}

void MetafileDevice::RoundRect(MfPoint a, MfPoint b, double cornerW, double cornerH) {
  const double l = std::min(a.X, b.X), r = std::max(a.X, b.X), t = std::min(a.Y, b.Y), bt = std::max(a.Y, b.Y);
  const double rx = std::min(std::fabs(cornerW) / 2, (r - l) / 2), ry = std::min(std::fabs(cornerH) / 2, (bt - t) / 2);
  std::vector<MfPoint> pts;
  const double cx[4] = {r - rx, l + rx, l + rx, r - rx}, cy[4] = {t + ry, t + ry, bt - ry, bt - ry};
  for (int q = 0; q < 4; ++q)
    for (int s = 0; s <= 4; ++s) {
      const double angle = (q * 90 + s * 22.5) * std::numbers::pi / 180;
      pts.push_back(MfPoint{cx[q] + rx * std::cos(angle), cy[q] - ry * std::sin(angle)});
    }
  Polygon(pts);
}

void MetafileDevice::Ellipse(MfPoint a, MfPoint b) {
  if (inPath_) {
    Polygon(ArcPoints(a, b, a, a));
    return;
  }
  if (!canvas_) return;
  ApplyClip();
  canvas_->Ellipse(MapRect(a, b), TargetPen(), FillColour());
}

// Points of the arc of the ellipse in (a, b) from the ray through start to
// the ray through end, counter-clockwise on the page unless set otherwise;
// equal rays give the whole ellipse.
std::vector<MfPoint> MetafileDevice::ArcPoints(MfPoint a, MfPoint b, MfPoint start, MfPoint end) const {
  const double cx = (a.X + b.X) / 2, cy = (a.Y + b.Y) / 2;
  const double rx = std::fabs(b.X - a.X) / 2, ry = std::fabs(b.Y - a.Y) / 2;
  if (rx == 0 || ry == 0) return {MfPoint{cx, cy}};
  // Angles on the page: logical y runs down in the target when the mapping
  // keeps its sign, up when it flips it.
  double sx, sy;
  MapScale(sx, sy);
  const double flip = (sy * ky_ < 0) != (sx * kx_ < 0) ? -1 : 1;
  const double a1 = std::atan2(-(start.Y - cy) / ry, (start.X - cx) / rx) * flip;
  double a2 = std::atan2(-(end.Y - cy) / ry, (end.X - cx) / rx) * flip;
  const double full = 2 * std::numbers::pi;
  double sweep = st_.Clockwise ? a1 - a2 : a2 - a1;
  while (sweep <= 0) sweep += full;
  if (sweep > full) sweep = full;
  const int n = std::max(2, static_cast<int>(kMaxArcSegments * sweep / full));
  std::vector<MfPoint> pts;
  for (int i = 0; i <= n; ++i) {
    const double t = (st_.Clockwise ? a1 - sweep * i / n : a1 + sweep * i / n) * flip;
    pts.push_back(MfPoint{cx + rx * std::cos(t), cy - ry * std::sin(t)});
  }
  return pts;
}

void MetafileDevice::Arc(MfPoint a, MfPoint b, MfPoint start, MfPoint end, ArcKind kind) {
  std::vector<MfPoint> pts = ArcPoints(a, b, start, end);
  switch (kind) {
    case ArcOnly: Polyline(pts, false); break;
    case ArcTo:
      Polyline(pts, true);
      break;
    case Chord: Polygon(pts); break;
    case Pie:
      pts.push_back(MfPoint{(a.X + b.X) / 2, (a.Y + b.Y) / 2});
      Polygon(pts);
      break;
  }
}

void MetafileDevice::SetPixel(MfPoint p, uint32_t color) {
  if (!canvas_) return;
  ApplyClip();
  const CanvasPoint q = Map(p);
  canvas_->FillRect(CanvasRect{q.X, q.Y, q.X + 1, q.Y + 1}, color & 0xFFFFFF);
}

void MetafileDevice::Text(MfPoint p, std::string_view text, bool opaque, bool clipped, MfPoint r1, MfPoint r2) {
  if (st_.TextAlign & TA_UPDATECP) p = MfPoint{st_.CurX, st_.CurY};
  if (!canvas_) return;
  double sx, sy;
  MapScale(sx, sy);
  CanvasFont font;
  font.Name = st_.Font.Face.empty() ? "Arial" : st_.Font.Face;
  const double h = std::fabs(st_.Font.Height * sy * ky_ * std::hypot(st_.Xf[2], st_.Xf[3]));
  font.PixelHeight = std::clamp(Clamp32(h == 0 ? 16 * std::fabs(ky_) : h), 1, 10000);
  font.Style = (st_.Font.Weight >= 600 ? fsBold : 0) | (st_.Font.Italic ? fsItalic : 0) |
               (st_.Font.Underline ? fsUnderline : 0) | (st_.Font.StrikeOut ? fsStrikeOut : 0);
  font.Color = st_.TextColor & 0xFFFFFF;
  font.Charset = st_.Font.Charset;
  font.Orientation = st_.Font.Escapement == 900 ? 900 : 0;
  ApplyClip();
  canvas_->SetFont(font);
  CanvasPoint q = Map(p);
  const int32_t width = canvas_->TextWidth(text);
  const CanvasFontMetrics metrics = canvas_->FontMetrics();
  const uint32_t horizontal = st_.TextAlign & TA_CENTER;
  if (horizontal == TA_CENTER) q.X -= width / 2;
  else if (horizontal == TA_RIGHT) q.X -= width;
  if ((st_.TextAlign & TA_BASELINE) == TA_BASELINE) q.Y -= metrics.Ascent;
  else if (st_.TextAlign & TA_BOTTOM) q.Y -= metrics.Height;
  TextOutOptions options;
  if (opaque || clipped) {
    options.ClipRect = MapRect(r1, r2);
    options.Clipped = clipped;
    options.Opaque = opaque;
    options.BackColor = st_.BkColor & 0xFFFFFF;
  }
  canvas_->TextOut(q.X, q.Y, text, options);
  if (st_.TextAlign & TA_UPDATECP) {
    double k = sx * kx_;
    if (k != 0) st_.CurX += width / k;
  }
}

void MetafileDevice::ChargePixels(int64_t pixels) {
  pixels_ += pixels;
  if (pixels_ > kMaxMetafileImagePixels)
    throw EInvalidGraphic("metafile bitmaps are larger than the limit of " +
                          std::to_string(kMaxMetafileImagePixels) + " pixels");
}

void MetafileDevice::Image(MfPoint p, double w, double h, const QImage& image, int sx, int sy, int sw, int sh) {
  if (!canvas_ || image.isNull()) return;
  const QRect source = QRect(sx, sy, sw, sh).normalized().intersected(image.rect());
  if (source.isEmpty()) return;
  CanvasPoint a = Map(p), b = Map(MfPoint{p.X + w, p.Y + h});
  QImage part = source == image.rect() ? image : image.copy(source);
  const bool mirrorX = b.X < a.X, mirrorY = b.Y < a.Y;
  if (mirrorX || mirrorY) part = part.mirrored(mirrorX, mirrorY);
  const CanvasRect r{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
  if (r.IsEmpty()) return;
  ApplyClip();
  canvas_->DrawImage(r, part);
}

void MetafileDevice::FillLogical(MfPoint p, double w, double h, uint32_t color) {
  if (!canvas_) return;
  ApplyClip();
  canvas_->FillRect(MapRect(p, MfPoint{p.X + w, p.Y + h}), color);
}

void MetafileDevice::BeginPath() {
  inPath_ = true;
  figures_.clear();
  figures_.push_back({MfPoint{st_.CurX, st_.CurY}});
}

void MetafileDevice::CloseFigure() {
  if (inPath_) figures_.push_back({MfPoint{st_.CurX, st_.CurY}});
}

void MetafileDevice::DrawPath(bool fill, bool stroke) {
  inPath_ = false;
  if (canvas_) {
    ApplyClip();
    const CanvasPen pen = stroke ? TargetPen() : CanvasPen{1, 0, PenStyle::Clear};
    const uint32_t colour = fill ? FillColour() : kNoFill;
    for (const auto& figure : figures_) {
      if (figure.size() < 2) continue;
      std::vector<CanvasPoint> pts;
      for (const MfPoint& p : figure) pts.push_back(Map(p));
      if (fill) canvas_->Polygon(pts.data(), static_cast<int>(pts.size()), pen, colour);
      else canvas_->Polyline(pts.data(), static_cast<int>(pts.size()), pen);
    }
  }
  figures_.clear();
}

std::string CharsetToHost(std::string_view text, uint8_t charset) {
  const char* name = nullptr;
  switch (charset) {
    case 0: name = "CP1252"; break;
    case 128: name = "CP932"; break;
    case 129: name = "CP949"; break;
    case 134: name = "CP936"; break;
    case 136: name = "CP950"; break;
    case 161: name = "CP1253"; break;
    case 162: name = "CP1254"; break;
    case 177: name = "CP1255"; break;
    case 178: name = "CP1256"; break;
    case 186: name = "CP1257"; break;
    case 204: name = "CP1251"; break;
    case 238: name = "CP1250"; break;
    default: return std::string(text);  // the default character set: the host's
  }
  try {
    return Utf16ToHost(CodePageToUtf16(text, LookupCodePage(name)));
  } catch (const Exception&) {
    return std::string(text);
  }
}

}  // namespace lf
