// vbscript/ComValues.h: crossings between the engine and COM: text between UTF-8 and
// OLECHAR strings, and script values to and from VARIANTs.
#pragma once

#include <string>

#include "platform/Com.h"
#include "vbscript/Value.h"

namespace vbscript {

std::string Narrow(const platform::OLECHAR* text);
std::wstring Widen(const std::string& text);
platform::BSTR NewBstr(const std::string& text);

class ObjectHost;

// QueryInterface of an object with one interface: `self` with one more reference when the
// interface asked for is among those it answers to, else E_NOINTERFACE.
template <class Interface>
platform::HRESULT OfferInterface(bool answers, Interface* self, void** out) {
    if (out == nullptr) return platform::E_POINTER;
    if (!answers) {
        *out = nullptr;
        return platform::E_NOINTERFACE;
    }
    *out = self;
    self->AddRef();
    return platform::S_OK;
}

// A script value as the VARIANT a host receives (Integer as VT_I2, Long as VT_I4, Boolean as
// VT_BOOL, Double as VT_R8, String as VT_BSTR, an array as VT_ARRAY | VT_VARIANT, an object
// as VT_DISPATCH calling back through `host`). Without a host, objects give
// DISP_E_TYPEMISMATCH; so do arrays nested deeper than the host could walk.
platform::HRESULT ToVariant(const Value& value, platform::VARIANT* out, ObjectHost* host = nullptr);
// A host's argument as a script value: the basic types, arrays of VARIANTs and objects this
// engine handed out; Type mismatch for the others.
Value FromVariant(const platform::VARIANT& variant);

}  // namespace vbscript
