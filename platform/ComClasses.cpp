// platform/ComClasses.cpp: per-thread COM start and stop, and the registry of creatable
// classes that CLSIDFromProgID and CoCreateInstance consult.
#include <cctype>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Com.h"

namespace platform {
namespace {

struct ClassEntry {
    std::string progId;  // lower case
    CLSID clsid;
    ComClassFactory factory;
};

// Registration happens at start-up or from the engine library's own registration call;
// lookups come from any thread, so the list is guarded.
std::mutex& ClassLock() {
    static std::mutex lock;
    return lock;
}

std::vector<ClassEntry>& Classes() {
    static std::vector<ClassEntry> classes;
    return classes;
}

thread_local int tApartmentStarts = 0;

std::string LowerAscii(const char* text) {
    std::string result;
    for (; *text != '\0'; ++text)
        result += static_cast<char>(std::tolower(static_cast<unsigned char>(*text)));
    return result;
}

// Program identifiers are ASCII; any other character makes the name unknown.
bool NarrowProgId(LPCOLESTR progId, std::string* narrow) {
    for (; *progId != 0; ++progId) {
        if (static_cast<uint32_t>(*progId) > 0x7F) return false;
        *narrow += static_cast<char>(std::tolower(static_cast<int>(*progId)));
    }
    return true;
}

}  // namespace

HRESULT CoInitializeEx(void* /*reserved*/, DWORD /*coInit*/) {
    return tApartmentStarts++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (tApartmentStarts > 0) --tApartmentStarts;
}

void RegisterComClass(const char* progId, REFCLSID clsid, ComClassFactory factory) {
    std::lock_guard<std::mutex> guard(ClassLock());
    std::string name = LowerAscii(progId);
    for (ClassEntry& entry : Classes()) {
        if (entry.progId == name) {
            entry.clsid = clsid;
            entry.factory = factory;
            return;
        }
    }
    Classes().push_back({name, clsid, factory});
}

HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid) {
    if (progId == nullptr || clsid == nullptr) return E_INVALIDARG;
    std::string name;
    if (!NarrowProgId(progId, &name)) return CO_E_CLASSSTRING;
    std::lock_guard<std::mutex> guard(ClassLock());
    for (const ClassEntry& entry : Classes()) {
        if (entry.progId == name) {
            *clsid = entry.clsid;
            return S_OK;
        }
    }
    return CO_E_CLASSSTRING;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD /*context*/, REFIID riid,
                         void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (tApartmentStarts == 0) return CO_E_NOTINITIALIZED;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    ComClassFactory factory = nullptr;
    {
        std::lock_guard<std::mutex> guard(ClassLock());
        for (const ClassEntry& entry : Classes())
            if (entry.clsid == clsid) factory = entry.factory;
    }
    if (factory == nullptr) return REGDB_E_CLASSNOTREG;
    return factory(riid, object);
}

}  // namespace platform
