// Hyperlink checks and the platform's opener.
#include "engine/output/link_opener.h"

#include <algorithm>

#include "platform/code_page.h"
#include "platform/url_opener.h"

namespace lf {

size_t LastAtSign(std::string_view tag) {
  size_t last = std::string_view::npos;
  for (size_t at = FindText(tag, "@"); at != std::string_view::npos; at = FindText(tag, "@", at + 1)) last = at;
  return last;
}

bool IsPageLink(std::string_view tag) {
  if (!tag.empty() && tag[0] == '@') return true;
  if (!OpenableLink(tag).empty()) return false;
  size_t at = LastAtSign(tag);
  if (at == std::string_view::npos || at + 1 == tag.size()) return false;
  return std::all_of(tag.begin() + static_cast<long>(at) + 1, tag.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

namespace {

// mailto = "mailto:" recipients [ "?" field { "&" field } ] ; field = name "=" value
std::string KeepMailFields(const std::string& address) {
  size_t query = address.find('?');
  if (query == std::string::npos) return address;
  std::string kept = address.substr(0, query);
  char separator = '?';
  size_t at = query + 1;
  while (at <= address.size()) {
    size_t end = address.find('&', at);
    if (end == std::string::npos) end = address.size();
    std::string field = address.substr(at, end - at);
    std::string name = AsciiLower(field.substr(0, field.find('=')));
    for (std::string_view allowed : {"to", "cc", "bcc", "subject", "body"})
      if (name == allowed) {
        kept += separator + field;
        separator = '&';
      }
    at = end + 1;
  }
  return kept;
}

}  // namespace

std::string OpenableLink(std::string_view address) {
  std::string trimmed = Trim(address);
  for (std::string_view scheme : {"http:", "https:"})
    if (StartsWithNoCase(trimmed, scheme)) return trimmed;
  if (StartsWithNoCase(trimmed, "mailto:")) return KeepMailFields(trimmed);
  return {};
}

bool OpenLinkWithPlatform(const std::string& address) { return OpenUrlWithPlatform(HostToUtf8(address)); }

}  // namespace lf
