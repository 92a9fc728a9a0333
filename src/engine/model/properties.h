// Property access by name shared by every object class: value conversions
// with range checks, the evaluation of method arguments, the text-list
// methods and the font sub-properties.
#pragma once

#include <cstdint>
#include <functional>
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

// Evaluates the argument text of an object method ("MEMO.ADD", ...). The
// expression evaluator installs it; until then an argument is its own text.
using TArgumentEvaluator = std::function<Variant(const std::string& expression)>;
void SetArgumentEvaluator(TArgumentEvaluator evaluator);
// The value of one argument text through the installed evaluator.
Variant EvaluateArgument(const Variant& argument);

// Installs an evaluator for a scope and puts the previous one back after.
class ScopedArgumentEvaluator {
 public:
  explicit ScopedArgumentEvaluator(TArgumentEvaluator evaluator);
  ~ScopedArgumentEvaluator();
  ScopedArgumentEvaluator(const ScopedArgumentEvaluator&) = delete;
  ScopedArgumentEvaluator& operator=(const ScopedArgumentEvaluator&) = delete;

 private:
  TArgumentEvaluator saved_;
};

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

// What band-view properties need of the datasets layer, which installs
// them. Without them EOF reads true and FIRST / NEXT / PRIOR and a new data
// source leave the datasets alone.
struct TfrBandDatasetHooks {
  std::function<bool(TfrDataset& dataset)> Eof;
  // step: 0 first record, 1 next, -1 prior.
  std::function<void(TfrDataset& dataset, int step)> Move;
  // Releases the band's datasets and resolves its data source again.
  std::function<void(TfrBand& band)> Reresolve;
};
TfrBandDatasetHooks& BandDatasetHooks();

}  // namespace lf
