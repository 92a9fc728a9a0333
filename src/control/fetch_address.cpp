// Local files and http(s) addresses read with the control's client.
#include "control/fetch_address.h"

#include <fstream>
#include <iterator>

#include "control/lumenfoldi.h"
#include "platform/code_page.h"
#include "platform/stream.h"

namespace lf {

bool IsHttpAddress(std::string_view address) {
  return StartsWithNoCase(address, "http://") || StartsWithNoCase(address, "https://");
}

std::optional<std::string> FetchAddress(Tlumenfoldi& control, const std::string& address) {
  if (IsHttpAddress(address)) {
    TStringStream stream;
    if (!control.Download(address, stream)) return std::nullopt;
    return std::move(stream.Bytes());
  }
  std::ifstream in(HostToUtf8(address), std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace lf
