// TfrDataDictionary: clearing the lists and the field cache.
#include "engine/model/data_dictionary.h"

namespace lf {

TfrDataDictionary::TfrDataDictionary() = default;

void TfrDataDictionary::Clear() {
  Variables.Clear();
  FieldAliases.Clear();
  BandDataSources.Clear();
}

const TfrCacheItem* TfrDataDictionary::FindCached(std::string_view name) const {
  auto it = FieldCache.find(std::string(name));
  return it == FieldCache.end() ? nullptr : &it->second;
}

void TfrDataDictionary::Cache(std::string_view name, TClientDataSet* dataSet,
                              std::string_view dataField) {
  FieldCache[std::string(name)] = TfrCacheItem{dataSet, std::string(dataField)};
}

}  // namespace lf
