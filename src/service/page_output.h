// What the service makes of one stored page: a vector SVG, a PNG, the text
// runs and links a viewer lays over the picture, and the places of a text.
// These draw through the engine: callers run them one at a time.
#pragma once

#include <string>
#include <vector>

#include "platform/canvas.h"

class QImage;

namespace lf {

class TfrEMFPages;

// The grid of SVG pages and of every box the service gives (device units
// per inch): fine enough that positions do not visibly snap at any zoom.
inline constexpr int kSvgDpi = 600;
// Resolutions a PNG page may be asked for.
inline constexpr int kMinPngDpi = 10;
inline constexpr int kMaxPngDpi = 600;

// The size of page index in SVG units.
CanvasRect PageBox(const TfrEMFPages& pages, int index);

std::string PageSvg(TfrEMFPages& pages, int index);
// The page drawn at dpi. Raises lf::Exception when the image cannot be made.
QImage PageImage(TfrEMFPages& pages, int index, int dpi);
// An image as PNG bytes; needs no engine, so any thread may encode.
std::string EncodePng(const QImage& image);

struct PageTextRun {
  std::string text;     // UTF-8
  std::string hostText; // as drawn, host code page
  CanvasRect box;       // SVG units
  CanvasFont font;      // as drawn, heights in SVG units
  int32_t charSpacing = 0;
  bool vertical = false;  // runs upwards
};

struct PageLink {
  CanvasRect box;      // SVG units
  std::string target;  // UTF-8: "@N" for page N, or the address
};

std::vector<PageTextRun> PageTextRuns(TfrEMFPages& pages, int index);
std::vector<PageLink> PageLinks(TfrEMFPages& pages, int index);

// {"width", "height", "runs": [{"text", "box": [x, y, w, h], "size"}, ...],
//  "links": [{"box": [...], "target"}, ...]} in SVG units.
std::string PageTextJson(TfrEMFPages& pages, int index);

// The boxes of every place the runs hold query (UTF-8), the case ignored
// unless matchCase; a match inside a run gets the box of its own characters.
std::vector<CanvasRect> FindInRuns(const std::vector<PageTextRun>& runs, const std::string& query,
                                   bool matchCase);

}  // namespace lf
