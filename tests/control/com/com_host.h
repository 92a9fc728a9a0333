// A test host of the component library: loads it with dlopen, creates the
// control through its class factory, and sinks events into a function.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "lumenfoldi/lumenfoldiProj1.h"

namespace lf::test {

struct ComLibrary {
  ComLibrary() {
    handle = dlopen(LF_COM_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (!handle) ADD_FAILURE() << dlerror();
    getClassObject = reinterpret_cast<LPFNDLLGETCLASSOBJECT>(dlsym(handle, "DllGetClassObject"));
    canUnloadNow = reinterpret_cast<LPFNDLLCANUNLOADNOW>(dlsym(handle, "DllCanUnloadNow"));
    allocString = reinterpret_cast<LPFNSYSALLOCSTRING>(dlsym(handle, "SysAllocString"));
    freeString = reinterpret_cast<LPFNSYSFREESTRING>(dlsym(handle, "SysFreeString"));
  }

  Ilumenfoldi* Create() const {
    IClassFactory* factory = nullptr;
    Ilumenfoldi* control = nullptr;
    EXPECT_EQ(getClassObject(&CLSID_lumenfoldi, &IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(factory->lpVtbl->CreateInstance(factory, nullptr, &IID_Ilumenfoldi, reinterpret_cast<void**>(&control)),
              S_OK);
    factory->lpVtbl->Release(factory);
    return control;
  }

  void* handle = nullptr;
  LPFNDLLGETCLASSOBJECT getClassObject = nullptr;
  LPFNDLLCANUNLOADNOW canUnloadNow = nullptr;
  LPFNSYSALLOCSTRING allocString = nullptr;
  LPFNSYSFREESTRING freeString = nullptr;
};

// An event sink calling OnEvent(dispid, Key or null) for each event.
class EventSink : public IDispatch {
 public:
  EventSink() { lpVtbl = &kVtbl; }
  std::function<void(DISPID, int16_t*)> OnEvent;
  int refs = 1;

  // Connects to the control's events; returns the cookie.
  DWORD Connect(Ilumenfoldi* control) {
    IConnectionPointContainer* container = nullptr;
    control->lpVtbl->QueryInterface(control, &IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    IConnectionPoint* point = nullptr;
    container->lpVtbl->FindConnectionPoint(container, &DIID_IlumenfoldiEvents, &point);
    DWORD cookie = 0;
    EXPECT_EQ(point->lpVtbl->Advise(point, reinterpret_cast<IUnknown*>(this), &cookie), S_OK);
    point->lpVtbl->Release(point);
    container->lpVtbl->Release(container);
    return cookie;
  }

 private:
  static EventSink* Self(IDispatch* p) { return static_cast<EventSink*>(p); }
  static HRESULT QueryInterface(IDispatch* p, REFIID, void** out) {
    *out = p;
    ++Self(p)->refs;
    return S_OK;
  }
  static ULONG AddRef(IDispatch* p) { return static_cast<ULONG>(++Self(p)->refs); }
  static ULONG Release(IDispatch* p) { return static_cast<ULONG>(--Self(p)->refs); }
  static HRESULT Count(IDispatch*, UINT* n) {
    *n = 0;
    return S_OK;
  }
  static HRESULT Info(IDispatch*, UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
  static HRESULT Ids(IDispatch*, REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
  static HRESULT Invoke(IDispatch* p, DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) {
    int16_t* key = params && params->cArgs == 1 && params->rgvarg[0].vt == (VT_I2 | VT_BYREF)
                       ? params->rgvarg[0].piVal
                       : nullptr;
    if (Self(p)->OnEvent) Self(p)->OnEvent(id, key);
    return S_OK;
  }
  static constexpr IDispatchVtbl kVtbl = {QueryInterface, AddRef, Release, Count, Info, Ids, Invoke};
};

}  // namespace lf::test
