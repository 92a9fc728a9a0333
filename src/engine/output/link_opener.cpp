// Hyperlink checks and the platform's opener.
#include "engine/output/link_opener.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

#include "platform/code_page.h"

namespace lf {

std::string OpenableLink(std::string_view address) {
  std::string trimmed = Trim(address);
  for (std::string_view scheme : {"http:", "https:", "mailto:"})
    if (StartsWithNoCase(trimmed, scheme)) return trimmed;
  return {};
}

bool OpenLinkWithPlatform(const std::string& address) {
  const std::string utf8 = HostToUtf8(address);
  return QDesktopServices::openUrl(
      QUrl(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())), QUrl::TolerantMode));
}

}  // namespace lf
