// Checks of the addresses a service is asked to read.
#include "service/address_policy.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/exception.h"

namespace lf {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

bool IsWebAddress(std::string_view a) {
  const std::string l = Lower(a.substr(0, 8));
  return l.rfind("http://", 0) == 0 || l.rfind("https://", 0) == 0;
}

}  // namespace

std::vector<std::string> ParseHostList(std::string_view list) {
  std::vector<std::string> hosts;
  size_t at = 0;
  while (at <= list.size()) {
    size_t comma = list.find(',', at);
    std::string_view part = list.substr(at, comma == std::string_view::npos ? std::string_view::npos : comma - at);
    while (!part.empty() && std::isspace(static_cast<unsigned char>(part.front()))) part.remove_prefix(1);
    while (!part.empty() && std::isspace(static_cast<unsigned char>(part.back()))) part.remove_suffix(1);
    if (!part.empty()) hosts.push_back(Lower(part));
    if (comma == std::string_view::npos) break;
    at = comma + 1;
  }
  return hosts;
}

// url = scheme "://" [ userinfo "@" ] host [ ":" port ] [ "/" | "?" | "#" ... ]
std::string HostOf(std::string_view url) {
  size_t start = url.find("://");
  if (start == std::string_view::npos) return "";
  std::string_view rest = url.substr(start + 3);
  rest = rest.substr(0, rest.find_first_of("/?#"));
  if (size_t at = rest.rfind('@'); at != std::string_view::npos) rest = rest.substr(at + 1);
  if (!rest.empty() && rest.front() == '[') {
    size_t close = rest.find(']');
    return Lower(close == std::string_view::npos ? rest.substr(1) : rest.substr(1, close - 1));
  }
  return Lower(rest.substr(0, rest.find(':')));
}

std::string AddressPolicy::Check(const std::string& address) const {
  if (address.empty()) throw Exception("an address is empty");
  if (IsWebAddress(address)) {
    const std::string host = HostOf(address);
    if (host.empty()) throw Exception("the address '" + address + "' names no host");
    if (!allowHosts.empty() && std::find(allowHosts.begin(), allowHosts.end(), host) == allowHosts.end())
      throw Exception("the host '" + host + "' is not among the allowed hosts");
    return address;
  }
  if (address.find("://") != std::string::npos)
    throw Exception("the address '" + address + "' is neither http nor https");
  if (allowFiles.empty())
    throw Exception("local files are not served: the service was started without --allow-files");
  std::error_code ec;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(std::filesystem::path(allowFiles) / address, ec);
  const std::filesystem::path root = std::filesystem::weakly_canonical(allowFiles, ec);
  const std::string r = resolved.string(), base = root.string();
  if (ec || r.size() <= base.size() || r.compare(0, base.size(), base) != 0 || r[base.size()] != '/')
    throw Exception("the file '" + address + "' lies outside the allowed folder");
  return r;
}

}  // namespace lf
