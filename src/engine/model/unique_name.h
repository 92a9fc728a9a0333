// Generated names: a base name followed by the smallest number from 1 to a
// limit that no existing name uses (letter case ignored).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lf {

class TUniqueNamer {
 public:
  TUniqueNamer(std::string_view base, int limit);
  // Marks the number of name when it is base followed by that number.
  void Note(std::string_view name);
  // base + the smallest unmarked number, or empty text when all are taken.
  std::string Result() const;
  // Result, marked as taken; numbers only ever get taken, so the search goes
  // on from the last number given.
  std::string Take();

 private:
  std::string base_;
  std::vector<bool> used_;  // index n: base + n is taken
  size_t next_ = 1;         // no number below this is free
};

}  // namespace lf
