// TfrFunctionSplitter: finds the calls of chosen functions inside
// expressions (aggregates in texts, calls in compiled scripts).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/expr/parser.h"
#include "engine/expr/variables.h"

namespace lf {

// Bracket and variable expansions followed while splitting one text.
inline constexpr int kSplitterMaxNesting = 32;

class TfrFunctionSplitter {
 public:
  // The three lists belong to the caller and must outlive the splitter;
  // variables may be null.
  TfrFunctionSplitter(const std::vector<std::string>& matchNames,
                      std::vector<std::string>& found, const TfrVariables* variables);
  virtual ~TfrFunctionSplitter() = default;

  // Appends to the receiving list the source text of every call of a matched
  // function in the text, inner calls before the call that holds them.
  void Split(std::string_view text);

 protected:
  TfrParser parser_;  // the splitter's own
  const std::vector<std::string>& matchNames_;
  std::vector<std::string>& found_;
  const TfrVariables* variables_;

 private:
  void SplitAt(std::string_view text, int depth);
  bool Matches(const std::string& name) const;
};

}  // namespace lf
