// JSON document of record tables: names, field definitions and rows.
#include "control/tables_json.h"

#include <cstdio>

#include "platform/code_page.h"

namespace lf {

std::string JsonQuoteUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 2);
  out += '"';
  for (char ch : s) {
    auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04X", c);
          out += buf;
        } else {
          out += ch;
        }
    }
  }
  out += '"';
  return out;
}

std::string TablesToJson(const std::vector<TClientDataSet*>& tables, const std::string* error,
                         const std::string* templateSummary) {
  auto text = [](const std::string& host) { return JsonQuoteUtf8(HostToUtf8(host)); };
  std::string out = "{\"tables\":[";
  bool firstTable = true;
  for (const TClientDataSet* t : tables) {
    if (!t || !t->Active()) continue;
    if (!firstTable) out += ',';
    firstTable = false;
    out += "{\"name\":" + text(t->Name()) + ",\"fields\":[";
    for (int f = 0; f < t->FieldCount(); ++f) {
      const TField& field = t->Fields(f);
      if (f) out += ',';
      out += "{\"name\":" + text(field.FieldName()) + ",\"type\":\"" + FieldTypeName(field.DataType()) +
             "\",\"size\":" + std::to_string(field.Size()) + "}";
    }
    out += "],\"rows\":[";
    for (int64_t r = 0; r < t->RecordCount(); ++r) {
      if (r) out += ',';
      out += '[';
      for (int f = 0; f < t->FieldCount(); ++f) {
        if (f) out += ',';
        out += t->CellIsNull(r, f) ? std::string("null") : text(std::string(t->CellText(r, f)));
      }
      out += ']';
    }
    out += "]}";
  }
  out += ']';
  if (error) out += ",\"error\":" + text(*error);
  if (templateSummary) {
    out += ",\"template\":[";
    size_t start = 0;
    bool first = true;
    while (start < templateSummary->size()) {
      size_t end = templateSummary->find('\n', start);
      if (end == std::string::npos) end = templateSummary->size();
      if (!first) out += ',';
      first = false;
      out += JsonQuoteUtf8(std::string_view(*templateSummary).substr(start, end - start));
      start = end + 1;
    }
    out += ']';
  }
  out += "}\n";
  return out;
}

}  // namespace lf
