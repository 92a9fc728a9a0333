// Text search in prepared pages: a page is drawn at scale 1 on a recording
// canvas and its text operations are scanned in drawing order.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/canvas.h"

namespace lf {

class TfrEMFPages;

struct TextMatch {
  CanvasRect Rect;    // the text's bounds on its page, page units
  int NextRecord = 0; // the operation after the match: where the next search on the page starts
};

// The text as the search compares it: upper-cased (by the host code page's
// characters) when the case is ignored.
std::string SearchKey(std::string_view text, bool matchCase);

// The first text operation at or after fromRecord on page index whose text
// holds key (a SearchKey). The page's objects are released afterwards. An
// empty key never matches.
std::optional<TextMatch> FindOnPage(TfrEMFPages& pages, int index, const std::string& key, bool matchCase,
                                    int fromRecord);

}  // namespace lf
