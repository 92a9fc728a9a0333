// The names a report dictionary knows: variables, aliases and the fields
// they resolve to, kept in its lookup cache.
#include "engine/data/dictionary_names.h"

#include <utility>
#include <vector>

#include "engine/data/field_reference.h"
#include "engine/data/field_value.h"
#include "engine/expr/parser.h"
#include "engine/model/data_dictionary.h"
#include "engine/model/report.h"
#include "engine/run/globals.h"
#include "platform/code_page.h"

namespace lf {

namespace {

bool Contains(std::string_view text, char c) { return FindText(text, std::string_view(&c, 1)) != std::string_view::npos; }

}  // namespace

std::string DatasetAliasToName(const TfrDataDictionary& dictionary, std::string_view part) {
  const TfrVariables& aliases = dictionary.FieldAliases;
  for (int i = 0; i < aliases.Count(); ++i)
    if (SameTextAscii(aliases.ValueAt(i).AsText(), part)) return aliases.NameAt(i);
  return std::string(part);
}

std::string FieldAliasToName(const TfrDataDictionary& dictionary, std::string_view datasetPart,
                             std::string_view fieldPart) {
  const TfrVariables& aliases = dictionary.FieldAliases;
  for (int i = 0; i < aliases.Count(); ++i) {
    std::string name = aliases.NameAt(i);
    if (!SameTextAscii(aliases.ValueAt(i).AsText(), fieldPart)) continue;
    if (name.size() < datasetPart.size() ||
        !SameTextAscii(std::string_view(name).substr(0, datasetPart.size()), datasetPart))
      continue;
    std::string ds, field;
    SplitReference(name, ds, field);
    return field;
  }
  return std::string(fieldPart);
}

bool IsKnownName(TfrReport& report, const std::string& name) {
  if (!report.Dictionary) return false;
  TfrDataDictionary& dict = *report.Dictionary;
  if (dict.FindCached(name)) return true;
  TComponent* owner = report.Owner();
  if (const Variant* v = dict.Variables.Find(name)) {
    if (!v->IsNull()) {
      std::string text = v->AsText();
      if (Contains(text, '.')) {
        TClientDataSet* table = DefaultTable();
        std::string field = ResolveFieldReference(owner, text, table);
        if (!field.empty() && table) dict.Cache(name, table, field);
      }
    }
    return true;
  }
  std::string reference = name;
  if (Contains(name, '.')) {
    std::string datasetPart, fieldPart;
    SplitReference(name, datasetPart, fieldPart);
    datasetPart = DatasetAliasToName(dict, datasetPart);
    fieldPart = FieldAliasToName(dict, datasetPart, fieldPart);
    reference = datasetPart + ".\"" + fieldPart + "\"";
  }
  TClientDataSet* table = DefaultTable();
  std::string field = ResolveFieldReference(owner, reference, table);
  if (field.empty() || !table) return false;
  dict.Cache(name, table, field);
  return true;
}

namespace {

// Dictionary variables being evaluated now, innermost last.
std::vector<std::pair<const TfrReport*, std::string>>& NamesInFlight() {
  static std::vector<std::pair<const TfrReport*, std::string>> names;
  return names;
}

class NameInFlight {
 public:
  NameInFlight(const TfrReport& report, const std::string& name) {
    auto& names = NamesInFlight();
    for (const auto& [r, n] : names)
      if (r == &report && CompareNames(n, name) == 0)
        throw EParserError("Variable " + name + " refers to itself");
    if (static_cast<int>(names.size()) >= kMaxNameNesting)
      throw EParserError("Variables nested too deeply at " + name);
    names.emplace_back(&report, name);
  }
  ~NameInFlight() { NamesInFlight().pop_back(); }
  NameInFlight(const NameInFlight&) = delete;
  NameInFlight& operator=(const NameInFlight&) = delete;
};

}  // namespace

Variant NameValue(TfrReport& report, const std::string& name) {
  if (!report.Dictionary) return Variant::Null();
  TfrDataDictionary& dict = *report.Dictionary;
  if (const TfrCacheItem* cached = dict.FindCached(name)) {
    TClientDataSet& table = *cached->DataSet;
    if (!table.Active()) table.Open();
    return FieldValue(table.FieldNamed(cached->DataField));
  }
  if (const Variant* v = dict.Variables.Find(name)) {
    if (const Variant* global = Globals().ScriptVariables->Find(name)) return *global;
    if (v->IsText() && !v->AsText().empty()) {
      std::string expression = v->AsText();
      NameInFlight guard(report, name);
      return SharedParser().Evaluate(expression);
    }
    return *v;
  }
  return Variant::Null();
}

}  // namespace lf
