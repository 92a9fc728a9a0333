// URL splitting and relocation resolution for the HTTP client.
#include "net/url.h"

#include <cctype>

#include "platform/code_page.h"

namespace lf {

namespace {

bool IsSchemeChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
}

// authority := [user [":" password] "@"] host [":" port]
// host := name | "[" ipv6 "]"
void ParseAuthority(std::string_view authority, TUrlParts& parts) {
  size_t at = authority.rfind('@');
  if (at != std::string_view::npos) {
    std::string_view credentials = authority.substr(0, at);
    size_t colon = credentials.find(':');
    parts.user = std::string(credentials.substr(0, colon));
    if (colon != std::string_view::npos) parts.password = std::string(credentials.substr(colon + 1));
    authority = authority.substr(at + 1);
  }
  std::string_view hostPart = authority;
  std::string_view portPart;
  bool hasPort = false;
  if (!authority.empty() && authority.front() == '[') {
    size_t close = authority.find(']');
    if (close != std::string_view::npos) {
      hostPart = authority.substr(1, close - 1);
      std::string_view rest = authority.substr(close + 1);
      if (!rest.empty() && rest.front() == ':') {
        portPart = rest.substr(1);
        hasPort = true;
      }
    }
  } else {
    size_t colon = authority.find(':');
    if (colon != std::string_view::npos) {
      hostPart = authority.substr(0, colon);
      portPart = authority.substr(colon + 1);
      hasPort = true;
    }
  }
  parts.host = std::string(hostPart);
  parts.port = hasPort && !portPart.empty() ? std::string(portPart) : DefaultPort(parts.scheme);
}

}  // namespace

std::string DefaultPort(std::string_view scheme) { return scheme == "https" ? "443" : "80"; }

TUrlParts ParseURL(std::string_view url) {
  TUrlParts parts;
  parts.port = "80";
  std::string_view rest = url;
  size_t sep = url.find("://");
  bool schemeFound = sep != std::string_view::npos && sep > 0;
  for (size_t i = 0; schemeFound && i < sep; ++i)
    if (!IsSchemeChar(url[i])) schemeFound = false;
  if (schemeFound) {
    parts.scheme = AsciiLower(url.substr(0, sep));
    rest = url.substr(sep + 3);
  } else if (!url.empty() && url.front() == '/') {
    parts.scheme = "http";
    parts.path = std::string(url);
    return parts;
  } else if (StartsWithNoCase(url, "http:")) {
    parts.scheme = "http";
    parts.path = std::string(url.substr(5));
    if (parts.path.empty() || (parts.path.front() != '/' && parts.path.front() != '?'))
      parts.path.insert(parts.path.begin(), '/');
    if (parts.path.front() == '?') parts.path.insert(parts.path.begin(), '/');
    return parts;
  }
  if (parts.scheme.empty()) parts.scheme = "http";
  size_t pathStart = rest.find_first_of("/?");
  ParseAuthority(rest.substr(0, pathStart), parts);
  if (pathStart == std::string_view::npos) {
    parts.path = "/";
  } else {
    parts.path = std::string(rest.substr(pathStart));
    // A query right after the host still needs the root path in front.
    if (parts.path.front() == '?') parts.path.insert(parts.path.begin(), '/');
  }
  return parts;
}

std::string BuildURL(const TUrlParts& parts) {
  std::string url = parts.scheme + "://";
  if (!parts.user.empty() || !parts.password.empty()) {
    url += parts.user;
    if (!parts.password.empty()) url += ":" + parts.password;
    url += "@";
  }
  if (parts.host.find(':') != std::string::npos) url += "[" + parts.host + "]";
  else url += parts.host;
  if (parts.port != DefaultPort(parts.scheme)) url += ":" + parts.port;
  url += parts.path;
  return url;
}

std::string ResolveLocation(const TUrlParts& current, std::string_view location) {
  if (StartsWithNoCase(location, "http://") || StartsWithNoCase(location, "https://"))
    return std::string(location);
  if (location.size() >= 2 && location[0] == '/' && location[1] == '/')
    return current.scheme + ":" + std::string(location);
  TUrlParts next = current;
  if (!location.empty() && location.front() == '/') {
    next.path = std::string(location);
  } else {
    std::string_view path = current.path;
    size_t query = path.find('?');
    std::string_view beforeQuery = path.substr(0, query);
    size_t last = beforeQuery.find_last_of("/:");
    std::string base = last == std::string_view::npos ? "/" : std::string(beforeQuery.substr(0, last + 1));
    next.path = base + std::string(location);
  }
  return BuildURL(next);
}

}  // namespace lf
