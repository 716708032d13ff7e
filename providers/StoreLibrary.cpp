// providers/StoreLibrary.cpp: loading, starting and stopping the store provider library.
#include "providers/StoreLibrary.h"

#include <cstdint>

#include "base/Settings.h"
#include "providers/ProviderLibraries.h"

namespace {

using StoreEntry = int32_t (*)();

platform::Library storeLibrary = nullptr;
StoreEntry storeInit = nullptr;
StoreEntry storeUnInit = nullptr;

}  // namespace

int LoadStoreLibrary(platform::Library* handle) {
    if (*handle != nullptr) return 1;
    ReadProviderDirectory();
    char path[1100];
    ProviderPath("QPAISP.DLL", path, sizeof path);
    *handle = platform::LibraryLoad(path);
    if (*handle == nullptr) return 0;
    storeInit = reinterpret_cast<StoreEntry>(platform::LibraryEntry(*handle, "StoreLibrary_Init"));
    storeUnInit =
        reinterpret_cast<StoreEntry>(platform::LibraryEntry(*handle, "StoreLibrary_UnInit"));
    return 1;
}

void StartStoreLibrary() {
    if (LoadStoreLibrary(&storeLibrary) && storeInit != nullptr) storeInit();
}

void StopStoreLibrary() {
    if (storeLibrary == nullptr) return;
    if (storeUnInit != nullptr) storeUnInit();
    platform::LibraryUnload(storeLibrary);
    storeLibrary = nullptr;
    storeInit = nullptr;
    storeUnInit = nullptr;
}

platform::Library StoreLibraryHandle() {
    return storeLibrary;
}
