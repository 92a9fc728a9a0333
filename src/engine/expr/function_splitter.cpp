// Walks expressions for calls of chosen functions.
#include "engine/expr/function_splitter.h"

#include "engine/expr/text_scanners.h"
#include "platform/code_page.h"

namespace lf {
namespace {

bool StepsOver(char c) {
  switch (c) {
    case ' ': case '\r': case '*': case '+': case '-': case '/': case '<': case '=': case '>':
      return true;
    default:
      return false;
  }
}

}  // namespace

TfrFunctionSplitter::TfrFunctionSplitter(const std::vector<std::string>& matchNames,
                                         std::vector<std::string>& found,
                                         const TfrVariables* variables)
    : matchNames_(matchNames), found_(found), variables_(variables) {}

void TfrFunctionSplitter::Split(std::string_view text) { SplitAt(text, 0); }

bool TfrFunctionSplitter::Matches(const std::string& name) const {
  for (const std::string& m : matchNames_)
    if (SameTextAscii(m, name)) return true;
  return false;
}

void TfrFunctionSplitter::SplitAt(std::string_view input, int depth) {
  // Variables that refer to each other would otherwise expand forever.
  if (depth > kSplitterMaxNesting) return;
  std::string text = Trim(input);
  if (text.empty() || text[0] == '\'') return;
  size_t i = 1;
  while (i <= text.size()) {
    char c = text[i - 1];
    if (c == '[') {
      size_t at = i;
      std::string inner = ReadBracketed(text, at);
      if (variables_) {
        if (const Variant* v = variables_->Find(inner)) inner = v->AsText();
      }
      SplitAt(inner, depth + 1);
      i = at + 1;
      continue;
    }
    if (c == '\'') {
      // A string literal holds no calls.
      ReadQuoted(text, i);
      continue;
    }
    size_t start = i;
    std::string ident = ReadIdentifier(text, i);
    size_t nameStart = start;
    while (nameStart <= text.size() && static_cast<unsigned char>(text[nameStart - 1]) <= 32)
      ++nameStart;
    if (i <= text.size() && text[i - 1] == '(') {
      TArguments args;
      try {
        args = SplitArguments(text, i);
      } catch (const EParserError&) {
        // Unbalanced parentheses: the rest is no expression and holds no
        // call to collect; evaluating the text reports the fault.
        return;
      }
      SplitAt(args.a1, depth + 1);
      SplitAt(args.a2, depth + 1);
      SplitAt(args.a3, depth + 1);
      if (!ident.empty() && Matches(ident))
        found_.push_back(text.substr(nameStart - 1, i - nameStart));
      continue;
    }
    if (!ident.empty() && variables_) {
      if (const Variant* v = variables_->Find(ident)) {
        SplitAt(v->AsText(), depth + 1);
        continue;
      }
    }
    if (i <= text.size() && (StepsOver(text[i - 1]) || text[i - 1] == ')')) {
      ++i;
      continue;
    }
    if (ident.empty()) break;
  }
}

}  // namespace lf
