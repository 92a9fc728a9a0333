// Text scanners shared by the expression converter, the evaluator, the script
// compiler and text expansion. Positions count from 1, as in the texts the
// scripts and memo lines address.
#pragma once

#include <string>
#include <string_view>

namespace lf {

// Skips characters with codes 0..32 from pos, then reads up to (not
// including) the next stop character: CR, space, ( ) * + - / < = > [.
// A stop character met inside double quotes does not stop. On return pos is
// the position of the stop character (or one past the end).
std::string ReadIdentifier(std::string_view text, size_t& pos);

// pos is at an opening '. Reads to the closing ' ('' inside does not close)
// and returns the string with both quotes; pos is left after the closing
// quote. An unterminated string runs to the end.
std::string ReadQuoted(std::string_view text, size_t& pos);

// pos is at a [. Returns the inner text up to the matching ] (brackets inside
// '...' or "..." runs are not counted); pos is left at the ]. When the text
// ends first, pos is its last byte and the inner text stops before its last
// character (all the bytes of a multi-byte one).
// When text[pos] is not [, returns empty and leaves pos unchanged.
// openPos, when given, receives the position of the [.
std::string ReadBracketed(std::string_view text, size_t& pos, size_t* openPos = nullptr);

struct TArguments {
  std::string a1, a2, a3;
  int count = 0;  // arguments found (may exceed 3)
};

// pos is at a (. Reads the argument list up to the matching ): commas at
// depth one outside single quotes separate arguments. Returns up to three
// argument texts; pos is left after the ). Unbalanced parentheses throw
// EParserError with an empty message. With four or more arguments a1..a3
// hold the first three and count tells how many there were (the evaluator
// rejects such calls).
TArguments SplitArguments(std::string_view text, size_t& pos);

}  // namespace lf
