// Record tables printed as one JSON document (UTF-8) for the command line.
#pragma once

#include <string>
#include <vector>

#include "data/client_dataset.h"

namespace lf {

// {"tables":[{"name":"cds0","fields":[{"name":"age","type":"ftString","size":100}],
//   "rows":[["30","1","Zhang"],[null,"2","Li"]]}]}
// with an "error" member after "tables" when error is given. Names and
// values are converted from the host code page to UTF-8; null values print
// as null. Tables that are not open (a table whose filling failed) are left
// out. A template summary (UTF-8 lines) follows as "template":["line",...].
std::string TablesToJson(const std::vector<TClientDataSet*>& tables, const std::string* error = nullptr,
                         const std::string* templateSummary = nullptr);

// A JSON string literal (quotes included) of UTF-8 text: '"', '\' and
// control characters escaped.
std::string JsonQuoteUtf8(std::string_view utf8);

}  // namespace lf
