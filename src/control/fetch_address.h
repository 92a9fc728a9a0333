// Reading the addresses of a "TEMPLATE,DATA" parameter outside the control's
// own flow: an http(s) address through the control's HTTP client, anything
// else as a local file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lf {

class Tlumenfoldi;

// Whether address begins with "http://" or "https://" (letter case ignored).
bool IsHttpAddress(std::string_view address);

// The bytes at address (host code page): an http(s) address is fetched with
// the control's HttpCli1, any other is read as a local file. Nothing when
// the request fails or the file cannot be read; the caller reports that.
std::optional<std::string> FetchAddress(Tlumenfoldi& control, const std::string& address);

}  // namespace lf
