// Lenient JSON parser: reads the first complete value of a text.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "data/json_value.h"

namespace lf {

// Deepest nesting level at which a container may stand; the top-level value
// is level 0. A container at this level may only be empty.
constexpr int kJsonMaxNestingLevel = 31;

// Where a parse ended, or why it failed. Offsets count code units of the
// parsed text (UTF-16 units for ParseText, bytes for ParseUtf8Text).
struct TJsonParseInfo {
  size_t valueEnd = 0;  // just past the value read
  size_t stop = 0;      // past the value and the whitespace and comments after it
  std::string error;    // empty after a successful parse
  size_t errorOffset = 0;
  // When set, elementStarts receives the offset of each element of a
  // top-level array (used to name the element in error messages).
  bool recordElements = false;
  std::vector<size_t> elementStarts;
  // When set, each element of a top-level array is offered to it as soon as
  // it is read; an element it takes (returns true for) is left out of the
  // array, so a long array need not be held whole.
  std::function<bool(const IJsonValue& element)> takeElement;
};

// value := ws ( string | array | object | number | literal | "(" value | unquoted ) ws
// Never raises; any parse error yields nothing (and fills info->error).
IJsonValue ParseText(std::u16string_view text, TJsonParseInfo* info = nullptr);
// The same language read straight from UTF-8 bytes: the result equals
// ParseText of the text decoded to UTF-16 (bytes that are no valid UTF-8
// read as U+FFFD), with offsets in bytes.
IJsonValue ParseUtf8Text(std::string_view text, TJsonParseInfo* info = nullptr);

}  // namespace lf
