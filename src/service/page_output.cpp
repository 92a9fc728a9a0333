// Stored pages drawn for the service.
#include "service/page_output.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

#include "engine/output/emf_pages.h"
#include "engine/output/pdf_export.h"
#include "engine/run/engine_state_scope.h"
#include "platform/code_page.h"
#include "platform/exception.h"
#include "platform/painter_canvas.h"
#include "platform/recording_canvas.h"
#include "platform/svg_canvas.h"
#include "platform/text_measurer.h"
#include "service/report_cache.h"

namespace lf {
namespace {

constexpr double kPageUnitsPerInch = 93.0 / 1.015;

CanvasRect BoxAt(const TfrEMFPages& pages, int index, int dpi) {
  const TPreparedPage& p = pages.PageAt(index);
  return CanvasRect{0, 0, std::max(1, static_cast<int32_t>(std::lround(p.Metrics.SheetWidth / kPageUnitsPerInch * dpi))),
                    std::max(1, static_cast<int32_t>(std::lround(p.Metrics.SheetHeight / kPageUnitsPerInch * dpi)))};
}

nlohmann::json BoxJson(const CanvasRect& r) { return {r.Left, r.Top, r.Width(), r.Height()}; }

}  // namespace

CanvasRect PageBox(const TfrEMFPages& pages, int index) { return BoxAt(pages, index, kSvgDpi); }

std::string PageSvg(TfrEMFPages& pages, int index) {
  const CanvasRect box = PageBox(pages, index);
  SvgCanvas canvas(box.Right, box.Bottom, kSvgDpi);
  DrawPageOnce(pages, index, canvas, box);
  return canvas.Finish();
}

QImage PageImage(TfrEMFPages& pages, int index, int dpi) {
  const CanvasRect box = BoxAt(pages, index, dpi);
  QImage image(box.Right, box.Bottom, QImage::Format_RGB32);
  if (image.isNull())
    throw Exception("cannot make an image of " + std::to_string(box.Right) + "x" + std::to_string(box.Bottom));
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  PainterCanvas canvas(painter, dpi);
  DrawPageOnce(pages, index, canvas, box);
  painter.end();
  return image;
}

std::string EncodePng(const QImage& image) {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) throw Exception("cannot encode the page as PNG");
  return png.toStdString();
}

std::vector<PageTextRun> PageTextRuns(TfrEMFPages& pages, int index) {
  const CanvasRect box = PageBox(pages, index);
  RecordingCanvas canvas(box.Right, box.Bottom, kSvgDpi);
  DrawPageOnce(pages, index, canvas, box);
  std::vector<PageTextRun> runs;
  for (const CanvasOp& op : canvas.Ops()) {
    if (op.Type != CanvasOp::Kind::Text) continue;
    if (op.Text.find_first_not_of(' ') == std::string::npos) continue;
    runs.push_back(PageTextRun{HostToUtf8(op.Text), op.Text, op.Bounds, op.Font, op.Options.CharSpacing,
                               op.Font.Orientation == 900});
  }
  return runs;
}

std::vector<PageLink> PageLinks(TfrEMFPages& pages, int index) {
  TPreparedPage& p = pages.PageAt(index);
  std::vector<PageLink> links;
  const TPrinterMetrics& m = p.Metrics;
  if (m.SheetWidth <= 0 || m.SheetHeight <= 0) return links;
  EngineStateScope scope;
  const bool loaded = p.Page != nullptr;
  if (!loaded) pages.LoadPage(index);
  // Objects are placed as the preview's hit test places them, in page units
  // from the sheet's corner, then scaled to the SVG grid.
  double kx = 1, ky = 1, ox = 0, oy = 0;
  if (!p.SheetCoordinates) {
    kx = (static_cast<double>(m.PrintWidth) - p.Margins.Left - p.Margins.Right) / m.SheetWidth;
    ky = (static_cast<double>(m.PrintHeight) - p.Margins.Top - p.Margins.Bottom) / m.SheetHeight;
    ox = static_cast<double>(m.OffsetX) + p.Margins.Left;
    oy = static_cast<double>(m.OffsetY) + p.Margins.Top;
  }
  const CanvasRect box = PageBox(pages, index);
  const double sx = static_cast<double>(box.Right) / m.SheetWidth;
  const double sy = static_cast<double>(box.Bottom) / m.SheetHeight;
  auto at = [](double v) {
    return static_cast<int32_t>(std::clamp(std::lround(v), -2147483647L, 2147483647L));
  };
  for (const auto& object : p.Page->Objects) {
    const TfrView& v = *object;
    if (v.Name.rfind(kLinkObjectPrefix, 0) != 0 || v.Tag.empty()) continue;
    const double left = v.Left * kx + ox, top = v.Top * ky + oy;
    const double right = (static_cast<double>(v.Left) + v.Width) * kx + ox;
    const double bottom = (static_cast<double>(v.Top) + v.Height) * ky + oy;
    links.push_back(PageLink{CanvasRect{at(left * sx), at(top * sy), at(right * sx), at(bottom * sy)},
                             HostToUtf8(v.Tag)});
  }
  if (!loaded) {
    if (EngineState().CurPage == p.Page.get()) EngineState().CurPage = nullptr;
    p.Page.reset();
  }
  return links;
}

std::string PageTextJson(TfrEMFPages& pages, int index) {
  const CanvasRect box = PageBox(pages, index);
  nlohmann::json runs = nlohmann::json::array();
  for (const PageTextRun& run : PageTextRuns(pages, index)) {
    nlohmann::json r = {{"text", run.text}, {"box", BoxJson(run.box)}, {"size", run.font.PixelHeight}};
    if (run.vertical) r["vertical"] = true;
    runs.push_back(std::move(r));
  }
  nlohmann::json links = nlohmann::json::array();
  for (const PageLink& link : PageLinks(pages, index))
    links.push_back({{"box", BoxJson(link.box)}, {"target", link.target}});
  nlohmann::json page = {{"width", box.Right}, {"height", box.Bottom}, {"runs", runs}, {"links", links}};
  return page.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::vector<CanvasRect> FindInRuns(const std::vector<PageTextRun>& runs, const std::string& query,
                                   bool matchCase) {
  std::vector<CanvasRect> boxes;
  const QString key = QString::fromUtf8(query.data(), static_cast<qsizetype>(query.size()));
  if (key.isEmpty()) return boxes;
  const Qt::CaseSensitivity cs = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
  for (const PageTextRun& run : runs) {
    const QString text = QString::fromUtf8(run.text.data(), static_cast<qsizetype>(run.text.size()));
    for (qsizetype at = text.indexOf(key, 0, cs); at >= 0; at = text.indexOf(key, at + key.size(), cs)) {
      if (run.vertical) {
        boxes.push_back(run.box);
        continue;
      }
      // The match's own characters, measured as the engine measures them.
      TextMeasurer& m = TextMeasurer::Shared();
      const int32_t before = m.Width(run.font, Utf8ToHost(text.left(at).toStdString()), run.charSpacing);
      const int32_t width = m.Width(run.font, Utf8ToHost(text.mid(at, key.size()).toStdString()), run.charSpacing);
      const int32_t left = std::min(run.box.Right, run.box.Left + before);
      boxes.push_back(CanvasRect{left, run.box.Top, std::min(run.box.Right, left + width), run.box.Bottom});
    }
  }
  return boxes;
}

}  // namespace lf
