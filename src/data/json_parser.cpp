// Lenient JSON parser over UTF-16 text or UTF-8 bytes (one template, two
// code-unit types), recursive descent with a capped nesting depth.
#include "data/json_parser.h"

#include <charconv>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <type_traits>

#include "data/json_table.h"
#include "platform/utf8.h"

namespace lf {
namespace {

inline bool IsJsonSpace(uint32_t c) { return c == 0x20 || c == 0x0A || c == 0x0D || c == 0x09 || c == 0x08 || c == 0x0C; }

inline bool IsNumberChar(uint32_t c) { return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'; }

inline int HexDigit(uint32_t c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  return -1;
}

// Decodes one UTF-8 character at s (s < e); returns its length (1 for a byte
// that starts no valid sequence, which reads as U+FFFD).
inline size_t DecodeUtf8(const unsigned char* s, const unsigned char* e, char32_t* cp) {
  size_t n = utf8::Decode(s, e, cp);
  if (n != 0) return n;
  *cp = 0xFFFD;
  return 1;
}

inline void AppendCodePoint(std::u16string& out, char32_t c) { utf8::AppendUtf16(out, c); }

// Code-unit access for the two input forms.
template <class CharT>
struct Units;

template <>
struct Units<char16_t> {
  using U = char16_t;
  static void AppendRun(std::u16string& out, const U* s, const U* e) { out.append(s, static_cast<size_t>(e - s)); }
  // Appends the character at s; returns how many units it took.
  static size_t AppendOne(std::u16string& out, const U* s, const U*) {
    out += *s;
    return 1;
  }
  // The character at s is above U+00FF.
  static bool AboveLatin1(const U* s, const U*) { return *s > 0xFF; }
};

template <>
struct Units<unsigned char> {
  using U = unsigned char;
  static void AppendRun(std::u16string& out, const U* s, const U* e) {
    while (s < e) {
      const U* r = s;
      while (r < e && *r < 0x80) ++r;
      if (r > s) {
        size_t at = out.size();
        out.resize(at + static_cast<size_t>(r - s));
        char16_t* d = out.data() + at;
        while (s < r) *d++ = *s++;
      }
      while (s < e && *s >= 0x80) {
        char32_t c;
        s += DecodeUtf8(s, e, &c);
        AppendCodePoint(out, c);
      }
    }
  }
  static size_t AppendOne(std::u16string& out, const U* s, const U* e) {
    char32_t c;
    size_t n = DecodeUtf8(s, e, &c);
    AppendCodePoint(out, c);
    return n;
  }
  static bool AboveLatin1(const U* s, const U* e) {
    char32_t c;
    DecodeUtf8(s, e, &c);
    return c > 0xFF;
  }
};

enum class Context { Top, Array, Object };

// Decimal conversion that does not depend on the process locale.
double CDouble(const std::string& text) {
  static locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return strtod_l(text.c_str(), nullptr, c);
}

template <class U>
class Parser {
 public:
  Parser(const U* begin, const U* end, TJsonParseInfo* info) : b_(begin), p_(begin), e_(end), info_(info) {}

  IJsonValue Run() {
    IJsonValue v;
    if (!ParseValue(v, 0, Context::Top)) return IJsonValue();
    if (info_) info_->valueEnd = Offset();
    if (!SkipSpace()) return IJsonValue();
    if (info_) info_->stop = Offset();
    return v;
  }

 private:
  using T = Units<U>;

  size_t Offset() const { return static_cast<size_t>(p_ - b_); }

  bool Fail(const char* what) {
    if (info_ && info_->error.empty()) {
      info_->error = what;
      info_->errorOffset = Offset();
    }
    return false;
  }

  bool FailChar(const char* what) {
    if (info_ && info_->error.empty()) {
      std::string text = what;
      uint32_t c = *p_;
      if (c >= 0x20 && c < 0x7F) {
        text += " '";
        text += static_cast<char>(c);
        text += "'";
      } else {
        char buf[16];
        std::snprintf(buf, sizeof buf, " 0x%02X", static_cast<unsigned>(c));
        text += buf;
      }
      info_->error = text;
      info_->errorOffset = Offset();
    }
    return false;
  }

  // ws := { space | "/*" ... "*/" | "//" ... LF }
  bool SkipSpace() {
    for (;;) {
      while (p_ < e_ && IsJsonSpace(*p_)) ++p_;
      if (p_ == e_ || *p_ != '/') return true;
      if (p_ + 1 == e_ || (p_[1] != '*' && p_[1] != '/')) return Fail("a slash that starts no comment");
      if (p_[1] == '/') {
        p_ += 2;
        while (p_ < e_ && *p_ != '\n') ++p_;
        if (p_ < e_) ++p_;
        continue;
      }
      p_ += 2;
      // The character after a '*' ends the comment when it is '/', and is
      // part of the comment otherwise (even another '*').
      for (;;) {
        if (p_ == e_) return true;  // left open: the caller sees the end of the text
        U c = *p_++;
        if (c != '*') continue;
        if (p_ == e_) return true;
        if (*p_++ == '/') break;
      }
    }
  }

  // escape := "\" ( "b" | "f" | "n" | "r" | "t" | "u" hex4 | "x" hex2 | any )
  bool ParseEscape(std::u16string& out) {
    ++p_;  // the backslash
    if (p_ == e_) return Fail("unexpected end of text after a backslash");
    switch (*p_) {
      case 'b': out += u'\b'; ++p_; return true;
      case 'f': out += u'\f'; ++p_; return true;
      case 'n': out += u'\n'; ++p_; return true;
      case 'r': out += u'\r'; ++p_; return true;
      case 't': out += u'\t'; ++p_; return true;
      case 'u':
      case 'x': {
        int digits = *p_ == 'u' ? 4 : 2;
        ++p_;
        uint32_t code = 0;
        for (int i = 0; i < digits; ++i) {
          if (p_ == e_) return Fail("unexpected end of text in an escape");
          int h = HexDigit(*p_);
          if (h < 0) return FailChar("hexadecimal digit expected, found");
          code = code * 16 + static_cast<uint32_t>(h);
          ++p_;
        }
        out += static_cast<char16_t>(code);
        return true;
      }
      default:
        p_ += T::AppendOne(out, p_, e_);
        return true;
    }
  }

  // string := quote { char | escape } quote, the same quote (" or ') at both ends
  bool ParseQuoted(std::u16string& out) {
    U quote = *p_++;
    for (;;) {
      const U* run = p_;
      while (p_ < e_ && *p_ != quote && *p_ != '\\') ++p_;
      T::AppendRun(out, run, p_);
      if (p_ == e_) return Fail("unexpected end of text in a string");
      if (*p_ == quote) {
        ++p_;
        return true;
      }
      if (!ParseEscape(out)) return false;
    }
  }

  // unquoted := { char | escape } up to the context's terminator (not taken);
  // trailing spaces, CR and LF dropped.
  bool ParseUnquoted(std::u16string& out, Context ctx) {
    U close = ctx == Context::Array ? ']' : '}';
    for (;;) {
      const U* run = p_;
      if (ctx == Context::Top) {
        while (p_ < e_ && *p_ != '\\') ++p_;
      } else {
        while (p_ < e_ && *p_ != ',' && *p_ != close && *p_ != '\\') ++p_;
      }
      T::AppendRun(out, run, p_);
      if (p_ == e_) {
        if (ctx != Context::Top) return Fail("unexpected end of text");
        break;
      }
      if (*p_ != '\\') break;
      if (!ParseEscape(out)) return false;
    }
    size_t n = out.size();
    while (n > 0 && (out[n - 1] == u' ' || out[n - 1] == u'\r' || out[n - 1] == u'\n')) --n;
    out.resize(n);
    return true;
  }

  // key := string | unquoted-key ":"; an unquoted key runs to the ':' and
  // keeps its trailing spaces.
  bool ParseKey(std::u16string& key) {
    if (*p_ == '"' || *p_ == '\'') return ParseQuoted(key);
    uint32_t c = *p_;
    if (c == 0 || IsJsonSpace(c) || c == '(' || c == ')' || c == ',' || c == '.' || c == ':' || c == '[' ||
        c == ']' || c == '{' || c == '}')
      return FailChar("a member name may not start with");
    for (;;) {
      const U* run = p_;
      while (p_ < e_ && *p_ != ':' && *p_ != '\\') ++p_;
      T::AppendRun(key, run, p_);
      if (p_ == e_) return Fail("unexpected end of text in a member name");
      if (*p_ == ':') return true;
      if (!ParseEscape(key)) return false;
    }
  }

  // number := { digit | "+" | "-" | "." | "e" | "E" }, classified as integer
  // (no point, no exponent), currency (a point with at most four decimals)
  // or double (an exponent or more decimals).
  bool ParseNumber(IJsonValue& out) {
    const U* start = p_;
    while (p_ < e_ && IsNumberChar(*p_)) ++p_;
    if (FastNumber(start, out)) return true;
    std::string text(start, p_);
    const char* s = text.data();
    const char* end = s + text.size();
    size_t dot = text.find('.');
    bool exponent = text.find_first_of("eE") != std::string::npos;
    bool twoDots = dot != std::string::npos && text.find('.', dot + 1) != std::string::npos;
    if (!exponent && !twoDots) {
      // Sign and digits, a point among them for a currency.
      const char* d = s + (s < end && *s == '-' ? 1 : 0);
      bool digitsOnly = true;
      size_t digitCount = 0;
      for (const char* q = d; q < end; ++q) {
        if (*q >= '0' && *q <= '9') ++digitCount;
        else if (*q != '.') digitsOnly = false;
      }
      if (!digitsOnly || digitCount == 0) {
        p_ = start;
        return Fail("bad number");
      }
      if (dot == std::string::npos) {
        int64_t v = 0;
        auto r = std::from_chars(s, end, v);
        if (r.ec == std::errc() && r.ptr == end) {
          out = TJsonValue::Integer(v);
          return true;
        }
        out = TJsonValue::Double(CDouble(text));  // too large for 64 bits
        return true;
      }
      size_t decimals = text.size() - dot - 1;
      if (decimals <= 4) {
        std::string joined = text.substr(0, dot) + text.substr(dot + 1) + std::string(4 - decimals, '0');
        if (joined == "-" || joined.empty()) joined += "0";
        int64_t v = 0;
        auto r = std::from_chars(joined.data(), joined.data() + joined.size(), v);
        if (r.ec == std::errc() && r.ptr == joined.data() + joined.size()) {
          out = TJsonValue::CurrencyScaled(v);
          return true;
        }
        out = TJsonValue::Double(CDouble(text));  // beyond the currency range
        return true;
      }
    }
    double v = 0;
    auto r = std::from_chars(s, end, v);
    if (r.ptr != end || text.empty() || (r.ec != std::errc() && r.ec != std::errc::result_out_of_range)) {
      p_ = start;
      return Fail("bad number");
    }
    if (r.ec == std::errc::result_out_of_range) v = CDouble(text);
    out = TJsonValue::Double(v);
    return true;
  }

  // Integers and currencies of up to 18 digits, read without a copy.
  bool FastNumber(const U* q, IJsonValue& out) const {
    bool negative = *q == '-';
    if (negative) ++q;
    uint64_t mantissa = 0;
    int whole = 0, decimals = 0;
    bool dot = false;
    for (; q < p_; ++q) {
      uint32_t c = *q;
      if (c >= '0' && c <= '9') {
        mantissa = mantissa * 10 + (c - '0');
        ++(dot ? decimals : whole);
      } else if (c == '.' && !dot) {
        dot = true;
      } else {
        return false;
      }
    }
    if (whole + decimals == 0 || whole + 4 > 18 || decimals > 4) return false;
    if (!dot) {
      int64_t v = static_cast<int64_t>(mantissa);
      out = TJsonValue::Integer(negative ? -v : v);
      return true;
    }
    static const uint64_t kScale[] = {10000, 1000, 100, 10, 1};
    int64_t v = static_cast<int64_t>(mantissa * kScale[decimals]);
    out = TJsonValue::CurrencyScaled(negative ? -v : v);
    return true;
  }

  // The word at p_ is exactly w and the character after it may follow a literal.
  bool AtLiteral(const char* w, size_t n) const {
    if (static_cast<size_t>(e_ - p_) < n) return false;
    for (size_t i = 0; i < n; ++i)
      if (p_[i] != static_cast<unsigned char>(w[i])) return false;
    const U* f = p_ + n;
    if (f == e_) return true;
    uint32_t c = *f;
    if (c == '.' || c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return false;
    if (c > 0x7F && T::AboveLatin1(f, e_)) return false;
    return true;
  }

  bool ParseValue(IJsonValue& out, int level, Context ctx) {
    if (!SkipSpace()) return false;
    while (p_ < e_ && *p_ == '(') {
      ++p_;
      if (!SkipSpace()) return false;
    }
    if (p_ == e_) {
      if (ctx != Context::Top) return Fail("unexpected end of text");
      out = TJsonValue::String(std::u16string());
      return true;
    }
    switch (*p_) {
      case '"':
      case '\'': {
        std::u16string s;
        if (!ParseQuoted(s)) return false;
        out = TJsonValue::String(std::move(s));
        return true;
      }
      case '[': return ParseArray(out, level);
      case '{': return ParseObject(out, level);
      case '-': case '0': case '1': case '2': case '3': case '4':
      case '5': case '6': case '7': case '8': case '9':
        return ParseNumber(out);
      case 't':
        if (AtLiteral("true", 4)) {
          p_ += 4;
          out = TJsonValue::Boolean(true);
          return true;
        }
        break;
      case 'f':
        if (AtLiteral("false", 5)) {
          p_ += 5;
          out = TJsonValue::Boolean(false);
          return true;
        }
        break;
      case 'n':
        if (AtLiteral("null", 4)) {
          p_ += 4;
          out = TJsonValue::Null();
          return true;
        }
        break;
      default:
        break;
    }
    std::u16string s;
    if (!ParseUnquoted(s, ctx)) return false;
    out = TJsonValue::String(std::move(s));
    return true;
  }

  // After an element or member: ws then the separator or the closing bracket.
  // Returns 1 to go on, 0 when closed, -1 on error.
  int AfterItem(U close, const char* expected) {
    if (!SkipSpace()) return -1;
    if (p_ == e_) {
      Fail("unexpected end of text");
      return -1;
    }
    if (*p_ == close) {
      ++p_;
      return 0;
    }
    if (*p_ != ',') {
      FailChar(expected);
      return -1;
    }
    ++p_;
    if (!SkipSpace()) return -1;
    if (p_ < e_ && *p_ == close) {  // a comma before the closing bracket
      ++p_;
      return 0;
    }
    return 1;
  }

  // array := "[" ws [ value { "," value } [ "," ] ] ws "]"
  bool ParseArray(IJsonValue& out, int level) {
    ++p_;
    out = TJsonValue::NewArray();
    TJsonArray& a = *out->Array();
    if (!SkipSpace()) return false;
    if (p_ < e_ && *p_ == ']') {
      ++p_;
      return true;
    }
    for (;;) {
      if (level >= kJsonMaxNestingLevel) return Fail("nesting deeper than 31 levels");
      if (level == 0 && info_ && info_->recordElements) {
        SkipSpace();
        info_->elementStarts.push_back(Offset());
      }
      IJsonValue item;
      if (!ParseValue(item, level + 1, Context::Array)) return false;
      if (level != 0 || !info_ || !info_->takeElement || !info_->takeElement(item)) a.Add(std::move(item));
      int next = AfterItem(']', "expected ',' or ']', found");
      if (next < 0) return false;
      if (next == 0) return true;
    }
  }

  // object := "{" ws [ member { "," member } [ "," ] ] ws "}"
  // member := key ws ":" value
  bool ParseObject(IJsonValue& out, int level) {
    ++p_;
    out = TJsonValue::NewObject();
    TJsonTable& t = *out->Table();
    if (!SkipSpace()) return false;
    if (p_ < e_ && *p_ == '}') {
      ++p_;
      return true;
    }
    std::u16string key;
    for (;;) {
      if (level >= kJsonMaxNestingLevel) return Fail("nesting deeper than 31 levels");
      if (p_ == e_) return Fail("unexpected end of text");
      key.clear();
      if (!ParseKey(key)) return false;
      if (!SkipSpace()) return false;
      if (p_ == e_) return Fail("unexpected end of text");
      if (*p_ != ':') return FailChar("expected ':', found");
      ++p_;
      IJsonValue value;
      if (!ParseValue(value, level + 1, Context::Object)) return false;
      t.Put(key, std::move(value));
      int next = AfterItem('}', "expected ',' or '}', found");
      if (next < 0) return false;
      if (next == 0) return true;
    }
  }

  const U* b_;
  const U* p_;
  const U* e_;
  TJsonParseInfo* info_;
};

// Clears what a parse reports and keeps what the caller asked for.
void ResetResults(TJsonParseInfo* info) {
  if (!info) return;
  info->valueEnd = 0;
  info->stop = 0;
  info->error.clear();
  info->errorOffset = 0;
  info->elementStarts.clear();
}

}  // namespace

IJsonValue ParseText(std::u16string_view text, TJsonParseInfo* info) {
  ResetResults(info);
  Parser<char16_t> p(text.data(), text.data() + text.size(), info);
  return p.Run();
}

IJsonValue ParseUtf8Text(std::string_view text, TJsonParseInfo* info) {
  ResetResults(info);
  const auto* b = reinterpret_cast<const unsigned char*>(text.data());
  Parser<unsigned char> p(b, b + text.size(), info);
  return p.Run();
}

}  // namespace lf
