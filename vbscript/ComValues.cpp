// vbscript/ComValues.cpp: UTF-8 text inside the engine, UTF-16 strings outside; Variant
// subtypes map one to one onto VARIANT types.
#include "vbscript/ComValues.h"

#include <vector>

#include "vbscript/Errors.h"
#include "vbscript/ObjectDispatch.h"
#include "vbscript/WideText.h"

namespace vbscript {

using namespace platform;

std::string Narrow(const OLECHAR* text) {
    if (text == nullptr) return std::string();
    size_t length = 0;
    while (text[length] != 0) ++length;
    return FromWide(text, length);
}

std::wstring Widen(const std::string& text) {
    return ToWide(text);
}

BSTR NewBstr(const std::string& text) {
    std::wstring wide = Widen(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

namespace {

// Arrays inside arrays are converted by recursion, so their nesting is bounded.
constexpr int kMaxNesting = 64;

HRESULT ToVariantAt(const Value& value, VARIANT* out, ObjectHost* host, int depth);

HRESULT ArrayToVariant(const ArrayData& array, VARIANT* out, ObjectHost* host, int depth) {
    if (depth >= kMaxNesting) return DISP_E_TYPEMISMATCH;
    std::vector<SAFEARRAYBOUND> bounds;
    for (int32_t upper : array.upper)
        bounds.push_back(SAFEARRAYBOUND{static_cast<ULONG>(upper + 1), 0});
    if (bounds.empty()) bounds.push_back(SAFEARRAYBOUND{0, 0});  // never dimensioned
    SAFEARRAY* safe = SafeArrayCreate(VT_VARIANT, static_cast<UINT>(bounds.size()), bounds.data());
    if (safe == nullptr) return E_OUTOFMEMORY;
    // The element orders agree: the leftmost index varies fastest in both.
    auto* elements = static_cast<VARIANT*>(safe->pvData);
    for (size_t i = 0; i < array.items.size(); ++i) {
        HRESULT hr = ToVariantAt(array.items[i], &elements[i], host, depth + 1);
        if (FAILED(hr)) {
            SafeArrayDestroy(safe);
            return hr;
        }
    }
    out->vt = VT_ARRAY | VT_VARIANT;
    out->parray = safe;
    return S_OK;
}

Value ArrayFromVariant(const SAFEARRAY* safe, int depth) {
    if (depth >= kMaxNesting || safe == nullptr) ThrowRuntime(kErrTypeMismatch);
    std::vector<int32_t> upper;
    for (int d = safe->cDims - 1; d >= 0; --d)
        upper.push_back(static_cast<int32_t>(safe->rgsabound[d].cElements) - 1);
    Value v;
    v.kind = Kind::Array;
    v.arr = NewArray(upper);
    const auto* elements = static_cast<const VARIANT*>(safe->pvData);
    for (size_t i = 0; i < v.arr->items.size(); ++i) {
        const VARIANT& element = elements[i];
        v.arr->items[i] = element.vt == (VT_ARRAY | VT_VARIANT)
                              ? ArrayFromVariant(element.parray, depth + 1)
                              : FromVariant(element);
    }
    return v;
}

}  // namespace

HRESULT ToVariant(const Value& value, VARIANT* out, ObjectHost* host) {
    return ToVariantAt(value, out, host, 0);
}

namespace {

HRESULT ToVariantAt(const Value& value, VARIANT* out, ObjectHost* host, int depth) {
    VariantInit(out);
    switch (value.kind) {
        case Kind::Empty:
            break;
        case Kind::Null:
            out->vt = VT_NULL;
            break;
        case Kind::Integer:
            out->vt = VT_I2;
            out->iVal = static_cast<SHORT>(value.i);
            break;
        case Kind::Long:
            out->vt = VT_I4;
            out->lVal = static_cast<LONG>(value.i);
            break;
        case Kind::Byte:
            out->vt = VT_UI1;
            out->bVal = static_cast<BYTE>(value.i);
            break;
        case Kind::Boolean:
            out->vt = VT_BOOL;
            out->boolVal = value.i != 0 ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case Kind::Single:
            out->vt = VT_R4;
            out->fltVal = static_cast<FLOAT>(value.d);
            break;
        case Kind::Double:
            out->vt = VT_R8;
            out->dblVal = value.d;
            break;
        case Kind::Date:
            out->vt = VT_DATE;
            out->date = value.d;
            break;
        case Kind::Currency:
            out->vt = VT_CY;
            out->cyVal.int64 = value.i;
            break;
        case Kind::String:
            out->bstrVal = NewBstr(value.s);
            if (out->bstrVal == nullptr) return E_OUTOFMEMORY;
            out->vt = VT_BSTR;
            break;
        case Kind::Array:
            if (!value.arr) return DISP_E_TYPEMISMATCH;
            return ArrayToVariant(*value.arr, out, host, depth);
        case Kind::Object:
            if (!value.obj) {  // Nothing
                out->vt = VT_DISPATCH;
                break;
            }
            if (host == nullptr) return DISP_E_TYPEMISMATCH;
            out->pdispVal = NewObjectDispatch(host, value.obj);
            if (out->pdispVal == nullptr) return E_OUTOFMEMORY;
            out->vt = VT_DISPATCH;
            break;
    }
    return S_OK;
}

}  // namespace

Value FromVariant(const VARIANT& variant) {
    const VARIANT& v = (variant.vt == (VT_VARIANT | VT_BYREF) && variant.pvarVal != nullptr)
                           ? *variant.pvarVal
                           : variant;
    switch (v.vt) {
        case VT_EMPTY:
            return Value();
        case VT_NULL:
            return Value::Null();
        case VT_I2:
            return Value::Integer(v.iVal);
        case VT_I4:
        case VT_INT:
            return Value::Long(v.lVal);
        case VT_UI1:
            return Value::Byte(v.bVal);
        case VT_BOOL:
            return Value::Bool(v.boolVal != 0);
        case VT_R4:
            return Value::Single(v.fltVal);
        case VT_R8:
            return Value::Double(v.dblVal);
        case VT_DATE:
            return Value::Date(v.date);
        case VT_CY:
            return Value::Currency(v.cyVal.int64);
        case VT_BSTR:
            return Value::String(Narrow(v.bstrVal));
        case VT_ARRAY | VT_VARIANT:
            return ArrayFromVariant(v.parray, 0);
        case VT_DISPATCH: {
            if (v.pdispVal == nullptr) return Value::Nothing();
            std::shared_ptr<Object> object = ObjectBehind(v.pdispVal);
            if (!object) ThrowRuntime(kErrTypeMismatch);
            return Value::ObjectRef(std::move(object));
        }
        default:
            ThrowRuntime(kErrTypeMismatch);
    }
}

}  // namespace vbscript
