// Generated object names while a template is read or built.
#include "engine/template/template_naming.h"

#include "engine/model/page.h"
#include "engine/model/report.h"
#include "engine/model/view.h"
#include "platform/code_page.h"

namespace lf {

TemplateNamer::TemplateNamer(const TfrReport& report) {
  for (int i = 0; i < report.Pages->Count(); ++i)
    for (const auto& view : report.Pages->PageAt(i)->Objects) Note(view->Name);
}

void TemplateNamer::Note(std::string_view name) {
  if (!name.empty()) used_.insert(AsciiUpper(name));
}

std::string TemplateNamer::Next(std::string_view base) {
  const std::string upperBase = AsciiUpper(base);
  // Names are only ever added, so the smallest free number never goes down.
  int& n = next_.try_emplace(upperBase, 1).first->second;
  for (; n <= kUniqueNameLimit; ++n) {
    std::string candidate = upperBase + std::to_string(n);
    if (!used_.count(candidate)) {
      used_.insert(std::move(candidate));
      return std::string(base) + std::to_string(n++);
    }
  }
  return {};
}

}  // namespace lf
