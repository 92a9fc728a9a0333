// The PDF canvas: pages drawn into content streams, written as they end.
#include "pdf/pdf_canvas.h"

#include <QDateTime>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "pdf/pdf_fonts.h"
#include "pdf/pdf_object_writer.h"
#include "platform/code_page.h"
#include "platform/exception.h"
#include "platform/font_style.h"
#include "platform/text_measurer.h"

namespace lf {

namespace {

// Control points of a quarter ellipse as a Bezier curve, per unit radius.
constexpr double kBezierCircle = 0.5522847498;
// Synthetic bold: the outline stroked this wide, per unit of font size.
constexpr double kBoldStroke = 0.03;
// Synthetic italic: the slant of upright strokes (about 12 degrees).
constexpr double kItalicSlant = 0.21;

uint64_t Fnv1a(std::string_view bytes, uint64_t h = 1469598103934665603ull) {
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

CanvasRect Intersect(const CanvasRect& a, const CanvasRect& b) {
  return CanvasRect{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                    std::min(a.Bottom, b.Bottom)};
}

// Width, height and components of a baseline or progressive JPEG stream;
// false when it is none a PDF reader takes as it is (8 bits, grey or YCbCr).
bool JpegFrame(std::string_view jpeg, int& width, int& height, int& components) {
  auto byte = [&](size_t i) { return static_cast<uint8_t>(jpeg[i]); };
  if (jpeg.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8) return false;
  size_t at = 2;
  while (at + 4 <= jpeg.size()) {
    if (byte(at) != 0xFF) return false;
    const uint8_t marker = byte(at + 1);
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    const size_t length = (size_t{byte(at + 2)} << 8) | byte(at + 3);
    if (length < 2) return false;
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                       marker != 0xCC;
    if (frame) {
      if (at + 10 > jpeg.size() || length < 8) return false;
      // Arithmetic coding and lossless frames are left to the decoder.
      if (marker != 0xC0 && marker != 0xC1 && marker != 0xC2) return false;
      height = (byte(at + 5) << 8) | byte(at + 6);
      width = (byte(at + 7) << 8) | byte(at + 8);
      components = byte(at + 9);
      return byte(at + 4) == 8 && width > 0 && height > 0 && (components == 1 || components == 3);
    }
    at += 2 + length;
  }
  return false;
}

}  // namespace

PdfCanvas::PdfCanvas(TStream& out, const PdfDocumentInfo& info, int dotsPerInch)
    : writer_(std::make_unique<PdfObjectWriter>(out)),
      fonts_(std::make_unique<PdfFonts>(*writer_)),
      info_(info),
      dpi_(dotsPerInch),
      pointsPerUnit_(72.0 / dotsPerInch) {
  catalog_ = writer_->Reserve();
  pageTree_ = writer_->Reserve();
  resources_ = writer_->Reserve();
  infoObject_ = writer_->Reserve();
}

PdfCanvas::~PdfCanvas() = default;

void PdfCanvas::Num(double v) { AppendNumber(content_, v, 2); }
void PdfCanvas::Int(int64_t v) { AppendInt(content_, v); }

int PdfCanvas::PageObject(int page) {
  if (page < 0) throw Exception("page index " + std::to_string(page) + " in a PDF link");
  if (static_cast<size_t>(page) >= pageObjects_.size()) {
    pageObjects_.resize(static_cast<size_t>(page) + 1, 0);
    pageDone_.resize(static_cast<size_t>(page) + 1, false);
  }
  int& n = pageObjects_[static_cast<size_t>(page)];
  if (n == 0) n = writer_->Reserve();
  return n;
}

void PdfCanvas::BeginPage(int32_t width, int32_t height) {
  if (inPage_) EndPage();
  inPage_ = true;
  pageWidth_ = std::max<int32_t>(width, 1);
  pageHeight_ = std::max<int32_t>(height, 1);
  content_.clear();
  links_.clear();
  states_.assign(1, State{});
  states_.back().Clip = CanvasRect{0, 0, pageWidth_, pageHeight_};
  // Device units from the top-left corner, y downwards.
  Num(pointsPerUnit_);
  content_ += " 0 0 ";
  Num(-pointsPerUnit_);
  content_ += " 0 ";
  Num(pageHeight_ * pointsPerUnit_);
  content_ += " cm\n";
}

void PdfCanvas::EndPage() {
  if (!inPage_) return;
  inPage_ = false;
  while (states_.size() > 1) Restore();
  const int page = pagesWritten_++;
  const int object = PageObject(page);
  pageDone_[static_cast<size_t>(page)] = true;
  const int contents = writer_->Reserve();
  writer_->WriteStream(contents, "", content_, true);
  std::string s = "<</Type /Page /Parent ";
  AppendInt(s, pageTree_);
  s += " 0 R /MediaBox [0 0 ";
  AppendNumber(s, pageWidth_ * pointsPerUnit_);
  s += ' ';
  AppendNumber(s, pageHeight_ * pointsPerUnit_);
  s += "] /Resources ";
  AppendInt(s, resources_);
  s += " 0 R /Contents ";
  AppendInt(s, contents);
  s += " 0 R";
  if (!links_.empty()) {
    s += " /Annots [";
    for (size_t i = 0; i < links_.size(); ++i) {
      if (i) s += ' ';
      AppendInt(s, links_[i]);
      s += " 0 R";
    }
    s += ']';
  }
  s += ">>";
  writer_->WriteObject(object, s);
  content_.clear();
  content_.shrink_to_fit();
}

void PdfCanvas::AddLink(const CanvasRect& r, const std::string& action) {
  if (!inPage_ || r.IsEmpty()) return;
  std::string s = "<</Type/Annot/Subtype/Link/Rect[";
  AppendNumber(s, r.Left * pointsPerUnit_);
  s += ' ';
  AppendNumber(s, (pageHeight_ - r.Bottom) * pointsPerUnit_);
  s += ' ';
  AppendNumber(s, r.Right * pointsPerUnit_);
  s += ' ';
  AppendNumber(s, (pageHeight_ - r.Top) * pointsPerUnit_);
  s += "]/Border[0 0 0]" + action + ">>";
  const int object = writer_->Reserve();
  writer_->WriteObject(object, s);
  links_.push_back(object);
}

void PdfCanvas::LinkToPage(const CanvasRect& r, int page) {
  std::string action = "/Dest[";
  AppendInt(action, PageObject(page));
  action += " 0 R/XYZ null null null]";
  AddLink(r, action);
}

void PdfCanvas::LinkToUri(const CanvasRect& r, std::string_view address) {
  // A URI is 7-bit ASCII: other bytes of its UTF-8 form are escaped.
  static const char kHex[] = "0123456789ABCDEF";
  std::string uri;
  for (unsigned char c : HostToUtf8(address)) {
    if (c <= 0x20 || c >= 0x7F) {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 0xF];
    } else {
      uri += static_cast<char>(c);
    }
  }
  AddLink(r, "/A<</S/URI/URI" + PdfLiteralString(uri) + ">>");
}

void PdfCanvas::Finish() {
  if (inPage_) EndPage();
  // Pages named by links that were not drawn.
  for (size_t i = 0; i < pageObjects_.size(); ++i) {
    if (pageDone_[i] || pageObjects_[i] == 0) continue;
    while (static_cast<size_t>(pagesWritten_) < i) {
      BeginPage(pageWidth_, pageHeight_);
      EndPage();
    }
    BeginPage(pageWidth_, pageHeight_);
    EndPage();
  }
  fonts_->WriteAll();

  std::string s = "<</ProcSet[/PDF/Text/ImageB/ImageC]/Font<<" + fonts_->ResourceEntries(*writer_) +
                  ">>/XObject<<" + imageResources_ + ">>>>";
  writer_->WriteObject(resources_, s);

  s = "<</Type /Pages /Kids [";
  for (int i = 0; i < pagesWritten_; ++i) {
    if (i) s += ' ';
    AppendInt(s, pageObjects_[static_cast<size_t>(i)]);
    s += " 0 R";
  }
  s += "] /Count ";
  AppendInt(s, pagesWritten_);
  s += ">>";
  writer_->WriteObject(pageTree_, s);

  s = "<</Type /Catalog /Pages ";
  AppendInt(s, pageTree_);
  s += " 0 R>>";
  writer_->WriteObject(catalog_, s);

  s = "<<";
  if (!info_.Title.empty()) s += "/Title" + PdfTextString(info_.Title);
  if (!info_.Author.empty()) s += "/Author" + PdfTextString(info_.Author);
  if (!info_.Subject.empty()) s += "/Subject" + PdfTextString(info_.Subject);
  if (!info_.Producer.empty()) s += "/Producer" + PdfTextString(info_.Producer);
  std::string date = info_.CreationDate;
  if (date.empty())
    date = "D:" + QDateTime::currentDateTimeUtc().toString("yyyyMMddHHmmss").toStdString() + "Z";
  s += "/CreationDate" + PdfLiteralString(date) + ">>";
  writer_->WriteObject(infoObject_, s);
  writer_->Finish(catalog_, infoObject_);
}

void PdfCanvas::SetFill(uint32_t color) {
  const int64_t rgb = ColorToRgb(color);
  State& st = states_.back();
  if (st.Fill == rgb) return;
  st.Fill = rgb;
  Num(((rgb >> 16) & 0xFF) / 255.0);
  content_ += ' ';
  Num(((rgb >> 8) & 0xFF) / 255.0);
  content_ += ' ';
  Num((rgb & 0xFF) / 255.0);
  content_ += " rg\n";
}

void PdfCanvas::SetStroke(const CanvasPen& pen) {
  State& st = states_.back();
  const int64_t rgb = ColorToRgb(pen.Color);
  if (st.Stroke != rgb) {
    st.Stroke = rgb;
    Num(((rgb >> 16) & 0xFF) / 255.0);
    content_ += ' ';
    Num(((rgb >> 8) & 0xFF) / 255.0);
    content_ += ' ';
    Num((rgb & 0xFF) / 255.0);
    content_ += " RG\n";
  }
  const int32_t width = std::max<int32_t>(pen.Width, 0);
  const bool round = width > 1;
  if (st.LineWidth != width || st.Dash != pen.Style || st.Round != round) {
    st.LineWidth = width;
    st.Dash = pen.Style;
    st.Round = round;
    Int(width);
    // Thin lines end flat; wide ones end and join round.
    content_ += round ? " w 1 J 1 j [" : " w 0 J 0 j [";
    // Dashes in pen widths.
    static const int kDash[] = {4, 2}, kDot[] = {1, 2}, kDashDot[] = {4, 2, 1, 2},
                     kDashDotDot[] = {4, 2, 1, 2, 1, 2};
    const int* pattern = nullptr;
    size_t n = 0;
    switch (pen.Style) {
      case PenStyle::Dash: pattern = kDash; n = 2; break;
      case PenStyle::Dot: pattern = kDot; n = 2; break;
      case PenStyle::DashDot: pattern = kDashDot; n = 4; break;
      case PenStyle::DashDotDot: pattern = kDashDotDot; n = 6; break;
      default: break;
    }
    const int32_t unit = std::max<int32_t>(width, 1);
    for (size_t i = 0; i < n; ++i) {
      if (i) content_ += ' ';
      Int(int64_t{pattern[i]} * unit);
    }
    content_ += "] 0 d\n";
  }
}

void PdfCanvas::FillRect(const CanvasRect& r, uint32_t color) {
  if (r.IsEmpty()) return;
  SetFill(color);
  Int(r.Left);
  content_ += ' ';
  Int(r.Top);
  content_ += ' ';
  Int(r.Width());
  content_ += ' ';
  Int(r.Height());
  content_ += " re f\n";
}

void PdfCanvas::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const CanvasPen& pen) {
  if (pen.Style == PenStyle::Clear) return;
  SetStroke(pen);
  Int(x1);
  content_ += ' ';
  Int(y1);
  content_ += " m ";
  Int(x2);
  content_ += ' ';
  Int(y2);
  content_ += " l S\n";
}

void PdfCanvas::PathPoints(const CanvasPoint* points, int count) {
  for (int i = 0; i < count; ++i) {
    Int(points[i].X);
    content_ += ' ';
    Int(points[i].Y);
    content_ += i == 0 ? " m " : " l ";
  }
}

void PdfCanvas::PaintPath(const CanvasPen& pen, uint32_t fill, bool evenOdd) {
  const bool stroke = pen.Style != PenStyle::Clear;
  if (fill != kNoFill) SetFill(fill);
  if (stroke) SetStroke(pen);
  if (fill != kNoFill && stroke) content_ += evenOdd ? "b*\n" : "b\n";
  else if (fill != kNoFill) content_ += evenOdd ? "h f*\n" : "h f\n";
  else if (stroke) content_ += "s\n";
  else content_ += "n\n";
}

void PdfCanvas::Polyline(const CanvasPoint* points, int count, const CanvasPen& pen) {
  if (count < 2 || pen.Style == PenStyle::Clear) return;
  SetStroke(pen);
  PathPoints(points, count);
  content_ += "S\n";
}

void PdfCanvas::Polygon(const CanvasPoint* points, int count, const CanvasPen& pen, uint32_t fill) {
  if (count < 2) return;
  PathPoints(points, count);
  PaintPath(pen, fill, true);
}

void PdfCanvas::Ellipse(const CanvasRect& r, const CanvasPen& pen, uint32_t fill) {
  if (r.IsEmpty()) return;
  // The outline stays inside r, right and bottom exclusive.
  const int32_t shrink = pen.Style == PenStyle::Clear ? 0 : 1;
  const double rx = (r.Width() - shrink) / 2.0, ry = (r.Height() - shrink) / 2.0;
  const double cx = r.Left + rx, cy = r.Top + ry;
  const double kx = rx * kBezierCircle, ky = ry * kBezierCircle;
  auto pt = [&](double x, double y) {
    Num(x);
    content_ += ' ';
    Num(y);
    content_ += ' ';
  };
  pt(cx + rx, cy);
  content_ += "m ";
  pt(cx + rx, cy + ky), pt(cx + kx, cy + ry), pt(cx, cy + ry);
  content_ += "c ";
  pt(cx - kx, cy + ry), pt(cx - rx, cy + ky), pt(cx - rx, cy);
  content_ += "c ";
  pt(cx - rx, cy - ky), pt(cx - kx, cy - ry), pt(cx, cy - ry);
  content_ += "c ";
  pt(cx + kx, cy - ry), pt(cx + rx, cy - ky), pt(cx + rx, cy);
  content_ += "c ";
  PaintPath(pen, fill, false);
}

void PdfCanvas::Rectangle(const CanvasRect& r, const CanvasPen& pen, uint32_t fill) {
  if (r.IsEmpty()) return;
  if (pen.Style == PenStyle::Clear) {
    if (fill != kNoFill) FillRect(r, fill);
    return;
  }
  Int(r.Left);
  content_ += ' ';
  Int(r.Top);
  content_ += ' ';
  Int(r.Width() - 1);
  content_ += ' ';
  Int(r.Height() - 1);
  content_ += " re ";
  PaintPath(pen, fill, false);
}

int32_t PdfCanvas::TextWidth(std::string_view text, int32_t charSpacing) {
  return TextMeasurer::Shared().Width(font_, text, charSpacing);
}

CanvasFontMetrics PdfCanvas::FontMetrics() { return TextMeasurer::Shared().Metrics(font_); }

void PdfCanvas::TextOut(int32_t x, int32_t y, std::string_view text, const TextOutOptions& options) {
  if (options.Opaque && !options.ClipRect.IsEmpty()) FillRect(options.ClipRect, options.BackColor);
  if (text.empty()) return;
  const std::u16string utf16 = HostToUtf16(text);
  const bool rotated = font_.Orientation == 900;
  bool clip = options.Clipped;
  if (clip && !rotated) {
    // Text whose ink stays inside its rectangle needs no clip (one device
    // unit of room for antialiased edges).
    const CanvasRect ink = TextMeasurer::Shared().InkBounds(font_, std::u16string_view(utf16),
                                                            options.CharSpacing);
    const CanvasRect& c = options.ClipRect;
    clip = !ink.IsEmpty() &&
           !(int64_t{x} + ink.Left - 1 >= c.Left && int64_t{x} + ink.Right + 1 <= c.Right &&
             int64_t{y} + ink.Top - 1 >= c.Top && int64_t{y} + ink.Bottom + 1 <= c.Bottom);
  }
  if (clip) {
    Save();
    IntersectClip(options.ClipRect);
  }
  const std::vector<ShapedRun>& runs = fonts_->Shape(font_, utf16, options.RightToLeft);
  DrawRuns(runs, x, y, FontMetrics().Ascent, options.CharSpacing, rotated);
  if (clip) Restore();
}

void PdfCanvas::DrawRuns(const std::vector<ShapedRun>& runs, double x, double y, int32_t ascent,
                         int32_t charSpacing, bool rotated) {
  const int32_t size = std::clamp<int32_t>(font_.PixelHeight, 1, kMaxFontPixelHeight);
  SetFill(font_.Color);
  // The text's own axes in device units: along the baseline, and up.
  const double ax = rotated ? 0 : 1, ay = rotated ? -1 : 0;
  const double ux = rotated ? -1 : 0, uy = rotated ? 0 : -1;
  double ox = rotated ? x + ascent : x, oy = rotated ? y : y + ascent;
  const double startX = ox, startY = oy;
  State& st = states_.back();
  content_ += "BT\n";
  if (st.CharSpacing != charSpacing) {
    st.CharSpacing = charSpacing;
    Int(charSpacing);
    content_ += " Tc\n";
  }
  double length = 0;
  for (const ShapedRun& run : runs) {
    PdfFace& face = *run.Choice.Face;
    const double scale = static_cast<double>(size) / face.UnitsPerEm();
    if (st.Face != &face || st.FontSize != size) {
      st.Face = &face;
      st.FontSize = size;
      face.Object(*writer_);
      content_ += face.ResourceName();
      content_ += ' ';
      Int(size);
      content_ += " Tf\n";
    }
    const double slant = run.Choice.SyntheticItalic ? kItalicSlant : 0;
    if (!rotated && slant == 0) {
      content_ += "1 0 0 -1 ";
    } else {
      Num(ax);
      content_ += ' ';
      Num(ay);
      content_ += ' ';
      Num(ux + slant * ax);
      content_ += ' ';
      Num(uy + slant * ay);
      content_ += ' ';
    }
    Num(ox + ax * length);
    content_ += ' ';
    Num(oy + ay * length);
    content_ += " Tm\n";
    if (run.Choice.SyntheticBold) {
      SetStroke(CanvasPen{std::max<int32_t>(1, static_cast<int32_t>(size * kBoldStroke)),
                          font_.Color, PenStyle::Solid});
      content_ += "2 Tr\n";
    }
    content_ += "[<";
    const double toThousandths = 1000.0 / face.UnitsPerEm();
    double pending = 0;  // thousandths of an em to move back before the next glyph
    bool open = true;
    for (const ShapedGlyph& g : run.Glyphs) {
      pending -= g.OffsetX * toThousandths;
      if (std::fabs(pending) >= 0.005) {
        if (open) content_ += '>';
        AppendNumber(content_, pending, 2);
        content_ += '<';
        open = true;
        pending = 0;
      } else if (!open) {
        content_ += '<';
        open = true;
      }
      static const char kHex[] = "0123456789ABCDEF";
      const char hex[4] = {kHex[(g.Glyph >> 12) & 0xF], kHex[(g.Glyph >> 8) & 0xF],
                           kHex[(g.Glyph >> 4) & 0xF], kHex[g.Glyph & 0xF]};
      content_.append(hex, 4);
      pending += (face.Advance(g.Glyph) - g.Advance + g.OffsetX) * toThousandths;
      length += g.Advance * scale + charSpacing;
    }
    content_ += ">]TJ\n";
    if (run.Choice.SyntheticBold) content_ += "0 Tr\n";
  }
  content_ += "ET\n";
  if (!(font_.Style & (fsUnderline | fsStrikeOut)) || runs.empty()) return;
  // Lines along the whole text, in the first face's positions.
  const PdfFace& face = *runs.front().Choice.Face;
  const double scale = static_cast<double>(size) / face.UnitsPerEm();
  auto bar = [&](double offset, double thickness) {
    const double t = std::max(thickness * scale, 1.0);
    const double from = offset * scale + t / 2, to = from - t;  // heights above the baseline
    const double pts[4][2] = {{startX + ux * from, startY + uy * from},
                              {startX + ux * from + ax * length, startY + uy * from + ay * length},
                              {startX + ux * to + ax * length, startY + uy * to + ay * length},
                              {startX + ux * to, startY + uy * to}};
    for (int i = 0; i < 4; ++i) {
      Num(pts[i][0]);
      content_ += ' ';
      Num(pts[i][1]);
      content_ += i == 0 ? " m " : " l ";
    }
    content_ += "h f\n";
  };
  if (font_.Style & fsUnderline) bar(face.UnderlineOffset, face.UnderlineSize);
  if (font_.Style & fsStrikeOut) bar(face.StrikeoutOffset, face.StrikeoutSize);
}

void PdfCanvas::ShowImage(const CanvasRect& r, int object) {
  content_ += "q ";
  Int(r.Width());
  content_ += " 0 0 ";
  Int(-r.Height());
  content_ += ' ';
  Int(r.Left);
  content_ += ' ';
  Int(r.Bottom);
  content_ += " cm /I";
  Int(object);
  content_ += " Do Q\n";
}

void PdfCanvas::DrawImage(const CanvasRect& r, const QImage& image) {
  if (r.IsEmpty() || image.isNull()) return;
  const bool alpha = image.hasAlphaChannel();
  const QImage source = image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
  const int w = source.width(), h = source.height();
  std::string rgb, mask;
  rgb.reserve(static_cast<size_t>(w) * h * 3);
  if (alpha) mask.reserve(static_cast<size_t>(w) * h);
  for (int row = 0; row < h; ++row) {
    const char* line = reinterpret_cast<const char*>(source.constScanLine(row));
    if (!alpha) {
      rgb.append(line, static_cast<size_t>(w) * 3);
      continue;
    }
    for (int col = 0; col < w; ++col) {
      rgb.append(line + 4 * col, 3);
      mask += line[4 * col + 3];
    }
  }
  std::string key = "P" + std::to_string(w) + "x" + std::to_string(h) + ":" +
                    std::to_string(Fnv1a(rgb)) + ":" + std::to_string(Fnv1a(mask));
  auto it = images_.find(key);
  if (it == images_.end()) {
    std::string dict = "/Type/XObject/Subtype/Image/Width " + std::to_string(w) + "/Height " +
                       std::to_string(h) + "/BitsPerComponent 8/ColorSpace/DeviceRGB";
    // A mask that lets everything show is left out.
    const bool masked = alpha && mask.find_first_not_of('\xFF') != std::string::npos;
    if (masked) {
      const int smask = writer_->Reserve();
      writer_->WriteStream(smask,
                           "/Type/XObject/Subtype/Image/Width " + std::to_string(w) + "/Height " +
                               std::to_string(h) + "/BitsPerComponent 8/ColorSpace/DeviceGray",
                           mask, true);
      dict += "/SMask " + std::to_string(smask) + " 0 R";
    }
    const int object = writer_->Reserve();
    writer_->WriteStream(object, dict, rgb, true);
    imageResources_ += "/I" + std::to_string(object) + ' ' + std::to_string(object) + " 0 R";
    it = images_.emplace(std::move(key), object).first;
  }
  ShowImage(r, it->second);
}

void PdfCanvas::DrawJpeg(const CanvasRect& r, const QImage& image, std::string_view jpeg) {
  int w = 0, h = 0, components = 0;
  if (r.IsEmpty() || !JpegFrame(jpeg, w, h, components)) {
    DrawImage(r, image);
    return;
  }
  std::string key = "J" + std::to_string(jpeg.size()) + ":" + std::to_string(Fnv1a(jpeg));
  auto it = images_.find(key);
  if (it == images_.end()) {
    const int object = writer_->Reserve();
    writer_->WriteStream(object,
                         "/Type/XObject/Subtype/Image/Width " + std::to_string(w) + "/Height " +
                             std::to_string(h) + "/BitsPerComponent 8/ColorSpace/" +
                             (components == 1 ? "DeviceGray" : "DeviceRGB") + "/Filter/DCTDecode",
                         jpeg, false);
    imageResources_ += "/I" + std::to_string(object) + ' ' + std::to_string(object) + " 0 R";
    it = images_.emplace(std::move(key), object).first;
  }
  ShowImage(r, it->second);
}

void PdfCanvas::Save() {
  content_ += "q\n";
  states_.push_back(states_.back());
}

void PdfCanvas::Restore() {
  if (states_.size() <= 1) return;
  content_ += "Q\n";
  states_.pop_back();
}

void PdfCanvas::IntersectClip(const CanvasRect& r) {
  State& st = states_.back();
  st.Clip = Intersect(st.Clip, r);
  Int(r.Left);
  content_ += ' ';
  Int(r.Top);
  content_ += ' ';
  Int(std::max(r.Width(), 0));
  content_ += ' ';
  Int(std::max(r.Height(), 0));
  content_ += " re W n\n";
}

bool PdfCanvas::RectVisible(const CanvasRect& r) {
  return !r.IsEmpty() && !Intersect(states_.back().Clip, r).IsEmpty();
}

}  // namespace lf
