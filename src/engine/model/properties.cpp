// Property access by name shared by every object class: value conversions
// with range checks, method arguments, the text-list methods and the font
// sub-properties. Names compare upper-cased.
#include "engine/model/properties.h"

#include <limits>

#include "engine/model/memo_view.h"
#include "engine/model/object.h"
#include "engine/model/view.h"
#include "engine/expr/parser.h"
#include "engine/run/globals.h"
#include "platform/code_page.h"

namespace lf {
namespace {

size_t LineIndex(const TfrLines& lines, const Variant& index, bool allowEnd) {
  const int64_t i = index.AsInteger();
  const int64_t limit = static_cast<int64_t>(lines.size()) + (allowEnd ? 1 : 0);
  if (i < 0 || i >= limit) throw EListError("List index out of bounds (" + std::to_string(i) + ")");
  return static_cast<size_t>(i);
}

}  // namespace

[[noreturn]] void OutOfRange(const std::string& name, const Variant& value) {
  throw EPropertyError("Value " + value.AsText() + " out of range for property " + name);
}

int64_t IntegerIn(const std::string& name, const Variant& value, int64_t lo, int64_t hi) {
  const int64_t v = value.AsInteger();
  if (v < lo || v > hi) OutOfRange(name, value);
  return v;
}

int32_t Int32Of(const std::string& name, const Variant& value) {
  return static_cast<int32_t>(IntegerIn(name, value, std::numeric_limits<int32_t>::min(),
                                        std::numeric_limits<int32_t>::max()));
}

uint16_t Bits16Of(const Variant& value) { return static_cast<uint16_t>(value.AsInteger() & 0xFFFF); }

Variant ColorValue(uint32_t color) { return Variant(static_cast<int64_t>(static_cast<int32_t>(color))); }
uint32_t ColorOf(const std::string& name, const Variant& value) {
  return static_cast<uint32_t>(IntegerIn(name, value, std::numeric_limits<int32_t>::min(),
                                         std::numeric_limits<uint32_t>::max()));
}

int32_t EnumOf(TfrObject& object, const std::string& name, const Variant& value) {
  const TfrPropRec* rec = object.FindProperty(name);
  if (rec && value.IsText()) {
    const std::string text = value.AsText();
    for (size_t i = 0; i < rec->EnumNames.size() && i < rec->EnumValues.size(); ++i)
      if (SameTextAscii(rec->EnumNames[i], text)) return rec->EnumValues[i];
  }
  const int64_t v = value.AsInteger();
  if (rec && !rec->EnumValues.empty()) {
    for (int32_t allowed : rec->EnumValues)
      if (allowed == v) return allowed;
    OutOfRange(name, value);
  }
  return Int32Of(name, value);
}

Variant EvaluateArgument(const Variant& argument) {
  return SharedParser().Evaluate(argument.AsText());
}

bool CallLinesMethod(TfrLines& lines, const std::string& listName, const std::string& name,
                     const Variant& p1, const Variant& p2, const Variant& p3, Variant& result) {
  if (name == "SETINDEXPROPERTY" || name == "GETINDEXPROPERTY") {
    if (PropName(p1.AsText()) != listName) return false;
    if (name == "SETINDEXPROPERTY")
      lines[LineIndex(lines, p2, false)] = p3.AsText();
    else
      result = Variant(lines[LineIndex(lines, p2, false)]);
    return true;
  }
  if (name.size() <= listName.size() + 1 || name.compare(0, listName.size(), listName) != 0 ||
      name[listName.size()] != '.')
    return false;
  const std::string method = name.substr(listName.size() + 1);
  if (method == "ADD") {
    lines.push_back(EvaluateArgument(p1).AsText());
  } else if (method == "CLEAR") {
    lines.clear();
  } else if (method == "DELETE") {
    const size_t i = LineIndex(lines, EvaluateArgument(p1), false);
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
  } else if (method == "INDEXOF") {
    const std::string text = EvaluateArgument(p1).AsText();
    int64_t found = -1;
    for (size_t i = 0; i < lines.size(); ++i)
      if (lines[i] == text) {
        found = static_cast<int64_t>(i);
        break;
      }
    result = Variant(found);
  } else {
    return false;
  }
  return true;
}

bool GetFontProperty(const TfrFont& font, const std::string& name, Variant& value) {
  if (name == "FONT.NAME") value = Variant(font.Name);
  else if (name == "FONT.SIZE") value = Variant(static_cast<int64_t>(font.Size));
  else if (name == "FONT.STYLE") value = Variant(static_cast<int64_t>(font.Style));
  else if (name == "FONT.COLOR") value = ColorValue(font.Color);
  else return false;
  return true;
}

bool SetFontProperty(TfrFont& font, const std::string& name, const Variant& value) {
  if (name == "FONT.NAME") font.Name = value.AsText();
  else if (name == "FONT.SIZE") font.Size = static_cast<int32_t>(IntegerIn(name, value, 0, kMaxFontSize));
  else if (name == "FONT.STYLE") font.Style = static_cast<uint16_t>(value.AsInteger() & 0xF);
  else if (name == "FONT.COLOR") font.Color = ColorOf(name, value);
  else return false;
  return true;
}


}  // namespace lf
