// The library's exported functions: the class factory, registration,
// unloading, and the automation helpers.
#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <new>
#include <string>

#include "control/com/registry_file.h"
#include "control/com/type_library.h"
#include "control/com/variant.h"
#include "control_object.h"
#include "platform/code_page.h"
#include "server.h"

namespace lf::com {
namespace {

// The one class factory; static, so its references are not counted.
HRESULT FactoryQueryInterface(IClassFactory* p, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  if (riid && (SameGuid(*riid, IID_IUnknown) || SameGuid(*riid, IID_IClassFactory))) {
    *out = p;
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}
ULONG FactoryAddRef(IClassFactory*) { return 2; }
ULONG FactoryRelease(IClassFactory*) { return 1; }
HRESULT FactoryCreateInstance(IClassFactory*, IUnknown* outer, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return ControlObject::Create(riid, out);
}
HRESULT FactoryLockServer(IClassFactory*, BOOL lock) {
  ServerLock(lock != 0);
  return S_OK;
}

const IClassFactoryVtbl kFactoryVtbl = {FactoryQueryInterface, FactoryAddRef, FactoryRelease, FactoryCreateInstance,
                                        FactoryLockServer};
IClassFactory factory = {&kFactoryVtbl};

// The library's own file, as the system loaded it.
std::string LibraryPath() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&FactoryLockServer), &info) || !info.dli_fname)
    throw Exception("cannot find the library's own file");
  char resolved[PATH_MAX];
  return realpath(info.dli_fname, resolved) ? std::string(resolved) : std::string(info.dli_fname);
}

HRESULT Registration(bool registering) {
  try {
    if (registering) RegisterClass(DefaultRegistryPath(), LibraryPath());
    else UnregisterClass(DefaultRegistryPath());
    return S_OK;
  } catch (const std::exception& e) {
    ReportException(e);
    return SELFREG_E_CLASS;
  }
}

}  // namespace
}  // namespace lf::com

using namespace lf::com;

extern "C" {

HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!rclsid || !SameGuid(*rclsid, CLSID_lumenfoldi)) return CLASS_E_CLASSNOTAVAILABLE;
  return factory.lpVtbl->QueryInterface(&factory, riid, ppv);
}

HRESULT DllCanUnloadNow(void) { return ServerInUse() ? S_FALSE : S_OK; }

HRESULT DllRegisterServer(void) { return Registration(true); }

HRESULT DllUnregisterServer(void) { return Registration(false); }

BSTR SysAllocString(const OLECHAR* text) {
  if (!text) return nullptr;
  return AllocBstr(std::u16string_view(text));
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  try {
    return text ? AllocBstr(std::u16string_view(text, length)) : AllocBstr(std::u16string(length, u'\0'));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void SysFreeString(BSTR text) { FreeBstr(text); }

UINT SysStringLen(BSTR text) { return BstrLength(text); }

void VariantInit(VARIANT* value) {
  if (value) InitVariant(*value);
}

HRESULT VariantClear(VARIANT* value) {
  if (!value) return E_INVALIDARG;
  return ClearVariant(*value);
}

HRESULT GetErrorInfo(ULONG, IErrorInfo** info) {
  if (!info) return E_INVALIDARG;
  *info = TakeErrorInfo();
  return *info ? S_OK : S_FALSE;
}

HRESULT SetErrorInfo(ULONG, IErrorInfo* info) {
  ReplaceErrorInfo(info);
  return S_OK;
}

}  // extern "C"
