// platform/win32/ComClasses.cpp: apartments and class creation are the system's; the
// script engine is whichever one the system has registered for "VBScript".
#include "platform/Com.h"
#include "platform/win32/SystemCom.h"

namespace platform {

HRESULT CoInitializeEx(void* reserved, DWORD coInit) {
    return system::CoInitializeEx(reserved, coInit);
}

void CoUninitialize() {
    system::CoUninitialize();
}

// The system's class registry is the one consulted here: nothing to add to it.
void RegisterComClass(const char* /*progId*/, REFCLSID /*clsid*/, ComClassFactory /*factory*/) {}

HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid) {
    if (progId == nullptr || clsid == nullptr) return E_INVALIDARG;
    return system::CLSIDFromProgID(progId, clsid);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid,
                         void** object) {
    if (object == nullptr) return E_POINTER;
    return system::CoCreateInstance(clsid, outer, context, riid, object);
}

}  // namespace platform
