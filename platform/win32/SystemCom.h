// platform/win32/SystemCom.h: the OLE32 and OLEAUT32 entry points behind platform/Com.h,
// declared in this layer's own types. <windows.h> cannot be used next to platform/Com.h,
// whose constants it defines as macros; the types agree in size and layout (see
// platform/win32/ComLayout.cpp), which is all that crosses into the system.
#pragma once

#include "platform/Com.h"

namespace platform::system {

using ::platform::BSTR;
using ::platform::HRESULT;

extern "C" {
HRESULT __stdcall CoInitializeEx(void* reserved, DWORD coInit);
void __stdcall CoUninitialize();
HRESULT __stdcall CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid);
HRESULT __stdcall CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid,
                                   void** object);
BSTR __stdcall SysAllocString(const OLECHAR* text);
BSTR __stdcall SysAllocStringLen(const OLECHAR* text, UINT length);
void __stdcall SysFreeString(BSTR text);
UINT __stdcall SysStringLen(BSTR text);
void __stdcall VariantInit(VARIANTARG* variant);
HRESULT __stdcall VariantClear(VARIANTARG* variant);
HRESULT __stdcall VariantCopy(VARIANTARG* destination, const VARIANTARG* source);
}

}  // namespace platform::system
