// Generated names: a base name followed by the smallest number from 1 to
// kUniqueNameLimit that no name noted so far uses (letter case ignored).
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace lf {

class TfrReport;

// Numbers tried after a base name: 1 .. kUniqueNameLimit.
inline constexpr int kUniqueNameLimit = 10000;

// One namer serves every base name, so a name taken for one base is in use
// for all. Names are only ever added, so the smallest free number of a base
// never goes down and the search goes on where it stopped: naming n objects
// takes time linear in n, not a scan of the report per object.
class TUniqueNamer {
 public:
  // A namer that knows no names yet.
  TUniqueNamer() = default;
  // Notes the names the objects on report's pages have.
  explicit TUniqueNamer(const TfrReport& report);
  // Records a name in use (empty names are none).
  void Note(std::string_view name);
  // base + the smallest free number, recorded as in use; empty when base
  // followed by every number up to kUniqueNameLimit is taken.
  std::string Take(std::string_view base);

 private:
  std::unordered_set<std::string> used_;       // ASCII upper case
  std::unordered_map<std::string, int> next_;  // base (upper case) -> no smaller number is free
};

}  // namespace lf
