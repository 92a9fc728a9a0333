// JSON of the text forms over nlohmann::ordered_json.
#include "engine/template/text_form_json.h"

#include <QByteArray>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "engine/expr/date_time.h"
#include "engine/model/page.h"
#include "platform/code_page.h"

namespace lf {

int JsonNestingDepth(std::string_view text) {
  int depth = 0, deepest = 0;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

TextJson ParseTextForm(std::string_view utf8, size_t maxBytes, int maxDepth) {
  if (utf8.size() > maxBytes) throw ETextFormError("document", "longer than " + std::to_string(maxBytes) + " bytes");
  if (JsonNestingDepth(utf8) > maxDepth)
    throw ETextFormError("document", "nested deeper than " + std::to_string(maxDepth) + " levels");
  std::vector<size_t> keys;  // keys so far of each object being parsed, innermost last
  auto countKeys = [&keys](int, TextJson::parse_event_t event, TextJson&) {
    if (event == TextJson::parse_event_t::object_start) {
      keys.push_back(0);
    } else if (event == TextJson::parse_event_t::object_end) {
      keys.pop_back();
    } else if (event == TextJson::parse_event_t::key && ++keys.back() > kMaxTextFormKeys) {
      throw ETextFormError("document", "an object holds more than " + std::to_string(kMaxTextFormKeys) + " keys");
    }
    return true;
  };
  try {
    return TextJson::parse(utf8.begin(), utf8.end(), countKeys);
  } catch (const TextJson::parse_error& e) {
    // "[json.exception.parse_error.101] parse error at line 1, column 12: syntax error ..."
    std::string what = e.what();
    const size_t at = what.find(": ", what.find("parse error"));
    if (at != std::string::npos) what.erase(0, at + 2);
    throw ETextFormError("byte " + std::to_string(e.byte), what);
  }
}

std::string DumpTextForm(const TextJson& doc) {
  // Texts come from HostToUtf8 and are valid UTF-8; should one not be, it
  // is written with replacement characters rather than refused.
  return doc.dump(2, ' ', false, TextJson::error_handler_t::replace) + "\n";
}

TextJson TextNumber(double v) {
  if (!std::isfinite(v)) return 0;
  // Up to 2^53 every whole double is an exact integer.
  constexpr double kExactWhole = 9007199254740992.0;
  if (v == std::trunc(v) && std::fabs(v) <= kExactWhole && !(v == 0 && std::signbit(v)))
    return static_cast<int64_t>(v);
  return v;
}

TextJson TextNumber(float v) {
  if (!std::isfinite(v)) return 0;
  char buf[32];
  const auto written = std::to_chars(buf, buf + sizeof buf, v);
  double shortest = 0;
  std::from_chars(buf, written.ptr, shortest);
  return TextNumber(shortest);
}

std::string ToBase64(std::string_view bytes) {
  return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())).toBase64().toStdString();
}

TextFormObject::TextFormObject(const TextJson& value, std::string where) : obj_(value), where_(std::move(where)) {
  if (!value.is_object()) Fail("must be an object");
}

void TextFormObject::Fail(const std::string& what) const { throw ETextFormError(where_, what); }

const TextJson* TextFormObject::Get(const char* key) {
  used_.insert(key);
  auto it = obj_.find(key);
  return it == obj_.end() ? nullptr : &*it;
}

void TextFormObject::Finish() const {
  for (const auto& [key, value] : obj_.items())
    if (!used_.count(key)) Fail("unknown key '" + key + "'");
}

int64_t TextFormObject::Integer(const TextJson& v, const char* key, int64_t lo, int64_t hi) const {
  const std::string name = "'" + std::string(key) + "'";
  const std::string range = name + " must be an integer from " + std::to_string(lo) + " to " + std::to_string(hi);
  int64_t n = 0;
  if (v.is_number_unsigned()) {
    const uint64_t u = v.get<uint64_t>();
    if (u > static_cast<uint64_t>(hi)) Fail(range);
    n = static_cast<int64_t>(u);
  } else if (v.is_number_integer()) {
    n = v.get<int64_t>();
  } else if (v.is_number_float()) {
    const double d = v.get<double>();
    if (d != std::trunc(d) || d < static_cast<double>(lo) || d > static_cast<double>(hi)) Fail(range);
    n = static_cast<int64_t>(d);
  } else if (v.is_string()) {
    std::string_view digits = v.get_ref<const std::string&>();
    const bool negative = !digits.empty() && digits[0] == '-';
    if (negative) digits.remove_prefix(1);
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
      digits.remove_prefix(2);
      base = 16;
    }
    uint64_t parsed = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed, base);
    if (digits.empty() || ec == std::errc::invalid_argument || end != digits.data() + digits.size())
      Fail(name + " must be an integer");
    constexpr uint64_t kMagnitudeOfMin = uint64_t{1} << 63;
    if (ec == std::errc::result_out_of_range || parsed > (negative ? kMagnitudeOfMin : kMagnitudeOfMin - 1))
      Fail(range);
    n = negative ? static_cast<int64_t>(~parsed + 1) : static_cast<int64_t>(parsed);
  } else {
    Fail(name + " must be an integer");
  }
  if (n < lo || n > hi) Fail(range);
  return n;
}

void TextFormObject::Int(const char* key, int32_t& out, int64_t lo, int64_t hi) {
  if (const TextJson* v = Get(key)) out = static_cast<int32_t>(Integer(*v, key, lo, hi));
}

void TextFormObject::Code(const char* key, int32_t& out) {
  if (const TextJson* v = Get(key))
    out = static_cast<int32_t>(static_cast<uint32_t>(Integer(*v, key, INT32_MIN, UINT32_MAX)));
}

void TextFormObject::Colour(const char* key, uint32_t& out) {
  int32_t v = static_cast<int32_t>(out);
  Code(key, v);
  out = static_cast<uint32_t>(v);
}

void TextFormObject::Bool(const char* key, bool& out) {
  const TextJson* v = Get(key);
  if (!v) return;
  out = v->is_boolean() ? v->get<bool>() : Integer(*v, key, INT32_MIN, INT32_MAX) != 0;
}

void TextFormObject::Bool(const char* key, WordBool& out) {
  const TextJson* v = Get(key);
  if (!v) return;
  if (v->is_boolean()) out = v->get<bool>();
  else out = WordBool::FromStored(static_cast<int16_t>(Integer(*v, key, INT16_MIN, INT16_MAX)));
}

void TextFormObject::Flag(const char* key, uint8_t& out) {
  const TextJson* v = Get(key);
  if (!v) return;
  out = v->is_boolean() ? (v->get<bool>() ? 1 : 0) : static_cast<uint8_t>(Integer(*v, key, 0, 255));
}

void TextFormObject::Float(const char* key, float& out) {
  const TextJson* v = Get(key);
  if (!v) return;
  if (!v->is_number()) Fail("'" + std::string(key) + "' must be a number");
  const double d = v->get<double>();
  if (!(std::fabs(d) <= std::numeric_limits<float>::max())) Fail("'" + std::string(key) + "' is out of range");
  out = static_cast<float>(d);
}

void TextFormObject::Date(const char* key, double& out) {
  const TextJson* v = Get(key);
  if (!v) return;
  if (v->is_number()) {
    out = v->get<double>();
    return;
  }
  if (!v->is_string()) Fail("'" + std::string(key) + "' must be a number of days or a date text");
  const std::string& t = v->get_ref<const std::string&>();
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0;
  char sep = 0;
  const int n = std::sscanf(t.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d", &y, &mo, &d, &sep, &h, &mi, &sec);
  if (n != 3 && n < 6) Fail("'" + std::string(key) + "' is not a date: " + t);
  try {
    out = EncodeDate(y, mo, d) + EncodeTime(h, mi, sec, 0);
  } catch (const std::exception&) {
    Fail("'" + std::string(key) + "' is not a date: " + t);
  }
}

void TextFormObject::Str(const char* key, std::string& out) {
  const TextJson* v = Get(key);
  if (!v) return;
  if (!v->is_string()) Fail("'" + std::string(key) + "' must be a text");
  out = Utf8ToHost(v->get_ref<const std::string&>());
}

void TextFormObject::Lines(const char* key, TfrLines& out) {
  const TextJson* v = Get(key);
  if (!v) return;
  if (v->is_string()) {
    out = {Utf8ToHost(v->get_ref<const std::string&>())};
    return;
  }
  if (!v->is_array()) Fail("'" + std::string(key) + "' must be an array of texts");
  TfrLines lines;
  for (const TextJson& line : *v) {
    if (!line.is_string()) Fail("'" + std::string(key) + "' must be an array of texts");
    lines.push_back(Utf8ToHost(line.get_ref<const std::string&>()));
  }
  out = std::move(lines);
}

void TextFormObject::Margins(const char* key, TfrPageMargins& out, int64_t lo, int64_t hi) {
  const TextJson* v = Get(key);
  if (!v) return;
  if (!v->is_array() || v->size() != 4) Fail("'" + std::string(key) + "' must hold left, top, right, bottom");
  int32_t values[4];
  for (size_t i = 0; i < 4; ++i) {
    const TextJson& m = (*v)[i];
    const double d = m.is_number() ? m.get<double>() : 0.5;
    if (d != std::trunc(d) || d < static_cast<double>(lo) || d > static_cast<double>(hi))
      Fail("'" + std::string(key) + "' must hold integers from " + std::to_string(lo) + " to " + std::to_string(hi));
    values[i] = static_cast<int32_t>(d);
  }
  out = {values[0], values[1], values[2], values[3]};
}

void TextFormObject::Base64(const char* key, std::string& out) {
  const TextJson* v = Get(key);
  if (!v) return;
  if (!v->is_string()) Fail("'" + std::string(key) + "' must be base64 text");
  const std::string& text = v->get_ref<const std::string&>();
  auto decoded = QByteArray::fromBase64Encoding(QByteArray(text.data(), static_cast<qsizetype>(text.size())),
                                                QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded) Fail("'" + std::string(key) + "' is not valid base64");
  out = decoded.decoded.toStdString();
}

const TextJson* TextFormObject::Array(const char* key) {
  const TextJson* v = Get(key);
  if (v && !v->is_array()) Fail("'" + std::string(key) + "' must be an array");
  return v;
}

}  // namespace lf
