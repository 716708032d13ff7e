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

// A script value as the VARIANT a host receives (Integer as VT_I2, Long as VT_I4, Boolean as
// VT_BOOL, Double as VT_R8, String as VT_BSTR, ...). Returns DISP_E_TYPEMISMATCH for objects
// and arrays, which do not leave the engine.
platform::HRESULT ToVariant(const Value& value, platform::VARIANT* out);
// A host's argument as a script value; Type mismatch for types the engine does not take.
Value FromVariant(const platform::VARIANT& variant);

}  // namespace vbscript
