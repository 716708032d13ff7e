// platform/ComVariant.cpp: system strings and variants, as OLEAUT32 provides them.
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "platform/Com.h"

namespace platform {
namespace {

// The length (in bytes, as Windows keeps it) sits just before the characters; the block
// starts one 8-byte header earlier so that the characters stay aligned.
constexpr size_t kHeader = 8;

uint32_t* LengthSlot(BSTR text) {
    return reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(text) - sizeof(uint32_t));
}

}  // namespace

bool IsEqualGUID(REFGUID a, REFGUID b) {
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    char* block = static_cast<char*>(std::malloc(kHeader + (length + 1) * sizeof(OLECHAR)));
    if (block == nullptr) return nullptr;
    BSTR result = reinterpret_cast<BSTR>(block + kHeader);
    *LengthSlot(result) = static_cast<uint32_t>(length * sizeof(OLECHAR));
    if (text != nullptr) {
        std::memcpy(result, text, length * sizeof(OLECHAR));
    } else {
        std::memset(result, 0, length * sizeof(OLECHAR));
    }
    result[length] = 0;
    return result;
}

BSTR SysAllocString(const OLECHAR* text) {
    if (text == nullptr) return nullptr;
    return SysAllocStringLen(text, static_cast<UINT>(std::wcslen(text)));
}

void SysFreeString(BSTR text) {
    if (text != nullptr) std::free(reinterpret_cast<char*>(text) - kHeader);
}

UINT SysStringLen(BSTR text) {
    return text == nullptr ? 0 : *LengthSlot(text) / sizeof(OLECHAR);
}

void VariantInit(VARIANTARG* variant) {
    std::memset(variant, 0, sizeof(VARIANT));
    variant->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* variant) {
    if (variant == nullptr) return E_INVALIDARG;
    if ((variant->vt & (VT_ARRAY | VT_BYREF)) == VT_ARRAY) {
        SafeArrayDestroy(variant->parray);
        VariantInit(variant);
        return S_OK;
    }
    switch (variant->vt) {
        case VT_BSTR:
            SysFreeString(variant->bstrVal);
            break;
        case VT_DISPATCH:
        case VT_UNKNOWN:
            if (variant->punkVal != nullptr) variant->punkVal->Release();
            break;
        default:
            break;
    }
    VariantInit(variant);
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG* destination, const VARIANTARG* source) {
    if (destination == nullptr || source == nullptr) return E_INVALIDARG;
    if (destination == source) return S_OK;
    VariantClear(destination);
    *destination = *source;
    if ((source->vt & (VT_ARRAY | VT_BYREF)) == VT_ARRAY) {
        HRESULT hr = SafeArrayCopy(source->parray, &destination->parray);
        if (FAILED(hr)) VariantInit(destination);
        return hr;
    }
    if (source->vt == VT_BSTR && source->bstrVal != nullptr) {
        destination->bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
        if (destination->bstrVal == nullptr) {
            VariantInit(destination);
            return E_OUTOFMEMORY;
        }
    } else if ((source->vt == VT_DISPATCH || source->vt == VT_UNKNOWN) &&
               source->punkVal != nullptr) {
        source->punkVal->AddRef();
    }
    return S_OK;
}

}  // namespace platform
