// A small writer of indented JSON text that keeps keys in the order they
// are written (the text form of templates lists fields in record order).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/word_bool.h"

namespace lf {

class JsonOut {
 public:
  // Containers; a container opened inline keeps its items on one line.
  void BeginObject(bool inlineItems = false);
  void EndObject();
  void BeginArray(bool inlineItems = false);
  void EndArray();
  // The key of the next value inside an object.
  JsonOut& Key(std::string_view key);
  // Values. Texts must be UTF-8; they are escaped as JSON requires.
  void String(std::string_view utf8);
  void Int(int64_t v);
  void Bool(bool v);
  // true/false for the values a program writes (-1, 0); other stored values
  // as their number, so that building the text again restores them.
  void Bool(WordBool v);
  // Shortest text that reads back as the same float or double.
  void Float(float v);
  void Double(double v);
  // Writes text as it is (a number or literal already formatted).
  void Raw(std::string_view text);

  const std::string& Text() const { return out_; }

 private:
  struct Level {
    bool inlineItems;
    bool empty = true;
  };
  void BeforeValue();
  void Quote(std::string_view utf8);
  void Close(char bracket);

  std::string out_;
  std::vector<Level> levels_;
  bool afterKey_ = false;
};

}  // namespace lf
