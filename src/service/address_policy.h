// Which report addresses a service may read: web addresses of the allowed
// hosts, and local files only inside the allowed folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lf {

struct AddressPolicy {
  std::string allowFiles;              // absolute folder; empty: no local files
  std::vector<std::string> allowHosts; // lower-case host names; empty: any host

  // Raises lf::Exception with the reason when address (UTF-8) may not be
  // read. A local address comes back resolved (symbolic links followed), so
  // that what is read is what was checked.
  std::string Check(const std::string& address) const;
};

// "a.example, B.example" -> {"a.example", "b.example"}.
std::vector<std::string> ParseHostList(std::string_view list);
// The host of an http(s) address, lower-cased, without user and port.
std::string HostOf(std::string_view url);

}  // namespace lf
