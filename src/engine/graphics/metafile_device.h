// MetafileDevice: the drawing state a metafile's records change (mapping,
// selected pen, brush and font, object table, saved states, clip, path)
// and the drawing operations they call, in the metafile's logical units.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/graphics/metafile_player.h"

class QImage;

namespace lf {

struct MfPen {
  PenStyle Style = PenStyle::Solid;
  double Width = 0;  // logical units; 0 is one device unit
  uint32_t Color = 0;
};

struct MfBrush {
  bool Hollow = false;
  uint32_t Color = 0xFFFFFF;
};

struct MfFont {
  double Height = -12;  // logical units; negative: character height
  int Weight = 400;
  bool Italic = false, Underline = false, StrikeOut = false;
  uint8_t Charset = 1;
  int Escapement = 0;   // tenths of a degree
  std::string Face = "Arial";  // host code page
};

struct MfObject {
  enum Kind { Empty, Pen, Brush, Font, Other } Type = Empty;
  MfPen P;
  MfBrush B;
  MfFont F;
};

// Mapping modes.
enum : int { mmText = 1, mmLoMetric, mmHiMetric, mmLoEnglish, mmHiEnglish, mmTwips, mmIsotropic, mmAnisotropic };

struct MfState {
  int MapMode = mmText;
  double WinOrgX = 0, WinOrgY = 0, WinExtX = 1, WinExtY = 1;
  double VpOrgX = 0, VpOrgY = 0, VpExtX = 1, VpExtY = 1;
  double Xf[6] = {1, 0, 0, 1, 0, 0};  // world transform: m11 m12 m21 m22 dx dy
  MfPen Pen;
  MfBrush Brush;
  MfFont Font;
  uint32_t TextColor = 0, BkColor = 0xFFFFFF;
  uint32_t TextAlign = 0;
  bool Clockwise = false;
  double CurX = 0, CurY = 0;
  std::optional<CanvasRect> Clip;  // target units
};

// A logical point.
struct MfPoint {
  double X = 0, Y = 0;
};

class MetafileDevice {
 public:
  // canvas may be null: records are then only checked.
  explicit MetafileDevice(Canvas* canvas);
  ~MetafileDevice();
  MetafileDevice(const MetafileDevice&) = delete;
  MetafileDevice& operator=(const MetafileDevice&) = delete;

  // Device (reference) units to target units: t = origin + device x scale.
  void SetOutput(double originX, double originY, double scaleX, double scaleY);
  // Reference device pixels per millimetre (the fixed mapping modes).
  void SetDevicePerMm(double x, double y) { pxPerMmX_ = x, pxPerMmY_ = y; }
  void SetObjectCount(size_t count) { objects_.assign(count, MfObject{}); }

  MfState& State() { return st_; }

  // Object table: Create puts obj at index (any index for EMF), CreateFree
  // in the lowest free slot (WMF); out-of-range indexes are ignored.
  void CreateAt(size_t index, const MfObject& obj);
  void CreateFree(const MfObject& obj);
  void Select(size_t index);
  void SelectStock(uint32_t stock);
  void Delete(size_t index);

  void Save();
  // relative < 0: that many levels back; > 0: to that absolute level.
  void Restore(int32_t level);
  void IntersectClip(MfPoint a, MfPoint b);
  // Clip to a rectangle in reference device units; none resets the clip.
  void SetDeviceClip(const std::optional<CanvasRect>& r, bool intersect);

  void MoveTo(MfPoint p);
  void LineTo(MfPoint p);
  void Polyline(const std::vector<MfPoint>& pts, bool fromCurrent);
  void PolyBezier(const std::vector<MfPoint>& pts, bool fromCurrent);
  void Polygon(const std::vector<MfPoint>& pts);
  void Rectangle(MfPoint a, MfPoint b);
  void RoundRect(MfPoint a, MfPoint b, double cornerW, double cornerH);
  void Ellipse(MfPoint a, MfPoint b);
  enum ArcKind { ArcOnly, ArcTo, Chord, Pie };
  void Arc(MfPoint a, MfPoint b, MfPoint start, MfPoint end, ArcKind kind);
  void SetPixel(MfPoint p, uint32_t color);
  // Host code-page text at p (or the current position with TA_UPDATECP).
  void Text(MfPoint p, std::string_view text, bool opaque, bool clipped, MfPoint r1, MfPoint r2);
  // A bitmap into the logical rectangle at p of size (w, h) from the source
  // rectangle (sx, sy, sw, sh) of image.
  void Image(MfPoint p, double w, double h, const QImage& image, int sx, int sy, int sw, int sh);
  // A rectangle filled with a colour (pattern blits).
  void FillLogical(MfPoint p, double w, double h, uint32_t color);
  // Counts decoded bitmap pixels against kMaxMetafileImagePixels.
  void ChargePixels(int64_t pixels);

  void BeginPath();
  void EndPath() { inPath_ = false; }
  void AbortPath() { inPath_ = false, figures_.clear(); }
  void CloseFigure();
  void DrawPath(bool fill, bool stroke);

  // Logical to target units.
  CanvasPoint Map(MfPoint p) const;

 private:
  void MapScale(double& sx, double& sy) const;
  CanvasPen TargetPen() const;
  uint32_t FillColour() const { return st_.Brush.Hollow ? kNoFill : st_.Brush.Color; }
  CanvasRect MapRect(MfPoint a, MfPoint b) const;
  void ApplyClip();
  void Shape(std::vector<CanvasPoint> pts, bool closed);
  std::vector<MfPoint> ArcPoints(MfPoint a, MfPoint b, MfPoint start, MfPoint end) const;

  Canvas* canvas_;
  MfState st_;
  std::vector<MfState> saved_;
  std::vector<MfObject> objects_;
  double ox_ = 0, oy_ = 0, kx_ = 1, ky_ = 1;
  double pxPerMmX_ = 96 / 25.4, pxPerMmY_ = 96 / 25.4;
  std::optional<CanvasRect> applied_;
  bool inPath_ = false;
  std::vector<std::vector<MfPoint>> figures_;
  int64_t pixels_ = 0;
};

// Record loops of the two forms.
MetafileSize PlayEnhanced(std::string_view data, Canvas* canvas, const CanvasRect& target);
MetafileSize PlayWindows(std::string_view data, Canvas* canvas, const CanvasRect& target);

// Text of a metafile font's character set to the host code page.
std::string CharsetToHost(std::string_view text, uint8_t charset);

}  // namespace lf
