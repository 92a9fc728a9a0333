// A short readable summary of a report's template: its pages with their
// paper and number of objects, and its objects counted by type.
#pragma once

#include <string>

namespace lf {

class TfrReport;

// Lines (UTF-8, each ending in a line break):
//   template: N pages, M objects (band B, text T, picture P, sub-report S, line L, other O)
//   page 1 "Page1": paper 9 A4, 2100 x 2970 (0.1 mm), portrait, K objects
std::string TemplateSummary(const TfrReport& report);

}  // namespace lf
