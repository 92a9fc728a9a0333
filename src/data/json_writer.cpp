// Compact JSON writer with the self-containment guard.
#include "data/json_writer.h"

#include <charconv>

#include "data/double_text.h"

namespace lf {
namespace {

void AppendAscii(std::u16string& out, const std::string& s) { out.append(s.begin(), s.end()); }

void AppendEscaped(std::u16string& out, const std::u16string& s) {
  out += u'"';
  size_t run = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c != 0 && c != u'"' && c != u'/' && c != u'\\') continue;
    out.append(s, run, i - run);
    if (c == 0) out += u"\\u0000";
    else {
      out += u'\\';
      out += c;
    }
    run = i + 1;
  }
  out.append(s, run, std::string::npos);
  out += u'"';
}

// Marks a value as being written for the duration of a scope.
class WritingGuard {
 public:
  explicit WritingGuard(TJsonValue& v) : v_(v) { v_.SetWriting(true); }
  ~WritingGuard() { v_.SetWriting(false); }
  WritingGuard(const WritingGuard&) = delete;
  WritingGuard& operator=(const WritingGuard&) = delete;

 private:
  TJsonValue& v_;
};

void Write(std::u16string& out, const IJsonValue& value) {
  if (!value) {
    out += u"null";
    return;
  }
  TJsonValue& v = *value;
  switch (v.Kind()) {
    case TJsonKind::jkString:
      AppendEscaped(out, v.StringValue());
      return;
    case TJsonKind::jkArray: {
      WritingGuard guard(v);
      const TJsonArray& a = *v.Array();
      out += u'[';
      bool first = true;
      for (size_t i = 0; i < a.Length(); ++i) {
        const IJsonValue& item = a.At(i);
        if (item && item->Writing()) continue;
        if (!first) out += u',';
        first = false;
        Write(out, item);
      }
      out += u']';
      return;
    }
    case TJsonKind::jkObject: {
      WritingGuard guard(v);
      out += u'{';
      bool first = true;
      v.Table()->ForEach([&](const TJsonAvlEntry& e) {
        if (e.value && e.value->Writing()) return;
        if (!first) out += u',';
        first = false;
        AppendEscaped(out, e.name);
        out += u':';
        Write(out, e.value);
      });
      out += u'}';
      return;
    }
    default:
      AppendAscii(out, ScalarText(v));
      return;
  }
}

}  // namespace

std::string IntegerText(int64_t v) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string CurrencyText(int64_t scaled) {
  if (scaled == 0) return "0";
  bool negative = scaled < 0;
  // The magnitude as unsigned, so the most negative value has digits too.
  uint64_t mag = negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
  char digits[24];
  char* end = std::to_chars(digits, digits + sizeof digits, mag).ptr;
  int n = static_cast<int>(end - digits);
  char out[32];
  int o = 0;
  if (negative) out[o++] = '-';
  if (n <= 4) out[o++] = '0';
  else
    for (int i = 0; i < n - 4; ++i) out[o++] = digits[i];
  out[o++] = '.';
  char decimals[4];
  for (int i = 0; i < 4; ++i) decimals[i] = n - 4 + i >= 0 ? digits[n - 4 + i] : '0';
  int keep = 4;
  while (keep > 0 && decimals[keep - 1] == '0') --keep;
  for (int i = 0; i < keep; ++i) out[o++] = decimals[i];
  return std::string(out, static_cast<size_t>(o));
}

std::string ScalarText(const TJsonValue& v) {
  switch (v.Kind()) {
    case TJsonKind::jkNull: return "null";
    case TJsonKind::jkBoolean: return v.BoolValue() ? "true" : "false";
    case TJsonKind::jkInteger: return IntegerText(v.IntValue());
    case TJsonKind::jkCurrency: return CurrencyText(v.CurrencyValue());
    case TJsonKind::jkDouble: return GcvtText(v.DoubleValue());
    default: return std::string();
  }
}

void AppendJsonText(std::u16string& out, const IJsonValue& value) { Write(out, value); }

std::u16string WriteText(const IJsonValue& value) {
  std::u16string out;
  Write(out, value);
  return out;
}

std::u16string StringOrText(const IJsonValue& value) {
  if (value && value->Kind() == TJsonKind::jkString) return value->StringValue();
  return WriteText(value);
}

IJsonValue NameList(const TJsonTable& table) {
  IJsonValue list = TJsonValue::NewArray();
  list->Array()->Reserve(table.Count());
  table.ForEach([&](const TJsonAvlEntry& e) { list->Array()->Add(TJsonValue::String(e.name)); });
  return list;
}

}  // namespace lf
