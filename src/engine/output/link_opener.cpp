// Hyperlink checks and the platform's opener.
#include "engine/output/link_opener.h"

#include "platform/code_page.h"
#include "platform/url_opener.h"

namespace lf {

std::string OpenableLink(std::string_view address) {
  std::string trimmed = Trim(address);
  for (std::string_view scheme : {"http:", "https:", "mailto:"})
    if (StartsWithNoCase(trimmed, scheme)) return trimmed;
  return {};
}

bool OpenLinkWithPlatform(const std::string& address) { return OpenUrlWithPlatform(HostToUtf8(address)); }

}  // namespace lf
