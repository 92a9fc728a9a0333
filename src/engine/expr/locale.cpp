// Localized string lookup: callback first, then the built-in table.
#include "engine/expr/locale.h"

#include <algorithm>
#include <memory>

#include "platform/code_page.h"

namespace lf {
namespace {

std::unique_ptr<TfrLocale>& LocaleSlot() {
  static std::unique_ptr<TfrLocale> locale;
  return locale;
}

}  // namespace

std::string TfrLocale::LoadString(int number) const {
  if (OnLocalize) {
    std::string text;
    OnLocalize(number, text);
    if (!text.empty()) return std::string(CutAtBoundary(text, kMaxLocalizedStringLength));
  }
  size_t count = 0;
  const TStringTableEntry* table = StringTable(count);
  const TStringTableEntry* end = table + count;
  const TStringTableEntry* it = std::lower_bound(
      table, end, number, [](const TStringTableEntry& e, int n) { return e.Number < n; });
  if (it == end || it->Number != number) return {};
  return std::string(CutAtBoundary(it->Text, kMaxLocalizedStringLength));
}

TfrLocale& frLocale() {
  auto& slot = LocaleSlot();
  if (!slot) slot = std::make_unique<TfrLocale>();
  return *slot;
}

void DestroyLocale() { LocaleSlot().reset(); }

std::string LoadLocalizedString(int number) { return frLocale().LoadString(number); }

}  // namespace lf
