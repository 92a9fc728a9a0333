// The names a report dictionary knows: variables, aliases and the fields
// they resolve to, kept in its lookup cache.
#pragma once

#include <string>
#include <string_view>

#include "engine/expr/variant.h"

namespace lf {

class TfrDataDictionary;
class TfrReport;

// Dictionary variables evaluating one another at once; deeper (a variable
// that refers to itself) is an error.
inline constexpr int kMaxNameNesting = 32;

// The alias list entry whose alias text equals part (case ignored) gives its
// name; else part.
std::string DatasetAliasToName(const TfrDataDictionary& dictionary, std::string_view part);
// The first alias entry whose alias text equals fieldPart and whose name
// begins with datasetPart gives the field part of its name; else fieldPart.
std::string FieldAliasToName(const TfrDataDictionary& dictionary, std::string_view datasetPart,
                             std::string_view fieldPart);

// Whether report's dictionary knows name as a variable or a field; names
// resolved to fields are kept in the dictionary's lookup cache.
bool IsKnownName(TfrReport& report, const std::string& name);
// The value of a dictionary name (Null when it knows none).
Variant NameValue(TfrReport& report, const std::string& name);

}  // namespace lf
