// providers/StoreLibrary.h: the mail store's provider library (QPAISP.DLL), which the
// plug-in loads and starts so that the store's caches are there for folder deliveries.
#pragma once

#include "platform/Library.h"

// Loads the store library from the provider directory into `*handle` and resolves its
// entry points. Returns 1 when it is loaded (now or before), 0 when it cannot be.
int LoadStoreLibrary(platform::Library* handle);

// Loads the library and calls StoreLibrary_Init when it has one.
void StartStoreLibrary();

// Calls StoreLibrary_UnInit when present, unloads the library and forgets its handle.
void StopStoreLibrary();

// The process's store library handle (null when not loaded).
platform::Library StoreLibraryHandle();
