// The JSON of the text forms (templates and prepared reports): parsing within
// limits, writing, and reading an object field by field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "engine/model/text_lines.h"
#include "platform/exception.h"
#include "platform/word_bool.h"

namespace lf {

struct TfrPageMargins;

// Keys stay in the order they were written (or read).
using TextJson = nlohmann::ordered_json;

// A fault in a text form: where it is ("document", "byte 12",
// "Pages[0].Objects[3]") and what is wrong. The reader of each form raises
// it again as that form's error.
class ETextFormError : public Exception {
 public:
  ETextFormError(const std::string& where, const std::string& what) : Exception(where + ": " + what) {}
};

// Keys one object may hold. The widest object of a form has fewer than 40;
// an object's keys are kept in order and each new key is compared with
// those before it, so one object of millions of keys would parse for hours.
inline constexpr size_t kMaxTextFormKeys = 256;

// Deepest nesting of brackets outside strings, so that a hostile document
// is refused before it is parsed.
int JsonNestingDepth(std::string_view text);

// The document utf8 holds. A text longer than maxBytes or nested deeper than
// maxDepth is refused before parsing, an object of more than
// kMaxTextFormKeys keys while parsing; a syntax error is placed at its byte
// ("byte 12", the first byte being 1). Raises ETextFormError.
TextJson ParseTextForm(std::string_view utf8, size_t maxBytes, int maxDepth);

// doc as text: one value a line, indented two spaces a level, a line break
// at the end.
std::string DumpTextForm(const TextJson& doc);

// Numbers as the text forms write them: a whole number without a fraction
// ("2", not "2.0"), others in the fewest digits that read back as the same
// value (a float's own digits: 0.1f is "0.1"); infinities and NaN as 0.
TextJson TextNumber(double v);
TextJson TextNumber(float v);
// Base64 text of bytes.
std::string ToBase64(std::string_view bytes);

// One JSON object being read: every key must be used. Field readers leave
// out unchanged when the key is absent and raise ETextFormError, naming the
// place and the key, for a value of the wrong type or out of range.
class TextFormObject {
 public:
  // value must outlive the reader; raises unless it is an object.
  TextFormObject(const TextJson& value, std::string where);
  TextFormObject(const TextFormObject&) = delete;
  TextFormObject& operator=(const TextFormObject&) = delete;

  const std::string& Where() const { return where_; }
  [[noreturn]] void Fail(const std::string& what) const;
  bool Has(const char* key) const { return obj_.contains(key); }
  // The value of key, marked as used; nullptr when absent.
  const TextJson* Get(const char* key);
  // Raises for the first key, in document order, that was not used.
  void Finish() const;

  // Integers: JSON numbers without a fraction, or texts in decimal or, after
  // "0x", hexadecimal ("010" is ten).
  template <class T>
  void Int(const char* key, T& out) {
    if (const TextJson* v = Get(key))
      out = static_cast<T>(Integer(*v, key, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
  }
  void Int(const char* key, int32_t& out, int64_t lo, int64_t hi);
  // 32-bit codes, written signed or unsigned (colours, formats).
  void Code(const char* key, int32_t& out);
  void Colour(const char* key, uint32_t& out);
  // true/false, or an integer: nonzero is true.
  void Bool(const char* key, bool& out);
  // true/false, or the stored 16-bit value.
  void Bool(const char* key, WordBool& out);
  // true/false, or a byte 0 to 255.
  void Flag(const char* key, uint8_t& out);
  void Float(const char* key, float& out);
  // Days since 30 December 1899, or "YYYY-MM-DD" with an optional
  // "THH:MM[:SS]" or " HH:MM[:SS]".
  void Date(const char* key, double& out);
  // A text, converted from UTF-8 to the host code page.
  void Str(const char* key, std::string& out);
  // An array of texts, or one text for a single line.
  void Lines(const char* key, TfrLines& out);
  // Four integers from lo to hi: left, top, right, bottom.
  void Margins(const char* key, TfrPageMargins& out, int64_t lo, int64_t hi);
  // Bytes written as base64 text.
  void Base64(const char* key, std::string& out);
  // The array under key, marked as used; nullptr when absent.
  const TextJson* Array(const char* key);

 private:
  int64_t Integer(const TextJson& v, const char* key, int64_t lo, int64_t hi) const;

  const TextJson& obj_;
  std::string where_;
  std::set<std::string> used_;
};

}  // namespace lf
