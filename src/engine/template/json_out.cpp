// Indented JSON writer with ordered keys.
#include "engine/template/json_out.h"

#include <charconv>
#include <cmath>

namespace lf {

void JsonOut::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (levels_.empty()) return;
  Level& level = levels_.back();
  if (!level.empty) out_ += level.inlineItems ? ", " : ",";
  if (!level.inlineItems) {
    out_ += '\n';
    out_.append(levels_.size() * 2, ' ');
  }
  level.empty = false;
}

void JsonOut::BeginObject(bool inlineItems) {
  BeforeValue();
  out_ += '{';
  levels_.push_back({inlineItems});
}

void JsonOut::BeginArray(bool inlineItems) {
  BeforeValue();
  out_ += '[';
  levels_.push_back({inlineItems});
}

void JsonOut::Close(char bracket) {
  Level level = levels_.back();
  levels_.pop_back();
  if (!level.empty && !level.inlineItems) {
    out_ += '\n';
    out_.append(levels_.size() * 2, ' ');
  }
  out_ += bracket;
  if (levels_.empty()) out_ += '\n';
}

void JsonOut::EndObject() { Close('}'); }
void JsonOut::EndArray() { Close(']'); }

JsonOut& JsonOut::Key(std::string_view key) {
  BeforeValue();
  Quote(key);
  out_ += ": ";
  afterKey_ = true;
  return *this;
}

void JsonOut::String(std::string_view utf8) {
  BeforeValue();
  Quote(utf8);
}

void JsonOut::Quote(std::string_view utf8) {
  out_ += '"';
  for (unsigned char c : utf8) {
    switch (c) {
      case '"': out_ += "\\\""; break;
      case '\\': out_ += "\\\\"; break;
      case '\n': out_ += "\\n"; break;
      case '\r': out_ += "\\r"; break;
      case '\t': out_ += "\\t"; break;
      default:
        if (c < 0x20) {
          static const char hex[] = "0123456789abcdef";
          out_ += "\\u00";
          out_ += hex[c >> 4];
          out_ += hex[c & 15];
        } else {
          out_ += static_cast<char>(c);
        }
    }
  }
  out_ += '"';
}

void JsonOut::Raw(std::string_view text) {
  BeforeValue();
  out_ += text;
}

void JsonOut::Int(int64_t v) { Raw(std::to_string(v)); }
void JsonOut::Bool(bool v) { Raw(v ? "true" : "false"); }

void JsonOut::Bool(WordBool v) {
  if (v.Stored() == 0 || v.Stored() == -1) Bool(static_cast<bool>(v));
  else Int(v.Stored());
}

void JsonOut::Float(float v) {
  if (!std::isfinite(v)) return Raw("0");
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  Raw(std::string_view(buf, r.ptr - buf));
}

void JsonOut::Double(double v) {
  if (!std::isfinite(v)) return Raw("0");
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  Raw(std::string_view(buf, r.ptr - buf));
}

}  // namespace lf
