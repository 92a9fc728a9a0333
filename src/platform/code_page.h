// Host code page: engine text is bytes in one process-wide code page (the
// locale's by default, UTF-8 on Linux, or a legacy Windows code page); this
// holds the setting, conversions to and from UTF-16/UTF-8 through iconv, and
// the character-boundary helpers every search or cut of text goes through.
#pragma once

#include <string>
#include <string_view>

#include "platform/exception.h"

namespace lf {

class ECodePageError : public Exception {
 public:
  using Exception::Exception;
};

enum class CodePageKind { Utf8, SingleByte, DoubleByte };

struct CodePageInfo {
  int number = 65001;          // Windows code page number (65001 for UTF-8)
  std::string iconvName;       // name handed to iconv
  CodePageKind kind = CodePageKind::Utf8;
};

// Accepts "UTF-8", "65001", "GBK", "CP936", "936", "CP1251", "1251",
// "CP1252", "WINDOWS-1252", "CP932", "SHIFT_JIS", "CP949", "CP950", "BIG5",
// and any other single-byte code page iconv knows as CPnnnn. Case ignored.
// Raises ECodePageError "Unknown code page 'NAME'".
CodePageInfo LookupCodePage(std::string_view name);

// The process-wide host code page. Initialised from the locale on first use.
const CodePageInfo& HostCodePage();
void SetHostCodePage(std::string_view name);
// Restores the host code page on scope exit (tests and commands).
class ScopedHostCodePage {
 public:
  explicit ScopedHostCodePage(std::string_view name);
  ~ScopedHostCodePage();
  ScopedHostCodePage(const ScopedHostCodePage&) = delete;
  ScopedHostCodePage& operator=(const ScopedHostCodePage&) = delete;

 private:
  CodePageInfo saved_;
};

// Conversions between the host code page and Unicode. Characters the host
// code page cannot hold become "?"; bytes that are no valid character become
// U+FFFD (UTF-8 host) or "?" (other code pages).
std::string Utf16ToHost(std::u16string_view text);
std::u16string HostToUtf16(std::string_view text);
std::string Utf8ToHost(std::string_view text);
std::string HostToUtf8(std::string_view text);
// UTF-8 <-> UTF-16 without going through the host code page.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Conversions with an explicit code page instead of the host one.
std::string Utf16ToCodePage(std::u16string_view text, const CodePageInfo& cp);
std::u16string CodePageToUtf16(std::string_view text, const CodePageInfo& cp);

// True when b starts a two-byte character of the host code page (always
// false for UTF-8 and single-byte code pages).
bool IsLeadByte(unsigned char b);
// Length in bytes (at least 1, never past the end) of the character that
// starts at pos in the host code page.
size_t CharLength(std::string_view text, size_t pos);
// Start of the character that holds byte pos.
size_t CharStart(std::string_view text, size_t pos);
// Searches needle from byte from on, only at character starts.
size_t FindText(std::string_view text, std::string_view needle, size_t from = 0);
// The longest prefix of at most maxBytes bytes that ends on a character boundary.
std::string_view CutAtBoundary(std::string_view text, size_t maxBytes);
// Number of characters of text in the host code page.
size_t CharCount(std::string_view text);

// ASCII-only case folding, as member names compare.
std::string AsciiUpper(std::string_view text);
bool SameTextAscii(std::string_view a, std::string_view b);
std::string AsciiLower(std::string_view text);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
// text without the blanks and control characters (bytes up to 32) at both
// ends; no trail byte of a multi-byte code page is that low.
std::string Trim(std::string_view text);

}  // namespace lf
