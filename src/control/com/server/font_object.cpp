// The font dispatch object.
#include "font_object.h"

#include "control/com/type_library.h"
#include "control/com/variant.h"
#include "server.h"

namespace lf::com {
namespace {

struct FontMember {
  const char* name;
  DISPID id;
};
constexpr FontMember kFontMembers[] = {{"Name", DISPID_FONT_NAME},     {"Size", DISPID_FONT_SIZE},
                                       {"Bold", DISPID_FONT_BOLD},     {"Italic", DISPID_FONT_ITALIC},
                                       {"Underline", DISPID_FONT_UNDER}, {"Strikethrough", DISPID_FONT_STRIKE},
                                       {"Weight", DISPID_FONT_WEIGHT}, {"Charset", DISPID_FONT_CHARSET}};

// Weights above this read as bold.
constexpr int16_t kBoldFrom = 551;
// Font sizes from 1 to 1000 points are taken (currency units).
constexpr int64_t kMinFontSize = 10000;
constexpr int64_t kMaxFontSize = 10000000;

}  // namespace

const IDispatchVtbl FontObject::kVtbl = {QueryInterface, AddRef, Release, GetTypeInfoCount, GetTypeInfo,
                                         GetIDsOfNames, Invoke};

FontObject::FontObject() {
  lpVtbl = &kVtbl;
  ObjectCreated();
}

FontObject::~FontObject() { ObjectDestroyed(); }

FontObject* FontObject::From(IDispatch* p) { return p && p->lpVtbl == &kVtbl ? static_cast<FontObject*>(p) : nullptr; }

HRESULT FontObject::QueryInterface(IDispatch* p, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  if (SameGuid(*riid, IID_IUnknown) || SameGuid(*riid, IID_IDispatch) || SameGuid(*riid, IID_IFontDisp)) {
    *out = p;
    AddRef(p);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG FontObject::AddRef(IDispatch* p) { return ++static_cast<FontObject*>(p)->refs_; }

ULONG FontObject::Release(IDispatch* p) {
  auto* self = static_cast<FontObject*>(p);
  ULONG n = --self->refs_;
  if (n == 0) delete self;
  return n;
}

HRESULT FontObject::GetTypeInfoCount(IDispatch*, UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT FontObject::GetTypeInfo(IDispatch*, UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT FontObject::GetIDsOfNames(IDispatch*, REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
    if (i == 0 && names[0]) {
      std::u16string_view name(names[0]);
      for (const FontMember& m : kFontMembers)
        if (SameName(name, m.name)) ids[0] = m.id;
    }
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT FontObject::Invoke(IDispatch* p, DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO*, UINT* argErr) {
  auto* self = static_cast<FontObject*>(p);
  bool known = false;
  for (const FontMember& m : kFontMembers) known = known || m.id == id;
  if (!known) return DISP_E_MEMBERNOTFOUND;
  const UINT args = params ? params->cArgs : 0;
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    if (args != 1) return DISP_E_BADPARAMCOUNT;
    HRESULT hr = self->Put(id, params->rgvarg[0]);
    if (FAILED(hr) && argErr) *argErr = 0;
    return hr;
  }
  if (!(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))) return DISP_E_MEMBERNOTFOUND;
  if (args != 0) return DISP_E_BADPARAMCOUNT;
  if (!result) return S_OK;
  ClearVariant(*result);
  return self->Get(id, *result);
}

HRESULT FontObject::Get(DISPID id, VARIANT& out) const {
  switch (id) {
    case DISPID_FONT_NAME:
      out.bstrVal = AllocBstr(state_.name);
      if (!out.bstrVal) return E_OUTOFMEMORY;
      out.vt = VT_BSTR;
      return S_OK;
    case DISPID_FONT_SIZE: out.vt = VT_CY; out.cyVal.int64 = state_.size; return S_OK;
    case DISPID_FONT_BOLD: out.vt = VT_BOOL; out.boolVal = state_.weight >= kBoldFrom ? VARIANT_TRUE : VARIANT_FALSE; return S_OK;
    case DISPID_FONT_ITALIC: out.vt = VT_BOOL; out.boolVal = state_.italic ? VARIANT_TRUE : VARIANT_FALSE; return S_OK;
    case DISPID_FONT_UNDER: out.vt = VT_BOOL; out.boolVal = state_.underline ? VARIANT_TRUE : VARIANT_FALSE; return S_OK;
    case DISPID_FONT_STRIKE: out.vt = VT_BOOL; out.boolVal = state_.strikethrough ? VARIANT_TRUE : VARIANT_FALSE; return S_OK;
    case DISPID_FONT_WEIGHT: out.vt = VT_I2; out.iVal = state_.weight; return S_OK;
    case DISPID_FONT_CHARSET: out.vt = VT_I2; out.iVal = state_.charset; return S_OK;
    default: return DISP_E_MEMBERNOTFOUND;
  }
}

HRESULT FontObject::Put(DISPID id, const VARIANT& value) {
  FontState next = state_;
  HRESULT hr = S_OK;
  bool flag = false;
  int32_t number = 0;
  switch (id) {
    case DISPID_FONT_NAME:
      hr = VariantToText(value, next.name);
      if (SUCCEEDED(hr) && next.name.empty()) return ReportError(E_INVALIDARG, u"A font needs a name");
      break;
    case DISPID_FONT_SIZE: {
      VARIANT v = value;
      if (v.vt == VT_CY) {
        next.size = v.cyVal.int64;
      } else if (v.vt == VT_R8 || v.vt == VT_R4) {
        const double points = v.vt == VT_R8 ? v.dblVal : v.fltVal;
        if (!(points >= 1 && points <= 1000)) return ReportError(E_INVALIDARG, u"Font sizes go from 1 to 1000 points");
        next.size = static_cast<int64_t>(points * 10000 + 0.5);
      } else {
        hr = VariantToInt32(value, number);
        next.size = static_cast<int64_t>(number) * 10000;
      }
      if (SUCCEEDED(hr) && (next.size < kMinFontSize || next.size > kMaxFontSize))
        return ReportError(E_INVALIDARG, u"Font sizes go from 1 to 1000 points");
      break;
    }
    case DISPID_FONT_BOLD:
      hr = VariantToBool(value, flag);
      next.weight = flag ? 700 : 400;
      break;
    case DISPID_FONT_ITALIC: hr = VariantToBool(value, next.italic); break;
    case DISPID_FONT_UNDER: hr = VariantToBool(value, next.underline); break;
    case DISPID_FONT_STRIKE: hr = VariantToBool(value, next.strikethrough); break;
    case DISPID_FONT_WEIGHT:
    case DISPID_FONT_CHARSET:
      hr = VariantToInt32(value, number);
      if (SUCCEEDED(hr) && (number < 0 || number > (id == DISPID_FONT_WEIGHT ? 1000 : 255)))
        return ReportError(E_INVALIDARG, id == DISPID_FONT_WEIGHT ? u"Font weights go from 0 to 1000"
                                                                  : u"Character sets go from 0 to 255");
      (id == DISPID_FONT_WEIGHT ? next.weight : next.charset) = static_cast<int16_t>(number);
      break;
    default: return DISP_E_MEMBERNOTFOUND;
  }
  if (FAILED(hr)) return hr;
  state_ = next;
  if (Changed) Changed(state_);
  return S_OK;
}

HRESULT FontObject::Assign(IDispatch* source) {
  if (!source) return E_POINTER;
  if (FontObject* other = From(source)) {
    state_ = other->state_;
    if (Changed) Changed(state_);
    return S_OK;
  }
  FontState saved = state_;
  auto changed = std::move(Changed);
  Changed = nullptr;
  HRESULT result = S_OK;
  for (const FontMember& m : kFontMembers) {
    if (m.id == DISPID_FONT_BOLD) continue;  // the weight says it
    VARIANT value;
    InitVariant(value);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    HRESULT hr = source->lpVtbl->Invoke(source, m.id, &IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &value, nullptr,
                                        nullptr);
    if (SUCCEEDED(hr)) hr = Put(m.id, value);
    ClearVariant(value);
    if (FAILED(hr) && hr != DISP_E_MEMBERNOTFOUND) {
      result = hr;
      break;
    }
  }
  Changed = std::move(changed);
  if (FAILED(result)) {
    state_ = saved;
    return result;
  }
  if (Changed) Changed(state_);
  return S_OK;
}

}  // namespace lf::com
