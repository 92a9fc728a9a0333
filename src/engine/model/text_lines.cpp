// Conversion of text lines to and from one text with line breaks.
#include "engine/model/text_lines.h"

namespace lf {

std::string JoinLines(const TfrLines& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

TfrLines SplitLines(std::string_view text) {
  TfrLines lines;
  size_t start = 0;
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      ++i;
      if (c == '\r' && i < text.size() && text[i] == '\n') ++i;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

void AppendText(TfrLines& lines, std::string_view text) {
  if (text.empty()) {
    lines.emplace_back();
    return;
  }
  for (std::string& line : SplitLines(text)) lines.push_back(std::move(line));
}

}  // namespace lf
