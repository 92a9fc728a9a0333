// Readable, stable names for the cases of parameterised tests.
#pragma once

#include <charconv>
#include <string>
#include <string_view>

namespace lf::test {

// The text as a test name: letters and digits kept, common operators and
// quotes spelt out, everything else one "_". Never empty.
inline std::string ParamName(std::string_view text) {
  std::string out;
  auto word = [&out](const char* w) {
    if (!out.empty() && out.back() != '_') out += '_';
    out += w;
    out += '_';
  };
  for (char c : text) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
      out += c;
      continue;
    }
    switch (c) {
      case '+': word("plus"); break;
      case '-': word("minus"); break;
      case '*': word("times"); break;
      case '/': word("slash"); break;
      case '=': word("eq"); break;
      case '<': word("lt"); break;
      case '>': word("gt"); break;
      case '.': word("dot"); break;
      case ',': word("comma"); break;
      case '\'': word("sq"); break;
      case '"': word("dq"); break;
      case '#': word("hash"); break;
      case '[': word("lb"); break;
      case ']': word("rb"); break;
      case '{': word("lc"); break;
      case '}': word("rc"); break;
      case '(': word("lp"); break;
      case ')': word("rp"); break;
      case ':': word("colon"); break;
      case ';': word("semi"); break;
      case '%': word("pct"); break;
      case '&': word("amp"); break;
      case '?': word("qm"); break;
      case '@': word("at"); break;
      case '\\': word("bs"); break;
      case '\0': word("nul"); break;
      case '\r': word("cr"); break;
      case '\n': word("lf"); break;
      case '\t': word("tab"); break;
      case ' ': word("sp"); break;
      default:
        if (!out.empty() && out.back() != '_') out += '_';
    }
  }
  while (!out.empty() && out.back() == '_') out.pop_back();
  if (out.size() > 120) out.resize(120);
  return out.empty() ? "empty" : out;
}

// Shortest text of the number, independent of the C locale.
inline std::string ParamName(double v) {
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  return ParamName(std::string_view(buf, static_cast<size_t>(res.ptr - buf)));
}

}  // namespace lf::test
