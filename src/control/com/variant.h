// BSTR and VARIANT helpers of the component layer: allocation, clearing,
// and the coercions Invoke applies to its arguments.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "lumenfoldi/lumenfoldiProj1.h"

namespace lf::com {

// A BSTR is malloc'ed: a 32-bit byte length, the text, a 16-bit zero.
// Null when memory runs out.
BSTR AllocBstr(std::u16string_view text);
void FreeBstr(BSTR text);
uint32_t BstrLength(BSTR text);
std::u16string_view BstrView(BSTR text);

void InitVariant(VARIANT& value);
// Frees what the variant owns (a BSTR, a reference) and makes it empty.
HRESULT ClearVariant(VARIANT& value);

// An argument as the type a member wants. Follows VT_BYREF and
// VT_VARIANT|VT_BYREF; returns DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW.
// Texts read as booleans ("true", "false", a number) and numbers (decimal,
// or hexadecimal after 0x).
HRESULT VariantToBool(const VARIANT& value, bool& out);
HRESULT VariantToInt64(const VARIANT& value, int64_t& out);
HRESULT VariantToInt32(const VARIANT& value, int32_t& out);
// Any value from INT32_MIN to UINT32_MAX (colours are written both ways).
HRESULT VariantToUInt32(const VARIANT& value, uint32_t& out);
HRESULT VariantToText(const VARIANT& value, std::u16string& out);
// An interface argument (not AddRef'ed); null is a type mismatch.
HRESULT VariantToDispatch(const VARIANT& value, IDispatch*& out);

}  // namespace lf::com
