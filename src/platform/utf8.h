// UTF-8 and UTF-16 codec pieces shared by the code-page layer and the JSON
// library; inline because both use them in their hottest loops.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lf::utf8 {

// Decodes one character at s (s < e); returns its length in bytes, or 0 when
// the bytes there start no well-formed sequence (overlong forms, surrogates
// and values past U+10FFFF included).
inline size_t Decode(const unsigned char* s, const unsigned char* e, char32_t* cp) {
  unsigned char b = *s;
  if (b < 0x80) {
    *cp = b;
    return 1;
  }
  size_t len;
  char32_t c;
  if (b >= 0xC2 && b <= 0xDF) {
    len = 2;
    c = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3;
    c = b & 0x0F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4;
    c = b & 0x07;
  } else {
    return 0;
  }
  if (static_cast<size_t>(e - s) < len) return 0;
  for (size_t i = 1; i < len; ++i) {
    unsigned char t = s[i];
    if ((t & 0xC0) != 0x80) return 0;
    c = (c << 6) | (t & 0x3F);
  }
  if ((len == 3 && c < 0x800) || (len == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
      (c >= 0xD800 && c <= 0xDFFF))
    return 0;
  *cp = c;
  return len;
}

// Appends one code point as UTF-16 (a surrogate pair above U+FFFF).
inline void AppendUtf16(std::u16string& out, char32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  } else {
    out += static_cast<char16_t>(c);
  }
}

// Appends one code point as UTF-8.
inline void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Appends UTF-16 text as UTF-8, copying ASCII runs in one step; a lone
// surrogate becomes U+FFFD.
inline void AppendFromUtf16(std::string& out, std::u16string_view s) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    size_t run = i;
    while (i < n && s[i] < 0x80) ++i;
    if (i > run) {
      size_t at = out.size();
      out.resize(at + (i - run));
      for (size_t k = run; k < i; ++k) out[at + k - run] = static_cast<char>(s[k]);
    }
    if (i == n) break;
    char32_t c = s[i++];
    if (c >= 0xD800 && c <= 0xDBFF && i < n && s[i] >= 0xDC00 && s[i] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
}

}  // namespace lf::utf8
