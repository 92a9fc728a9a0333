// "lumenfoldi render": prepares a report from a template and its data (or
// loads a prepared report) and writes its pages as a prepared-report file,
// a PDF or PNG images.
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <unistd.h>

#include "command.h"
#include "control/lumenfoldi.h"
#include "engine/output/emf_pages.h"
#include "engine/output/pdf_export.h"
#include "platform/code_page.h"
#include "platform/message_box.h"
#include "platform/output_device.h"
#include "platform/output_file.h"
#include "platform/painter_canvas.h"
#include "platform/password_prompt.h"
#include "platform/stream.h"
#include "report_source.h"
#include "run_timeout.h"

namespace lf::cli {
namespace {

constexpr const char* kUsage =
    "render [--codepage CP] [--password P] [--pages LIST] [--dpi N] [--progress] [--timeout SECONDS] -o OUT "
    "\"TEMPLATE,DATA\" | render [--pages LIST] [--dpi N] -o OUT FILE.frp   "
    "prepare a report into a .frp, .pdf or .png pages";

// Resolution of PNG pages: default and largest (an A4 page at 600 dpi is
// about 140 MB of pixels).
constexpr int kDefaultDpi = 96;
constexpr int kMaxDpi = 600;
// Largest PNG page in pixels: an A0 sheet at 300 dpi fits, and its pixels
// alone take 600 MB.
constexpr int64_t kMaxImagePixels = 150'000'000;
// Page units per inch.
constexpr double kPageUnitsPerInch = 93.0 / 1.015;

bool EndsWithNoCase(const std::string& s, const std::string& suffix) {
  if (s.size() < suffix.size()) return false;
  return std::equal(suffix.begin(), suffix.end(), s.end() - static_cast<long>(suffix.size()),
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

int ParseInt(const std::string& text, const std::string& what) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size())
    throw Exception("bad " + what + " '" + text + "'");
  return value;
}

// list = range { "," range } ; range = N [ "-" N ]
std::vector<int> ParsePageList(const std::string& text, int count) {
  std::vector<bool> chosen(static_cast<size_t>(count), false);
  size_t at = 0;
  while (at <= text.size()) {
    size_t comma = text.find(',', at);
    std::string part = text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    part.erase(std::remove(part.begin(), part.end(), ' '), part.end());
    if (part.empty()) throw Exception("bad page list '" + text + "'");
    size_t dash = part.find('-');
    int from = ParseInt(part.substr(0, dash), "page list");
    int to = dash == std::string::npos ? from : ParseInt(part.substr(dash + 1), "page list");
    if (from < 1 || to < from) throw Exception("bad page list '" + text + "'");
    for (int p = from; p <= std::min(to, count); ++p) chosen[static_cast<size_t>(p - 1)] = true;
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  std::vector<int> pages;
  for (int i = 0; i < count; ++i)
    if (chosen[static_cast<size_t>(i)]) pages.push_back(i);
  return pages;
}

double PageWidthInches(const TPreparedPage& p) { return p.Metrics.SheetWidth / kPageUnitsPerInch; }
double PageHeightInches(const TPreparedPage& p) { return p.Metrics.SheetHeight / kPageUnitsPerInch; }

// A PNG page's file: OUT.png gives OUT-<page number>.png.
std::string NumberedPngName(const std::string& out, int page) {
  std::string base = out.substr(0, out.size() - 4);
  return base + "-" + std::to_string(page) + ".png";
}

struct ImageSize {
  int64_t width = 0, height = 0;  // pixels
};

ImageSize PngSize(const TPreparedPage& p, int dpi) {
  return {std::max<int64_t>(1, static_cast<int64_t>(PageWidthInches(p) * dpi + 0.5)),
          std::max<int64_t>(1, static_cast<int64_t>(PageHeightInches(p) * dpi + 0.5))};
}

// Refuses, before anything is drawn, a page whose image would exceed the limit.
void CheckPngSizes(TfrEMFPages& pages, const std::vector<int>& list, int dpi) {
  for (int index : list) {
    ImageSize size = PngSize(pages.PageAt(index), dpi);
    if (size.width * size.height > kMaxImagePixels)
      throw Exception("page " + std::to_string(index + 1) + " would be an image of " + std::to_string(size.width) +
                      " x " + std::to_string(size.height) + " pixels at " + std::to_string(dpi) +
                      " dpi, more than " + std::to_string(kMaxImagePixels) + "; choose a lower --dpi");
  }
}

void WritePng(TfrEMFPages& pages, int index, int dpi, OutputFile& file, const std::string& path) {
  ImageSize size = PngSize(pages.PageAt(index), dpi);
  int w = static_cast<int>(size.width), h = static_cast<int>(size.height);
  QImage image(w, h, QImage::Format_RGB32);
  if (image.isNull()) throw Exception("cannot make an image of " + std::to_string(w) + "x" + std::to_string(h));
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    PainterCanvas canvas(painter, dpi);
    DrawPageOnce(pages, index, canvas, CanvasRect{0, 0, w, h});
  }
  WriteImage(image, "PNG", file, path);
}

int WritePages(TfrReport& report, const Options& opts, const std::string& out) {
  TfrEMFPages& pages = *report.PreparedPages;
  if (pages.Count() == 0) {
    std::fprintf(stderr, "The report has no pages\n");
    return 1;
  }
  std::vector<int> list = ParsePageList(opts.Value("pages", "1-" + std::to_string(pages.Count())),
                                        pages.Count());
  if (list.empty()) {
    std::fprintf(stderr, "The page list selects no page of the %d\n", pages.Count());
    return 1;
  }
  int dpi = opts.Has("dpi") ? ParseInt(opts.Value("dpi"), "resolution") : kDefaultDpi;
  if (dpi < 1 || dpi > kMaxDpi)
    throw Exception("resolution " + std::to_string(dpi) + " is outside 1.." + std::to_string(kMaxDpi));
  if (EndsWithNoCase(out, ".frp")) {
    for (int i = pages.Count() - 1; i >= 0; --i)
      if (!std::binary_search(list.begin(), list.end(), i)) pages.Delete(i);
    OutputFile file(out);
    pages.WriteToStream(&file);
    file.Commit();
  } else if (EndsWithNoCase(out, ".pdf")) {
    WritePdf(pages, list, out);
  } else if (EndsWithNoCase(out, ".png")) {
    // Every page is complete before any replaces a file of the same name.
    CheckPngSizes(pages, list, dpi);
    std::vector<std::unique_ptr<OutputFile>> files;
    for (int index : list) {
      std::string name = NumberedPngName(out, index + 1);
      files.push_back(std::make_unique<OutputFile>(name));
      WritePng(pages, index, dpi, *files.back(), name);
    }
    for (auto& file : files) file->Commit();
  } else {
    throw Exception("the output '" + out + "' ends in none of .frp, .pdf, .png");
  }
  std::fprintf(stderr, "%zu pages written to %s\n", list.size(), out.c_str());
  return 0;
}

int RunRender(const Args& raw) {
  Options opts(raw, {"codepage", "password", "pages", "dpi", "o", "output", "timeout"}, {"progress"});
  const std::string out = opts.Has("o") ? opts.Value("o") : opts.Value("output");
  if (opts.Positional().size() != 1 || out.empty())
    throw Exception(std::string("usage: lumenfoldi ") + kUsage);
  if (opts.Has("codepage")) SetHostCodePage(opts.Value("codepage"));
  if (opts.Has("password")) DefaultPasswordPrompt().answer = Utf8ToHost(opts.Value("password"));
  RunChoices choices;
  choices.Progress = opts.Has("progress") || isatty(fileno(stderr));
  if (opts.Has("timeout")) choices.TimeoutSeconds = ParseTimeout(opts.Value("timeout"));

  HeadlessMessageService boxes;
  ScopedMessageService scoped(&boxes);
  Tlumenfoldi control;
  if (int code = LoadReportPages(control, opts.Positional()[0], kUsage, boxes, choices)) return code;
  return WritePages(control.frReport1(), opts, out);
}

const Registration reg("render", kUsage, RunRender);

}  // namespace
}  // namespace lf::cli
