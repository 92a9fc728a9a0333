// The platform's opener over Qt's desktop services.
#include "platform/url_opener.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace lf {

bool OpenUrlWithPlatform(const std::string& utf8Address) {
  return QDesktopServices::openUrl(QUrl(
      QString::fromUtf8(utf8Address.data(), static_cast<qsizetype>(utf8Address.size())), QUrl::TolerantMode));
}

}  // namespace lf
