// TfrLocale and LoadLocalizedString: string numbers resolved to text, from
// a localization callback when one is set, else from the built-in string
// table.
#pragma once

#include <functional>
#include <string>

namespace lf {

// Longest text a string may have: the table is read into a buffer of 1024
// characters.
inline constexpr size_t kMaxLocalizedStringLength = 1023;

// One entry of the built-in string table.
struct TStringTableEntry {
  int Number;
  const char* Text;  // English, ASCII
};

// The built-in table, sorted by number; count entries.
const TStringTableEntry* StringTable(size_t& count);

class TfrLocale {
 public:
  // Asked first with (number, in/out text); a non-empty text it leaves is
  // the result. Nothing in this system sets it.
  std::function<void(int number, std::string& text)> OnLocalize;
  // Whether a language module is loaded (never, in this system).
  bool DllLoaded = false;

  // The text of string number; empty text for a number with no string.
  std::string LoadString(int number) const;
};

// The engine's locale object, created on first use, destroyed with the
// globals.
TfrLocale& frLocale();
void DestroyLocale();

// The text of a localized string (in the host code page).
std::string LoadLocalizedString(int number);

}  // namespace lf
