#include "platform/wmi_variant.h"

#include <oleauto.h>

#include "platform/text.h"

namespace sw {

namespace {

std::string TextOf(BSTR text) { return text != nullptr ? Narrow(text) : std::string(); }

}  // namespace

WmiValue ToWmiValue(const VARIANT& v) {
  switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL: return WmiValue::Null();
    case VT_BSTR: return WmiValue::Text(TextOf(v.bstrVal));
    case VT_I1: return WmiValue::Integer(v.cVal);
    case VT_UI1: return WmiValue::Integer(v.bVal);
    case VT_I2: return WmiValue::Integer(v.iVal);
    case VT_UI2: return WmiValue::Integer(v.uiVal);
    case VT_I4: return WmiValue::Integer(v.lVal);
    case VT_UI4: return WmiValue::Integer(v.ulVal);
    case VT_INT: return WmiValue::Integer(v.intVal);
    case VT_UINT: return WmiValue::Integer(v.uintVal);
    case VT_I8: return WmiValue::Integer(v.llVal);
    case VT_UI8: return WmiValue::Integer(static_cast<long long>(v.ullVal));
    default: break;
  }
  VARIANT text;
  VariantInit(&text);
  WmiValue value = WmiValue::Null();
  if (SUCCEEDED(VariantChangeType(&text, const_cast<VARIANT*>(&v), 0, VT_BSTR))) value = WmiValue::Text(TextOf(text.bstrVal));
  VariantClear(&text);
  return value;
}

}  // namespace sw
