// Host code page setting, iconv conversions and character boundaries.
#include "platform/code_page.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/utf8.h"

namespace lf {
namespace {

CodePageInfo& CurrentCodePage() {
  static CodePageInfo current = [] {
    const char* old = std::setlocale(LC_CTYPE, nullptr);
    std::string saved = old ? old : "C";
    std::setlocale(LC_CTYPE, "");
    std::string codeset = nl_langinfo(CODESET);
    std::setlocale(LC_CTYPE, saved.c_str());
    try {
      if (codeset == "ANSI_X3.4-1968" || codeset.empty()) return LookupCodePage("UTF-8");
      return LookupCodePage(codeset);
    } catch (const ECodePageError&) {
      return LookupCodePage("UTF-8");
    }
  }();
  return current;
}

bool IconvKnows(const std::string& name) {
  iconv_t cd = iconv_open("UTF-16LE", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(cd);
  return true;
}

// Length of a well-formed UTF-8 sequence at pos, or 0 when malformed.
size_t Utf8SequenceLength(std::string_view s, size_t pos, char32_t* cp) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  return utf8::Decode(p + pos, p + s.size(), cp);
}

struct IconvHandle {
  iconv_t cd;
  explicit IconvHandle(const char* to, const char* from) : cd(iconv_open(to, from)) {
    if (cd == reinterpret_cast<iconv_t>(-1))
      throw ECodePageError(std::string("Cannot convert from ") + from + " to " + to);
  }
  ~IconvHandle() { iconv_close(cd); }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
};

// Converts a buffer with iconv, replacing what cannot be converted. unit is
// the size of one input unit to skip on an invalid or unmappable sequence.
std::string IconvConvert(const char* to, const char* from, std::string_view input, size_t skipUnit,
                         std::string_view replacement, bool surrogates) {
  IconvHandle h(to, from);
  std::string out;
  out.resize(input.size() * 2 + 16);
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  size_t outPos = 0;
  while (inLeft > 0) {
    char* outPtr = out.data() + outPos;
    size_t outLeft = out.size() - outPos;
    size_t r = iconv(h.cd, &in, &inLeft, &outPtr, &outLeft);
    outPos = out.size() - outLeft;
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    // EILSEQ or EINVAL: skip one input character and put the replacement.
    size_t skip = skipUnit;
    if (surrogates && inLeft >= 4) {
      uint16_t u = static_cast<unsigned char>(in[0]) | (static_cast<unsigned char>(in[1]) << 8);
      uint16_t v = static_cast<unsigned char>(in[2]) | (static_cast<unsigned char>(in[3]) << 8);
      if (u >= 0xD800 && u <= 0xDBFF && v >= 0xDC00 && v <= 0xDFFF) skip = 4;
    }
    if (skip > inLeft) skip = inLeft;
    in += skip;
    inLeft -= skip;
    if (out.size() - outPos < replacement.size() + 8) out.resize(out.size() * 2 + 16);
    std::memcpy(out.data() + outPos, replacement.data(), replacement.size());
    outPos += replacement.size();
    iconv(h.cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(outPos);
  return out;
}

}  // namespace

CodePageInfo LookupCodePage(std::string_view name) {
  std::string n = AsciiUpper(name);
  for (const char* prefix : {"WINDOWS-", "WINDOWS", "CP", "MS"}) {
    size_t len = std::strlen(prefix);
    if (n.size() > len && n.compare(0, len, prefix) == 0 &&
        n.find_first_not_of("0123456789", len) == std::string::npos) {
      n = n.substr(len);
      break;
    }
  }
  CodePageInfo info;
  if (n == "UTF-8" || n == "UTF8" || n == "65001") {
    info.number = 65001;
    info.iconvName = "UTF-8";
    info.kind = CodePageKind::Utf8;
    return info;
  }
  struct Dbcs {
    const char* alias;
    int number;
    const char* iconv;
  };
  static const Dbcs dbcs[] = {{"GBK", 936, "CP936"},       {"GB2312", 936, "CP936"},
                              {"936", 936, "CP936"},       {"SHIFT_JIS", 932, "CP932"},
                              {"SJIS", 932, "CP932"},      {"932", 932, "CP932"},
                              {"949", 949, "CP949"},       {"EUC-KR", 949, "CP949"},
                              {"950", 950, "CP950"},       {"BIG5", 950, "CP950"}};
  for (const Dbcs& d : dbcs) {
    if (n == d.alias) {
      info.number = d.number;
      info.iconvName = IconvKnows(d.iconv) ? d.iconv : d.alias;
      info.kind = CodePageKind::DoubleByte;
      return info;
    }
  }
  if (n == "ISO-8859-1" || n == "LATIN1") n = "1252";
  if (!n.empty() && n.find_first_not_of("0123456789") == std::string::npos && n.size() <= 5) {
    std::string iconvName = "CP" + n;
    if (IconvKnows(iconvName)) {
      info.number = std::stoi(n);
      info.iconvName = iconvName;
      info.kind = CodePageKind::SingleByte;
      return info;
    }
  }
  throw ECodePageError("Unknown code page '" + std::string(name) + "'");
}

const CodePageInfo& HostCodePage() { return CurrentCodePage(); }

void SetHostCodePage(std::string_view name) { CurrentCodePage() = LookupCodePage(name); }

ScopedHostCodePage::ScopedHostCodePage(std::string_view name) : saved_(HostCodePage()) {
  SetHostCodePage(name);
}

ScopedHostCodePage::~ScopedHostCodePage() { CurrentCodePage() = saved_; }

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    char32_t c;
    size_t len = Utf8SequenceLength(s, i, &c);
    if (len == 0) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    i += len;
    utf8::AppendUtf16(out, c);
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  utf8::AppendFromUtf16(out, s);
  return out;
}

std::string Utf16ToCodePage(std::u16string_view text, const CodePageInfo& cp) {
  if (cp.kind == CodePageKind::Utf8) return Utf16ToUtf8(text);
  bool ascii = true;
  for (char16_t c : text)
    if (c >= 0x80) {
      ascii = false;
      break;
    }
  if (ascii) return std::string(text.begin(), text.end());
  std::string_view bytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  return IconvConvert(cp.iconvName.c_str(), "UTF-16LE", bytes, 2, "?", true);
}

std::u16string CodePageToUtf16(std::string_view text, const CodePageInfo& cp) {
  if (cp.kind == CodePageKind::Utf8) return Utf8ToUtf16(text);
  bool ascii = true;
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  if (ascii) return std::u16string(text.begin(), text.end());
  std::string raw = IconvConvert("UTF-16LE", cp.iconvName.c_str(), text, 1, std::string("?\0", 2), false);
  std::u16string out(raw.size() / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                   (static_cast<unsigned char>(raw[2 * i + 1]) << 8));
  return out;
}

std::string Utf16ToHost(std::u16string_view text) { return Utf16ToCodePage(text, HostCodePage()); }
std::u16string HostToUtf16(std::string_view text) { return CodePageToUtf16(text, HostCodePage()); }

std::string Utf8ToHost(std::string_view text) {
  if (HostCodePage().kind == CodePageKind::Utf8) return Utf16ToUtf8(Utf8ToUtf16(text));
  return Utf16ToHost(Utf8ToUtf16(text));
}

std::string HostToUtf8(std::string_view text) {
  if (HostCodePage().kind == CodePageKind::Utf8) return Utf16ToUtf8(Utf8ToUtf16(text));
  return Utf16ToUtf8(HostToUtf16(text));
}

bool IsLeadByte(unsigned char b) {
  const CodePageInfo& cp = HostCodePage();
  if (cp.kind != CodePageKind::DoubleByte) return false;
  if (cp.number == 932) return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
  return b >= 0x81 && b <= 0xFE;
}

size_t CharLength(std::string_view text, size_t pos) {
  if (pos >= text.size()) return 0;
  const CodePageInfo& cp = HostCodePage();
  if (cp.kind == CodePageKind::SingleByte) return 1;
  if (cp.kind == CodePageKind::DoubleByte)
    return IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
  char32_t c;
  size_t len = Utf8SequenceLength(text, pos, &c);
  return len == 0 ? 1 : len;
}

size_t CharStart(std::string_view text, size_t pos) {
  if (pos >= text.size()) return text.size();
  if (HostCodePage().kind == CodePageKind::SingleByte) return pos;
  // Walk from the start: double-byte trail bytes overlap lead-byte ranges, so
  // only a forward walk finds the boundary for certain.
  size_t i = 0;
  while (i < text.size()) {
    size_t len = CharLength(text, i);
    if (pos < i + len) return i;
    i += len;
  }
  return pos;
}

size_t FindText(std::string_view text, std::string_view needle, size_t from) {
  if (needle.empty()) return from <= text.size() ? from : std::string_view::npos;
  bool bytewise = HostCodePage().kind != CodePageKind::DoubleByte;
  if (bytewise) {
    // UTF-8 and single-byte: a match of a valid needle always starts on a boundary.
    return text.find(needle, from);
  }
  size_t i = 0;
  while (i < text.size()) {
    if (i >= from && text.compare(i, needle.size(), needle) == 0) return i;
    i += CharLength(text, i);
  }
  return std::string_view::npos;
}

std::string_view CutAtBoundary(std::string_view text, size_t maxBytes) {
  if (maxBytes >= text.size()) return text;
  size_t i = 0;
  while (i < text.size()) {
    size_t len = CharLength(text, i);
    if (i + len > maxBytes) break;
    i += len;
  }
  return text.substr(0, i);
}

size_t CharCount(std::string_view text) {
  size_t n = 0;
  for (size_t i = 0; i < text.size(); i += CharLength(text, i)) ++n;
  return n;
}

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameTextAscii(text.substr(0, prefix.size()), prefix);
}

std::string Trim(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  return std::string(text.substr(b, e - b));
}

bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

}  // namespace lf
