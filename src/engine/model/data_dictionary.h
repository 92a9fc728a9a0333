// TfrDataDictionary: a report's variables, field aliases and band data
// sources, with the cache of names already resolved to record-table fields.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "engine/expr/variables.h"

namespace lf {

class TClientDataSet;

// A name resolved to a field: the record table (not owned) and the field.
struct TfrCacheItem {
  TClientDataSet* DataSet = nullptr;
  std::string DataField;
};

// Cache names compared as the sorted text list compares them: ASCII letter
// case ignored. Both take any string_view, so that a lookup copies nothing.
struct TNameHash {
  using is_transparent = void;
  size_t operator()(std::string_view name) const;
};
struct TNameEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const {
    return a.size() == b.size() && CompareNames(a, b) == 0;
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

  std::unordered_map<std::string, TfrCacheItem, TNameHash, TNameEqual> FieldCache;
  TfrVariables Variables;        // name -> expression text (or empty)
  TfrVariables FieldAliases;     // alias -> "dataset.field"
  TfrVariables BandDataSources;  // stored with the template only
};

}  // namespace lf
