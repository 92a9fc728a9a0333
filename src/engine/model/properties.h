// Property access by name shared by every object class: value conversions
// with range checks, the evaluation of method arguments, the text-list
// methods and the font sub-properties.
#pragma once

#include <cstdint>
#include <string>

#include "engine/model/text_lines.h"
#include "engine/expr/variant.h"
#include "platform/exception.h"

namespace lf {

class TfrBand;
class TfrDataset;
class TfrObject;
struct TfrFont;

// A property written with a value outside what its field holds.
class EPropertyError : public Exception {
 public:
  using Exception::Exception;
};

// Largest font size in points a script may set.
inline constexpr int32_t kMaxFontSize = 1638;

// A list method given an index outside the list.
class EListError : public Exception {
 public:
  using Exception::Exception;
};

// Raises EPropertyError "Value V out of range for property NAME".
[[noreturn]] void OutOfRange(const std::string& name, const Variant& value);
// Integer writes are rounded; a value outside [lo, hi] is an error.
int64_t IntegerIn(const std::string& name, const Variant& value, int64_t lo, int64_t hi);
int32_t Int32Of(const std::string& name, const Variant& value);
// Bit sets of 16 bits keep the low 16 bits of the value.
uint16_t Bits16Of(const Variant& value);
// Colours are exchanged as signed 32-bit integers, as the colour constants are.
Variant ColorValue(uint32_t color);
uint32_t ColorOf(const std::string& name, const Variant& value);
// An enumerated property takes a value of its list, or one of its value
// names as text.
int32_t EnumOf(TfrObject& object, const std::string& name, const Variant& value);

// The value of the argument text of an object method ("MEMO.ADD", ...),
// evaluated with the shared parser.
Variant EvaluateArgument(const Variant& argument);

// The list methods of a text-list property called listName ("MEMO",
// "LINES"): listName + ".ADD" / ".CLEAR" / ".DELETE" / ".INDEXOF", and
// "SETINDEXPROPERTY" / "GETINDEXPROPERTY" with listName as first argument.
// name is upper-cased. Returns false when name is none of them.
bool CallLinesMethod(TfrLines& lines, const std::string& listName, const std::string& name,
                     const Variant& p1, const Variant& p2, const Variant& p3, Variant& result);

// "FONT.NAME", "FONT.SIZE", "FONT.STYLE", "FONT.COLOR" of a font; name is
// upper-cased. Return false for any other name.
bool GetFontProperty(const TfrFont& font, const std::string& name, Variant& value);
bool SetFontProperty(TfrFont& font, const std::string& name, const Variant& value);

}  // namespace lf
