// platform/win32/ComVariant.cpp: system strings and variants are OLEAUT32's own, since the
// script engine frees what this side allocates and the other way round.
#include <cstring>

#include "platform/Com.h"
#include "platform/win32/SystemCom.h"

namespace platform {

bool IsEqualGUID(REFGUID a, REFGUID b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    return system::SysAllocStringLen(text, length);
}

BSTR SysAllocString(const OLECHAR* text) {
    return system::SysAllocString(text);
}

void SysFreeString(BSTR text) {
    system::SysFreeString(text);
}

UINT SysStringLen(BSTR text) {
    return system::SysStringLen(text);
}

void VariantInit(VARIANTARG* variant) {
    system::VariantInit(variant);
}

HRESULT VariantClear(VARIANTARG* variant) {
    if (variant == nullptr) return E_INVALIDARG;
    return system::VariantClear(variant);
}

HRESULT VariantCopy(VARIANTARG* destination, const VARIANTARG* source) {
    if (destination == nullptr || source == nullptr) return E_INVALIDARG;
    return system::VariantCopy(destination, source);
}

}  // namespace platform
