// Hyperlink checks and the platform's opener.
#include "engine/output/link_opener.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

#include "platform/code_page.h"

namespace lf {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

}  // namespace

std::string OpenableLink(std::string_view address) {
  while (!address.empty() && IsBlank(address.front())) address.remove_prefix(1);
  while (!address.empty() && IsBlank(address.back())) address.remove_suffix(1);
  for (std::string_view scheme : {"http:", "https:", "mailto:"})
    if (StartsWithNoCase(address, scheme)) return std::string(address);
  return {};
}

bool OpenLinkWithPlatform(const std::string& address) {
  const std::string utf8 = HostToUtf8(address);
  return QDesktopServices::openUrl(
      QUrl(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())), QUrl::TolerantMode));
}

}  // namespace lf
