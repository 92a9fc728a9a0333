// Host code-page text to and from the texts of Qt widgets.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "platform/code_page.h"

namespace lf {

inline QString ToQString(std::string_view host) {
  std::u16string w = HostToUtf16(host);
  return QString::fromUtf16(w.data(), qsizetype(w.size()));
}

inline std::string FromQString(const QString& text) {
  return Utf16ToHost(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())));
}

}  // namespace lf
