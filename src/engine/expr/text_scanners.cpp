// Identifier, quoted-string, bracket and argument-list scanners.
#include "engine/expr/text_scanners.h"

#include "engine/expr/parser.h"
#include "platform/code_page.h"

namespace lf {
namespace {

bool IsStop(char c) {
  switch (c) {
    case '\r': case ' ': case '(': case ')': case '*': case '+': case '-': case '/':
    case '<': case '=': case '>': case '[':
      return true;
    default:
      return false;
  }
}

// Advances over one character at i (0-based), multi-byte aware.
size_t Step(std::string_view text, size_t i) {
  // Bytes below 0x80 start no multi-byte character in any host code page.
  if (static_cast<unsigned char>(text[i]) < 0x80) return i + 1;
  size_t n = CharLength(text, i);
  return i + (n == 0 ? 1 : n);
}

}  // namespace

std::string ReadIdentifier(std::string_view text, size_t& pos) {
  size_t i = pos - 1;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= 32) ++i;
  size_t start = i;
  bool quoted = false;
  while (i < text.size()) {
    char c = text[i];
    if (c == '"') quoted = !quoted;
    else if (!quoted && IsStop(c)) break;
    i = Step(text, i);
  }
  if (i > text.size()) i = text.size();
  pos = i + 1;
  return std::string(text.substr(start, i - start));
}

std::string ReadQuoted(std::string_view text, size_t& pos) {
  size_t start = pos - 1;
  size_t i = start + 1;
  while (i < text.size()) {
    if (text[i] == '\'') {
      if (i + 1 < text.size() && text[i + 1] == '\'') {
        i += 2;
        continue;
      }
      ++i;
      pos = i + 1;
      return std::string(text.substr(start, i - start));
    }
    i = Step(text, i);
  }
  pos = text.size() + 1;
  return std::string(text.substr(start));
}

std::string ReadBracketed(std::string_view text, size_t& pos, size_t* openPos) {
  if (openPos) *openPos = pos;
  if (pos < 1 || pos > text.size() || text[pos - 1] != '[') return {};
  size_t open = pos - 1;
  int depth = 0;
  bool inSingle = false, inDouble = false;
  size_t last = open;  // start of the last character
  for (size_t i = open; i < text.size(); i = Step(text, i)) {
    last = i;
    char c = text[i];
    if (c == '\'' && !inDouble) inSingle = !inSingle;
    else if (c == '"' && !inSingle) inDouble = !inDouble;
    else if (!inSingle && !inDouble) {
      if (c == '[') ++depth;
      else if (c == ']' && --depth == 0) {
        pos = i + 1;
        return std::string(text.substr(open + 1, i - open - 1));
      }
    }
  }
  // Text ended first: the last character, all its bytes, stands for the
  // closing bracket; pos is its last byte, so that reading goes on at the end.
  pos = text.size();
  return last > open ? std::string(text.substr(open + 1, last - open - 1)) : std::string();
}

TArguments SplitArguments(std::string_view text, size_t& pos) {
  TArguments args;
  std::string* slots[3] = {&args.a1, &args.a2, &args.a3};
  size_t i = pos - 1;
  if (i >= text.size() || text[i] != '(') throw EParserError("");
  int depth = 0;
  bool quoted = false;
  size_t argStart = i + 1;
  auto finish = [&](size_t end) {
    if (args.count < 3) *slots[args.count] = std::string(text.substr(argStart, end - argStart));
    ++args.count;
  };
  for (; i < text.size(); i = Step(text, i)) {
    char c = text[i];
    if (c == '\'') {
      quoted = !quoted;
      continue;
    }
    if (quoted) continue;
    if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (--depth == 0) {
        finish(i);
        // "F()" has no arguments at all.
        if (args.count == 1 && args.a1.find_first_not_of(" \t\r\n") == std::string::npos)
          args.count = 0;
        pos = i + 2;
        return args;
      }
    } else if (c == ',' && depth == 1) {
      finish(i);
      argStart = i + 1;
    }
  }
  throw EParserError("");
}

}  // namespace lf
