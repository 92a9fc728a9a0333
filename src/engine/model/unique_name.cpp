// Generated names for objects and pages.
#include "engine/model/unique_name.h"

#include "engine/model/page.h"
#include "engine/model/report.h"
#include "engine/model/view.h"
#include "platform/code_page.h"

namespace lf {

TUniqueNamer::TUniqueNamer(const TfrReport& report) {
  for (int i = 0; i < report.Pages->Count(); ++i)
    for (const auto& view : report.Pages->PageAt(i)->Objects) Note(view->Name);
}

void TUniqueNamer::Note(std::string_view name) {
  if (!name.empty()) used_.insert(AsciiUpper(name));
}

std::string TUniqueNamer::Take(std::string_view base) {
  const std::string upperBase = AsciiUpper(base);
  int& n = next_.try_emplace(upperBase, 1).first->second;
  for (; n <= kUniqueNameLimit; ++n) {
    std::string candidate = upperBase + std::to_string(n);
    if (used_.insert(std::move(candidate)).second) return std::string(base) + std::to_string(n++);
  }
  return {};
}

}  // namespace lf
