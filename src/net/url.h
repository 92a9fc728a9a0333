// HTTP addresses: splitting a URL into its parts and resolving a relocation
// address against the current one.
#pragma once

#include <string>
#include <string_view>

namespace lf {

struct TUrlParts {
  std::string scheme;    // lower case; "http" when the URL names none
  std::string user;
  std::string password;
  std::string host;      // without the brackets of an IPv6 literal
  std::string port;      // text as written; DefaultPort(scheme) when absent
  std::string path;      // from the first "/" or "?" after the host, query included; "/" when absent
};

// The port a scheme's addresses use when they name none: "443" for https,
// "80" for any other.
std::string DefaultPort(std::string_view scheme);

// url := [scheme "://"] [user [":" password] "@"] host [":" port] [path]
//      | "/" path | "http:" path-without-"//"
// A scheme is recognised only when the text before "://" is made of letters,
// digits, "+", "-" and "."; anything else leaves the scheme empty (http).
TUrlParts ParseURL(std::string_view url);

// Puts the parts back together into an address ParseURL reads back the same.
std::string BuildURL(const TUrlParts& parts);

// location := absolute ("http://" or "https://", case ignored) | "//" authority path
//           | "/" path | relative
// An absolute address replaces everything; a network-path one keeps the
// scheme; one starting with "/" replaces the path; any other replaces the last
// segment of the current path (after the last "/" or ":" before any "?").
std::string ResolveLocation(const TUrlParts& current, std::string_view location);

}  // namespace lf
