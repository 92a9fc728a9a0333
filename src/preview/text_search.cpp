// Text search in prepared pages.
#include "preview/text_search.h"

#include "engine/output/emf_pages.h"
#include "engine/run/engine_state_scope.h"
#include "platform/code_page.h"
#include "platform/recording_canvas.h"
#include "preview/qt_text.h"

namespace lf {

std::string SearchKey(std::string_view text, bool matchCase) {
  if (matchCase) return std::string(text);
  return FromQString(ToQString(text).toUpper());
}

std::optional<TextMatch> FindOnPage(TfrEMFPages& pages, int index, const std::string& key, bool matchCase,
                                    int fromRecord) {
  if (key.empty() || index < 0 || index >= pages.Count()) return std::nullopt;
  EngineStateScope state;
  TPreparedPage& page = pages.PageAt(index);
  const int32_t w = page.Metrics.SheetWidth, h = page.Metrics.SheetHeight;
  RecordingCanvas canvas(std::max(1, w), std::max(1, h));
  const bool wasShown = page.Shown;
  page.Shown = true;
  struct Release {
    TfrEMFPages& pages;
    int index;
    bool shown;
    ~Release() {
      // The page keeps no objects unless the view shows it.
      TPreparedPage& p = pages.PageAt(index);
      p.Shown = false;
      pages.Draw(index, dummy, CanvasRect{});
      p.Shown = shown;
    }
    RecordingCanvas dummy{1, 1};
  } release{pages, index, wasShown};
  pages.Draw(index, canvas, CanvasRect{0, 0, w, h});
  const std::vector<CanvasOp>& ops = canvas.Ops();
  for (size_t i = size_t(std::max(0, fromRecord)); i < ops.size(); ++i) {
    if (ops[i].Type != CanvasOp::Kind::Text) continue;
    if (FindText(SearchKey(ops[i].Text, matchCase), key) != std::string::npos)
      return TextMatch{ops[i].Bounds, int(i) + 1};
  }
  return std::nullopt;
}

}  // namespace lf
