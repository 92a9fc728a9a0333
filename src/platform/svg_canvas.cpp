// The canvas that writes SVG documents.
#include "platform/svg_canvas.h"

#include <QBuffer>
#include <QImage>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <tuple>

#include "platform/code_page.h"
#include "platform/text_measurer.h"

namespace lf {
namespace {

std::string Hex(uint32_t color) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%06x", static_cast<unsigned>(ColorToRgb(color) & 0xFFFFFF));
  return buf;
}

std::string Num(int64_t v) { return std::to_string(v); }

// SVG numbers take a point whatever the C locale says.
std::string Fixed(double v, int decimals) {
  char buf[48];
  const auto end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals).ptr;
  return std::string(buf, end);
}

std::string FillAttribute(uint32_t fill) { return fill == kNoFill ? " fill=\"none\"" : " fill=\"" + Hex(fill) + "\""; }

CanvasRect Intersect(const CanvasRect& a, const CanvasRect& b) {
  return CanvasRect{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                    std::min(a.Bottom, b.Bottom)};
}

// Families a browser tries in turn: the installed stand-in, the family of
// the character set, then the generic family.
std::string FontFamilies(const CanvasFont& font) {
  std::string family = SubstituteFamily(font.Name, font.Charset);
  std::string charsetFamily = CharsetFamily(font.Charset);
  std::string list = "'" + family + "'";
  if (!charsetFamily.empty() && charsetFamily != family) list += ",'" + charsetFamily + "'";
  const bool serif = family.find("Serif") != std::string::npos && family.find("Sans") == std::string::npos;
  return list + (serif ? ",serif" : ",sans-serif");
}

}  // namespace

std::string XmlEscape(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (char c : utf8) {
    const auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default:
        // XML 1.0 holds no control characters but tab, line feed and return.
        if (u < 0x20 && c != '\t' && c != '\n' && c != '\r') break;
        out += c;
    }
  }
  return out;
}

SvgCanvas::SvgCanvas(int32_t width, int32_t height, int dotsPerInch)
    : width_(std::max(1, width)), height_(std::max(1, height)), dpi_(dotsPerInch) {
  states_.push_back(State{CanvasRect{0, 0, width_, height_}, 0});
}

std::string SvgCanvas::Finish() {
  while (states_.size() > 1) Restore();
  for (int i = 0; i < states_.back().openGroups; ++i) body_ += "</g>";
  states_.back().openGroups = 0;
  const std::string size = "width=\"" + Fixed(width_ * 25.4 / dpi_, 2) + "mm\" height=\"" +
                           Fixed(height_ * 25.4 / dpi_, 2) + "mm\"";
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" " +
                    size + " viewBox=\"0 0 " + Num(width_) + " " + Num(height_) + "\">";
  if (!defs_.empty()) out += "<defs>" + defs_ + "</defs>";
  out += "<rect width=\"" + Num(width_) + "\" height=\"" + Num(height_) + "\" fill=\"#ffffff\"/>";
  out += body_;
  out += "</svg>\n";
  body_.clear();
  defs_.clear();
  return out;
}

std::string SvgCanvas::StrokeAttributes(const CanvasPen& pen) const {
  if (pen.Style == PenStyle::Clear) return " stroke=\"none\"";
  const int32_t w = std::max(1, pen.Width);
  std::string s = " stroke=\"" + Hex(pen.Color) + "\" stroke-width=\"" + Num(w) + "\"";
  // Dash patterns in pen widths, as the painter draws them.
  auto dashes = [&](std::initializer_list<int> pattern) {
    std::string d;
    for (int p : pattern) d += (d.empty() ? "" : " ") + Num(int64_t{p} * w);
    return " stroke-dasharray=\"" + d + "\"";
  };
  switch (pen.Style) {
    case PenStyle::Dash: s += dashes({4, 2}); break;
    case PenStyle::Dot: s += dashes({1, 2}); break;
    case PenStyle::DashDot: s += dashes({4, 2, 1, 2}); break;
    case PenStyle::DashDotDot: s += dashes({4, 2, 1, 2, 1, 2}); break;
    default: break;
  }
  if (pen.Width > 1) s += " stroke-linecap=\"round\" stroke-linejoin=\"round\"";
  return s;
}

void SvgCanvas::FillRect(const CanvasRect& r, uint32_t color) {
  if (r.IsEmpty()) return;
  body_ += "<rect x=\"" + Num(r.Left) + "\" y=\"" + Num(r.Top) + "\" width=\"" + Num(r.Width()) +
           "\" height=\"" + Num(r.Height()) + "\" fill=\"" + Hex(color) + "\"/>";
}

void SvgCanvas::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const CanvasPen& pen) {
  if (pen.Style == PenStyle::Clear) return;
  body_ += "<line x1=\"" + Num(x1) + "\" y1=\"" + Num(y1) + "\" x2=\"" + Num(x2) + "\" y2=\"" + Num(y2) +
           "\"" + StrokeAttributes(pen) + "/>";
}

void SvgCanvas::Polyline(const CanvasPoint* points, int count, const CanvasPen& pen) {
  if (count < 2 || pen.Style == PenStyle::Clear) return;
  std::string list;
  for (int i = 0; i < count; ++i) list += (i ? " " : "") + Num(points[i].X) + "," + Num(points[i].Y);
  body_ += "<polyline points=\"" + list + "\" fill=\"none\"" + StrokeAttributes(pen) + "/>";
}

void SvgCanvas::Polygon(const CanvasPoint* points, int count, const CanvasPen& pen, uint32_t fill) {
  if (count < 2) return;
  std::string list;
  for (int i = 0; i < count; ++i) list += (i ? " " : "") + Num(points[i].X) + "," + Num(points[i].Y);
  body_ += "<polygon points=\"" + list + "\"" + FillAttribute(fill) + StrokeAttributes(pen) + "/>";
}

void SvgCanvas::Ellipse(const CanvasRect& r, const CanvasPen& pen, uint32_t fill) {
  if (r.IsEmpty()) return;
  const double cx = (r.Left + r.Right) / 2.0, cy = (r.Top + r.Bottom) / 2.0;
  body_ += "<ellipse cx=\"" + Fixed(cx, 1) + "\" cy=\"" + Fixed(cy, 1) + "\" rx=\"" + Fixed(r.Width() / 2.0, 1) +
           "\" ry=\"" + Fixed(r.Height() / 2.0, 1) + "\"" + FillAttribute(fill) + StrokeAttributes(pen) + "/>";
}

void SvgCanvas::Rectangle(const CanvasRect& r, const CanvasPen& pen, uint32_t fill) {
  if (r.IsEmpty()) return;
  if (pen.Style == PenStyle::Clear) {
    if (fill != kNoFill) FillRect(r, fill);
    return;
  }
  // The outline stays inside r, as on the platform.
  const int32_t w = std::max(1, pen.Width);
  body_ += "<rect x=\"" + Fixed(r.Left + w / 2.0, 1) + "\" y=\"" + Fixed(r.Top + w / 2.0, 1) + "\" width=\"" +
           Fixed(std::max(0.0, r.Width() - double(w)), 1) + "\" height=\"" +
           Fixed(std::max(0.0, r.Height() - double(w)), 1) + "\"" + FillAttribute(fill) + StrokeAttributes(pen) + "/>";
}

void SvgCanvas::TextOut(int32_t x, int32_t y, std::string_view text, const TextOutOptions& options) {
  if (options.Opaque && !options.ClipRect.IsEmpty()) FillRect(options.ClipRect, options.BackColor);
  const std::string utf8 = HostToUtf8(text);
  if (utf8.find_first_not_of(' ') == std::string::npos) return;
  const bool clipped = options.Clipped;
  if (clipped) body_ += "<g clip-path=\"url(#" + ClipId(options.ClipRect) + ")\">";
  const CanvasFontMetrics metrics = FontMetrics();
  const int32_t width = TextWidth(text, options.CharSpacing);
  std::string attrs = " font-family=\"" + XmlEscape(FontFamilies(font_)) + "\" font-size=\"" +
                      Num(std::clamp(font_.PixelHeight, 1, kMaxFontPixelHeight)) + "\" fill=\"" +
                      Hex(font_.Color) + "\"";
  if (font_.Style & fsBold) attrs += " font-weight=\"bold\"";
  if (font_.Style & fsItalic) attrs += " font-style=\"italic\"";
  if (font_.Style & (fsUnderline | fsStrikeOut)) {
    std::string deco;
    if (font_.Style & fsUnderline) deco += "underline";
    if (font_.Style & fsStrikeOut) deco += std::string(deco.empty() ? "" : " ") + "line-through";
    attrs += " text-decoration=\"" + deco + "\"";
  }
  if (options.CharSpacing != 0) attrs += " letter-spacing=\"" + Num(options.CharSpacing) + "\"";
  if (options.RightToLeft) attrs += " direction=\"rtl\" unicode-bidi=\"embed\"";
  // The width the engine measured, so that the browser's fonts cannot move
  // a text into its neighbour.
  if (width > 0) attrs += " textLength=\"" + Num(width) + "\" lengthAdjust=\"spacingAndGlyphs\"";
  const int32_t tx = options.RightToLeft ? x + width : x;
  if (font_.Orientation == 900) {
    body_ += "<text x=\"0\" y=\"" + Num(metrics.Ascent) + "\" transform=\"translate(" + Num(x) + " " +
             Num(y) + ") rotate(-90)\"" + attrs + " xml:space=\"preserve\">" + XmlEscape(utf8) + "</text>";
  } else {
    body_ += "<text x=\"" + Num(tx) + "\" y=\"" + Num(int64_t{y} + metrics.Ascent) + "\"" + attrs +
             " xml:space=\"preserve\">" + XmlEscape(utf8) + "</text>";
  }
  if (clipped) body_ += "</g>";
}

int32_t SvgCanvas::TextWidth(std::string_view text, int32_t charSpacing) {
  return TextMeasurer::Shared().Width(font_, text, charSpacing);
}

CanvasFontMetrics SvgCanvas::FontMetrics() { return TextMeasurer::Shared().Metrics(font_); }

void SvgCanvas::DrawImage(const CanvasRect& r, const QImage& image) {
  if (r.IsEmpty() || image.isNull()) return;
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) return;
  body_ += "<image x=\"" + Num(r.Left) + "\" y=\"" + Num(r.Top) + "\" width=\"" + Num(r.Width()) +
           "\" height=\"" + Num(r.Height()) + "\" preserveAspectRatio=\"none\" href=\"data:image/png;base64," +
           png.toBase64().toStdString() + "\"/>";
}

void SvgCanvas::Save() { states_.push_back(State{states_.back().clip, 0}); }

void SvgCanvas::Restore() {
  if (states_.size() < 2) return;
  for (int i = 0; i < states_.back().openGroups; ++i) body_ += "</g>";
  states_.pop_back();
}

void SvgCanvas::IntersectClip(const CanvasRect& r) {
  State& s = states_.back();
  s.clip = Intersect(s.clip, r);
  body_ += "<g clip-path=\"url(#" + ClipId(r) + ")\">";
  ++s.openGroups;
}

bool SvgCanvas::RectVisible(const CanvasRect& r) {
  return !r.IsEmpty() && !Intersect(states_.back().clip, r).IsEmpty();
}

std::string SvgCanvas::ClipId(const CanvasRect& r) {
  auto key = std::make_tuple(r.Left, r.Top, r.Right, r.Bottom);
  auto it = clipIds_.find(key);
  if (it != clipIds_.end()) return it->second;
  std::string id = "c" + Num(static_cast<int64_t>(clipIds_.size()));
  defs_ += "<clipPath id=\"" + id + "\"><rect x=\"" + Num(r.Left) + "\" y=\"" + Num(r.Top) + "\" width=\"" +
           Num(std::max(0, r.Width())) + "\" height=\"" + Num(std::max(0, r.Height())) + "\"/></clipPath>";
  clipIds_.emplace(key, id);
  return id;
}

}  // namespace lf
