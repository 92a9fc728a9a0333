// TfrDataDictionary: clearing the lists and the field cache.
#include "engine/model/data_dictionary.h"

namespace lf {

TfrDataDictionary::TfrDataDictionary() = default;

void TfrDataDictionary::Clear() {
  Variables.Clear();
  FieldAliases.Clear();
  BandDataSources.Clear();
}

size_t TNameHash::operator()(std::string_view name) const {
  uint64_t h = 1469598103934665603ull;
  for (char c : name) {
    h ^= static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    h *= 1099511628211ull;
  }
  return static_cast<size_t>(h);
}

const TfrCacheItem* TfrDataDictionary::FindCached(std::string_view name) const {
  auto it = FieldCache.find(name);
  return it == FieldCache.end() ? nullptr : &it->second;
}

void TfrDataDictionary::Cache(std::string_view name, TClientDataSet* dataSet,
                              std::string_view dataField) {
  auto it = FieldCache.find(name);
  if (it == FieldCache.end()) it = FieldCache.emplace(std::string(name), TfrCacheItem{}).first;
  it->second = TfrCacheItem{dataSet, std::string(dataField)};
}

}  // namespace lf
