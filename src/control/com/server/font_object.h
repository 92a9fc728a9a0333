// The control's font as a font dispatch object (IFontDisp).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "lumenfoldi/lumenfoldiProj1.h"

namespace lf::com {

struct FontState {
  std::u16string name = u"MS Sans Serif";
  int64_t size = 80000;  // points, currency (x 10000)
  int16_t weight = 400;
  int16_t charset = 1;   // the default character set
  bool italic = false;
  bool underline = false;
  bool strikethrough = false;
};

// Lives as long as anyone holds it; the control that made it is told of
// every change through Changed until it lets go (Detach).
class FontObject : public IDispatch {
 public:
  FontObject();
  ~FontObject();

  static FontObject* From(IDispatch* p);
  const FontState& State() const { return state_; }
  // Takes every property of another font dispatch object (ours or any
  // other answering the same names); properties it lacks stay.
  HRESULT Assign(IDispatch* source);
  void Detach() { Changed = nullptr; }

  std::function<void(const FontState&)> Changed;

 private:
  static HRESULT QueryInterface(IDispatch* p, REFIID riid, void** out);
  static ULONG AddRef(IDispatch* p);
  static ULONG Release(IDispatch* p);
  static HRESULT GetTypeInfoCount(IDispatch*, UINT* count);
  static HRESULT GetTypeInfo(IDispatch*, UINT, LCID, ITypeInfo** info);
  static HRESULT GetIDsOfNames(IDispatch*, REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids);
  static HRESULT Invoke(IDispatch* p, DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argErr);
  HRESULT Get(DISPID id, VARIANT& out) const;
  HRESULT Put(DISPID id, const VARIANT& value);

  static const IDispatchVtbl kVtbl;
  std::atomic<ULONG> refs_{1};
  FontState state_;
};

}  // namespace lf::com
