// Local files and http(s) addresses read with the control's client.
#include "control/fetch_address.h"

#include <fstream>

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
  // Sized from the file once, so that a large data text is not copied
  // again and again as it grows (the size is only a hint: the file may
  // change while it is read).
  std::string text;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size > 0) text.reserve(static_cast<size_t>(size));
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
    text.append(buffer, static_cast<size_t>(in.gcount()));
  if (in.bad()) return std::nullopt;
  return text;
}

}  // namespace lf
