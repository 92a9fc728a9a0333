// BSTR and VARIANT helpers.
#include "control/com/variant.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "control/com/type_library.h"

namespace lf::com {
namespace {

// The variant a by-reference argument points at, or the argument itself.
const VARIANT* Deref(const VARIANT& value, VARIANT& scratch) {
  if (value.vt == (VT_VARIANT | VT_BYREF)) return value.pvarVal ? value.pvarVal : &scratch;
  if (!(value.vt & VT_BYREF)) return &value;
  InitVariant(scratch);
  scratch.vt = static_cast<VARTYPE>(value.vt & ~VT_BYREF);
  if (!value.byref) {
    scratch.vt = VT_ERROR;
    return &scratch;
  }
  switch (scratch.vt) {
    case VT_I2: scratch.iVal = *value.piVal; break;
    case VT_I4: case VT_INT: scratch.lVal = *value.plVal; break;
    case VT_UI4: case VT_UINT: scratch.ulVal = *static_cast<const uint32_t*>(value.byref); break;
    case VT_UI2: scratch.uiVal = *static_cast<const uint16_t*>(value.byref); break;
    case VT_I1: scratch.cVal = *static_cast<const int8_t*>(value.byref); break;
    case VT_UI1: scratch.bVal = *static_cast<const uint8_t*>(value.byref); break;
    case VT_I8: scratch.llVal = *static_cast<const int64_t*>(value.byref); break;
    case VT_UI8: scratch.ullVal = *static_cast<const uint64_t*>(value.byref); break;
    case VT_R4: scratch.fltVal = *static_cast<const float*>(value.byref); break;
    case VT_R8: scratch.dblVal = *static_cast<const double*>(value.byref); break;
    case VT_CY: scratch.cyVal = *static_cast<const CY*>(value.byref); break;
    case VT_BOOL: scratch.boolVal = *value.pboolVal; break;
    case VT_BSTR: scratch.bstrVal = *value.pbstrVal; break;
    case VT_DISPATCH: scratch.pdispVal = *value.ppdispVal; break;
    case VT_UNKNOWN: scratch.punkVal = *value.ppunkVal; break;
    default: scratch.vt = VT_ERROR; break;
  }
  return &scratch;
}

// Decimal, or hexadecimal after 0x; optional sign; surrounding blanks.
bool ParseInteger(std::u16string_view text, int64_t& out) {
  size_t i = 0, end = text.size();
  while (i < end && text[i] == u' ') ++i;
  while (end > i && text[end - 1] == u' ') --end;
  bool negative = false;
  if (i < end && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  int base = 10;
  if (end - i > 2 && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    base = 16;
    i += 2;
  }
  if (i == end) return false;
  uint64_t value = 0;
  for (; i < end; ++i) {
    char16_t c = text[i];
    int digit = c >= u'0' && c <= u'9' ? c - u'0'
                : base == 16 && c >= u'a' && c <= u'f' ? c - u'a' + 10
                : base == 16 && c >= u'A' && c <= u'F' ? c - u'A' + 10
                                                       : -1;
    if (digit < 0) return false;
    if (value > (std::numeric_limits<uint64_t>::max() - digit) / base) return false;
    value = value * base + digit;
  }
  if (value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return false;
  out = negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
  return true;
}

HRESULT DoubleToInt64(double d, int64_t& out) {
  if (!std::isfinite(d) || d < -9.2e18 || d > 9.2e18) return DISP_E_OVERFLOW;
  out = static_cast<int64_t>(std::nearbyint(d));
  return S_OK;
}

}  // namespace

BSTR AllocBstr(std::u16string_view text) {
  if (text.size() > (std::numeric_limits<uint32_t>::max() - 8) / 2) return nullptr;
  const size_t bytes = text.size() * sizeof(char16_t);
  auto* block = static_cast<unsigned char*>(std::malloc(sizeof(uint32_t) + bytes + sizeof(char16_t)));
  if (!block) return nullptr;
  const uint32_t length = static_cast<uint32_t>(bytes);
  std::memcpy(block, &length, sizeof length);
  auto* chars = reinterpret_cast<OLECHAR*>(block + sizeof(uint32_t));
  if (bytes) std::memcpy(chars, text.data(), bytes);
  chars[text.size()] = 0;
  return chars;
}

void FreeBstr(BSTR text) {
  if (text) std::free(reinterpret_cast<unsigned char*>(text) - sizeof(uint32_t));
}

uint32_t BstrLength(BSTR text) {
  if (!text) return 0;
  uint32_t bytes;
  std::memcpy(&bytes, reinterpret_cast<unsigned char*>(text) - sizeof(uint32_t), sizeof bytes);
  return bytes / sizeof(char16_t);
}

std::u16string_view BstrView(BSTR text) { return text ? std::u16string_view(text, BstrLength(text)) : u""; }

void InitVariant(VARIANT& value) { std::memset(&value, 0, sizeof value); }

HRESULT ClearVariant(VARIANT& value) {
  switch (value.vt) {
    case VT_BSTR: FreeBstr(value.bstrVal); break;
    case VT_DISPATCH:
      if (value.pdispVal) value.pdispVal->lpVtbl->Release(value.pdispVal);
      break;
    case VT_UNKNOWN:
      if (value.punkVal) value.punkVal->lpVtbl->Release(value.punkVal);
      break;
    default: break;
  }
  InitVariant(value);
  return S_OK;
}

HRESULT VariantToInt64(const VARIANT& value, int64_t& out) {
  VARIANT scratch;
  const VARIANT& v = *Deref(value, scratch);
  switch (v.vt) {
    case VT_EMPTY: out = 0; return S_OK;
    case VT_I1: out = v.cVal; return S_OK;
    case VT_UI1: out = v.bVal; return S_OK;
    case VT_I2: out = v.iVal; return S_OK;
    case VT_UI2: out = v.uiVal; return S_OK;
    case VT_I4: case VT_INT: out = v.lVal; return S_OK;
    case VT_UI4: case VT_UINT: out = v.ulVal; return S_OK;
    case VT_I8: out = v.llVal; return S_OK;
    case VT_UI8:
      if (v.ullVal > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return DISP_E_OVERFLOW;
      out = static_cast<int64_t>(v.ullVal);
      return S_OK;
    case VT_BOOL: out = v.boolVal ? -1 : 0; return S_OK;
    case VT_R4: return DoubleToInt64(v.fltVal, out);
    case VT_R8: return DoubleToInt64(v.dblVal, out);
    case VT_CY: return DoubleToInt64(static_cast<double>(v.cyVal.int64) / 10000.0, out);
    case VT_BSTR: return ParseInteger(BstrView(v.bstrVal), out) ? S_OK : DISP_E_TYPEMISMATCH;
    default: return DISP_E_TYPEMISMATCH;
  }
}

HRESULT VariantToBool(const VARIANT& value, bool& out) {
  VARIANT scratch;
  const VARIANT& v = *Deref(value, scratch);
  if (v.vt == VT_BSTR) {
    std::u16string_view text = BstrView(v.bstrVal);
    if (SameName(text, "true")) return out = true, S_OK;
    if (SameName(text, "false")) return out = false, S_OK;
  }
  if (v.vt == VT_R4 || v.vt == VT_R8) return out = (v.vt == VT_R4 ? v.fltVal : v.dblVal) != 0, S_OK;
  int64_t n = 0;
  HRESULT hr = VariantToInt64(v, n);
  if (FAILED(hr)) return hr == DISP_E_OVERFLOW ? (out = true, S_OK) : hr;
  out = n != 0;
  return S_OK;
}

HRESULT VariantToInt32(const VARIANT& value, int32_t& out) {
  int64_t n = 0;
  HRESULT hr = VariantToInt64(value, n);
  if (FAILED(hr)) return hr;
  if (n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<int32_t>::max()) return DISP_E_OVERFLOW;
  out = static_cast<int32_t>(n);
  return S_OK;
}

HRESULT VariantToUInt32(const VARIANT& value, uint32_t& out) {
  int64_t n = 0;
  HRESULT hr = VariantToInt64(value, n);
  if (FAILED(hr)) return hr;
  if (n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<uint32_t>::max()) return DISP_E_OVERFLOW;
  out = static_cast<uint32_t>(n);
  return S_OK;
}

HRESULT VariantToText(const VARIANT& value, std::u16string& out) {
  VARIANT scratch;
  const VARIANT& v = *Deref(value, scratch);
  if (v.vt == VT_BSTR) {
    out = std::u16string(BstrView(v.bstrVal));
    return S_OK;
  }
  if (v.vt == VT_BOOL) {
    out = v.boolVal ? u"True" : u"False";
    return S_OK;
  }
  int64_t n = 0;
  if (v.vt == VT_R4 || v.vt == VT_R8 || v.vt == VT_CY || FAILED(VariantToInt64(v, n))) return DISP_E_TYPEMISMATCH;
  std::string digits = std::to_string(n);
  out.assign(digits.begin(), digits.end());
  return S_OK;
}

HRESULT VariantToDispatch(const VARIANT& value, IDispatch*& out) {
  VARIANT scratch;
  const VARIANT& v = *Deref(value, scratch);
  if (v.vt == VT_DISPATCH && v.pdispVal) {
    out = v.pdispVal;
    return S_OK;
  }
  if (v.vt == VT_UNKNOWN && v.punkVal) {
    void* dispatch = nullptr;
    if (FAILED(v.punkVal->lpVtbl->QueryInterface(v.punkVal, &IID_IDispatch, &dispatch))) return DISP_E_TYPEMISMATCH;
    out = static_cast<IDispatch*>(dispatch);
    out->lpVtbl->Release(out);  // borrowed: the argument keeps it alive
    return S_OK;
  }
  return DISP_E_TYPEMISMATCH;
}

}  // namespace lf::com
