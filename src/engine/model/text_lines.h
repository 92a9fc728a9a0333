// Text lines: the ordered line lists of object texts and scripts, and their
// conversion to and from one text with line breaks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lf {

using TfrLines = std::vector<std::string>;

// Every line followed by CR LF, the form a whole text list is exchanged in.
std::string JoinLines(const TfrLines& lines);
// Splits a text at CR LF, CR or LF; a final line break adds no empty line.
TfrLines SplitLines(std::string_view text);
// Appends the lines of text (split as above); empty text adds one empty line.
void AppendText(TfrLines& lines, std::string_view text);

}  // namespace lf
