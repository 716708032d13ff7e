// platform/win32/SystemCom.h: the OLE32, OLEAUT32 and KERNEL32 (code page) entry points behind
// platform/Com.h, declared in this layer's own types. <windows.h> cannot be used next to
// platform/Com.h, whose constants it defines as macros; the types agree in size and layout (see
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
int __stdcall MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, int length,
                                  OLECHAR* destination, int capacity);
int __stdcall WideCharToMultiByte(UINT codePage, DWORD flags, const OLECHAR* text, int length,
                                  char* destination, int capacity, const char* defaultChar,
                                  BOOL* usedDefault);
}

}  // namespace platform::system
