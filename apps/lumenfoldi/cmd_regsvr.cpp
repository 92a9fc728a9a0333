// "lumenfoldi regsvr": registers a component library (or, with -u, removes
// its registration) by loading it and calling its own registration function.
#include <dlfcn.h>

#include <cstdio>
#include <string>

#include "command.h"
#include "control/com/variant.h"
#include "lumenfoldi/lumenfoldiProj1.h"
#include "platform/code_page.h"

namespace lf::cli {
namespace {

constexpr const char* kUsage = "usage: lumenfoldi regsvr [-u] LIBRARY";

// The library's error information for the calling thread, or "".
std::string ErrorDescription(void* library) {
  auto getErrorInfo = reinterpret_cast<LPFNGETERRORINFO>(dlsym(library, "GetErrorInfo"));
  IErrorInfo* info = nullptr;
  if (!getErrorInfo || getErrorInfo(0, &info) != S_OK || !info) return "";
  BSTR text = nullptr;
  std::string description;
  if (info->lpVtbl->GetDescription(info, &text) == S_OK) description = Utf16ToUtf8(com::BstrView(text));
  auto freeString = reinterpret_cast<LPFNSYSFREESTRING>(dlsym(library, "SysFreeString"));
  if (freeString) freeString(text);
  info->lpVtbl->Release(info);
  return description;
}

int RunRegsvr(const Args& args) {
  bool unregister = false;
  std::string path;
  for (const std::string& a : args) {
    if (a == "-u") unregister = true;
    else if (path.empty() && !a.empty() && a[0] != '-') path = a;
    else throw Exception(kUsage);
  }
  if (path.empty()) throw Exception(kUsage);
  // A name without a slash would be searched in the library path: the
  // file meant is the one named.
  if (path.find('/') == std::string::npos) path = "./" + path;
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) throw Exception(std::string("cannot load ") + dlerror());
  const char* name = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  auto function = reinterpret_cast<LPFNDLLREGISTERSERVER>(dlsym(library, name));
  if (!function) throw Exception(path + " has no " + name);
  const HRESULT hr = function();
  if (FAILED(hr)) {
    std::string description = ErrorDescription(library);
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<uint32_t>(hr));
    throw Exception(std::string(name) + " in " + path + " failed: " + code +
                    (description.empty() ? "" : " " + description));
  }
  std::printf("%s in %s succeeded.\n", name, path.c_str());
  return 0;
}

const Registration reg("regsvr", "regsvr [-u] LIBRARY   register a component library (-u: remove its registration)",
                       RunRegsvr);

}  // namespace
}  // namespace lf::cli
