// platform/ComSafeArray.cpp: safe arrays of VARIANTs, as OLEAUT32 provides them.
#include <cstdlib>
#include <cstring>

#include "platform/Com.h"

namespace platform {
namespace {

size_t ElementCount(const SAFEARRAY* array) {
    size_t count = 1;
    for (USHORT d = 0; d < array->cDims; ++d) count *= array->rgsabound[d].cElements;
    return count;
}

VARIANT* Elements(const SAFEARRAY* array) {
    return static_cast<VARIANT*>(array->pvData);
}

// The offset of an element; indices and bounds both run rightmost dimension first, and the
// leftmost index varies fastest.
bool Offset(const SAFEARRAY* array, const LONG* indices, size_t* offset) {
    size_t at = 0, stride = 1;
    for (int d = array->cDims - 1; d >= 0; --d) {
        const SAFEARRAYBOUND& bound = array->rgsabound[d];
        int64_t index = static_cast<int64_t>(indices[d]) - bound.lLbound;
        if (index < 0 || index >= static_cast<int64_t>(bound.cElements)) return false;
        at += static_cast<size_t>(index) * stride;
        stride *= bound.cElements;
    }
    *offset = at;
    return true;
}

SAFEARRAY* Allocate(UINT dims) {
    size_t size = sizeof(SAFEARRAY) + (dims > 1 ? dims - 1 : 0) * sizeof(SAFEARRAYBOUND);
    auto* array = static_cast<SAFEARRAY*>(std::calloc(1, size));
    if (array == nullptr) return nullptr;
    array->cDims = static_cast<USHORT>(dims);
    array->cbElements = sizeof(VARIANT);
    return array;
}

}  // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, SAFEARRAYBOUND* bounds) {
    if (vt != VT_VARIANT || dims == 0 || dims > 60 || bounds == nullptr) return nullptr;
    SAFEARRAY* array = Allocate(dims);
    if (array == nullptr) return nullptr;
    for (UINT d = 0; d < dims; ++d) array->rgsabound[dims - 1 - d] = bounds[d];
    size_t count = ElementCount(array);
    array->pvData = std::calloc(count == 0 ? 1 : count, sizeof(VARIANT));
    if (array->pvData == nullptr) {
        std::free(array);
        return nullptr;
    }
    for (size_t i = 0; i < count; ++i) VariantInit(&Elements(array)[i]);
    return array;
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
    if (array == nullptr) return S_OK;
    size_t count = ElementCount(array);
    for (size_t i = 0; i < count; ++i) VariantClear(&Elements(array)[i]);
    std::free(array->pvData);
    std::free(array);
    return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* source, SAFEARRAY** copy) {
    if (copy == nullptr) return E_INVALIDARG;
    *copy = nullptr;
    if (source == nullptr) return S_OK;
    SAFEARRAY* array = Allocate(source->cDims);
    if (array == nullptr) return E_OUTOFMEMORY;
    std::memcpy(array->rgsabound, source->rgsabound, source->cDims * sizeof(SAFEARRAYBOUND));
    size_t count = ElementCount(source);
    array->pvData = std::calloc(count == 0 ? 1 : count, sizeof(VARIANT));
    if (array->pvData == nullptr) {
        std::free(array);
        return E_OUTOFMEMORY;
    }
    for (size_t i = 0; i < count; ++i) {
        VariantInit(&Elements(array)[i]);
        if (FAILED(VariantCopy(&Elements(array)[i], &Elements(source)[i]))) {
            SafeArrayDestroy(array);
            return E_OUTOFMEMORY;
        }
    }
    *copy = array;
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* array) {
    return array == nullptr ? 0 : array->cDims;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* bound) {
    if (array == nullptr || bound == nullptr) return E_INVALIDARG;
    if (dim < 1 || dim > array->cDims) return DISP_E_BADINDEX;
    *bound = array->rgsabound[array->cDims - dim].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* bound) {
    if (array == nullptr || bound == nullptr) return E_INVALIDARG;
    if (dim < 1 || dim > array->cDims) return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& b = array->rgsabound[array->cDims - dim];
    *bound = static_cast<LONG>(b.lLbound + static_cast<int64_t>(b.cElements) - 1);
    return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* array, LONG* indices, void* element) {
    if (array == nullptr || indices == nullptr || element == nullptr) return E_INVALIDARG;
    size_t at = 0;
    if (!Offset(array, indices, &at)) return DISP_E_BADINDEX;
    auto* out = static_cast<VARIANT*>(element);
    VariantInit(out);
    return VariantCopy(out, &Elements(array)[at]);
}

HRESULT SafeArrayPutElement(SAFEARRAY* array, LONG* indices, void* element) {
    if (array == nullptr || indices == nullptr || element == nullptr) return E_INVALIDARG;
    size_t at = 0;
    if (!Offset(array, indices, &at)) return DISP_E_BADINDEX;
    return VariantCopy(&Elements(array)[at], static_cast<const VARIANT*>(element));
}

}  // namespace platform
