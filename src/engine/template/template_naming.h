// Names for objects and pages that a template read or built gives none: the base name
// followed by the smallest number from 1 that no object of the report uses
// (letter case ignored), found without rescanning the report for every
// object, so that templates of many unnamed objects load in linear time.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace lf {

class TfrReport;

class TemplateNamer {
 public:
  // A namer that knows no names yet (pages of a template being read).
  TemplateNamer() = default;
  // Notes the names the report's objects already have.
  explicit TemplateNamer(const TfrReport& report);
  // Records a name an object was given.
  void Note(std::string_view name);
  // The next free name for base (and records it); empty when base followed
  // by every number up to the naming limit is taken.
  std::string Next(std::string_view base);

 private:
  std::unordered_set<std::string> used_;        // ASCII upper case
  std::unordered_map<std::string, int> next_;   // base (upper case) -> first candidate
};

}  // namespace lf
