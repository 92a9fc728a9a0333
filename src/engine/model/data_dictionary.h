// TfrDataDictionary: a report's variables, field aliases and band data
// sources, with the cache of names already resolved to record-table fields.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "engine/expr/variables.h"

namespace lf {

class TClientDataSet;

// A name resolved to a field: the record table (not owned) and the field.
struct TfrCacheItem {
  TClientDataSet* DataSet = nullptr;
  std::string DataField;
};

// Orders cache names as the sorted text list does: letter case ignored.
struct TNameLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return CompareNames(a, b) < 0;
  }
};

class TfrDataDictionary {
 public:
  TfrDataDictionary();

  // Empties Variables, FieldAliases and BandDataSources.
  void Clear();
  // Destroys every cache item.
  void ClearCache() { FieldCache.clear(); }

  // The cached field of a name (case ignored), or null.
  const TfrCacheItem* FindCached(std::string_view name) const;
  // Caches name as resolving to that field (replacing an earlier entry).
  void Cache(std::string_view name, TClientDataSet* dataSet, std::string_view dataField);

  // A Variables name that starts with a space is a category heading.
  static bool IsCategory(std::string_view name) { return !name.empty() && name[0] == ' '; }

  // Fields in declared order.
  std::map<std::string, TfrCacheItem, TNameLess> FieldCache;
  TfrVariables Variables;        // name -> expression text (or empty)
  TfrVariables FieldAliases;     // alias -> "dataset.field"
  TfrVariables BandDataSources;  // stored with the template only
};

}  // namespace lf
