// platform/win32/Library.cpp: DLLs loaded with LoadLibraryEx, their entry points found
// with GetProcAddress.
#include "platform/Library.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

#include "platform/win32/WinApi.h"

namespace platform {

struct LibraryState {
    HMODULE module;
};

namespace {

thread_local char lastError[512] = "";

void RememberSystemError(const char* path) {
    const DWORD code = GetLastError();
    char text[400] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                   text, sizeof text, nullptr);
    size_t length = strnlen(text, sizeof text);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) text[--length] = 0;
    snprintf(lastError, sizeof lastError, "%s: error %lu: %s", path,
             static_cast<unsigned long>(code), text);
}

bool HasDirectory(const char* path) {
    return strpbrk(path, "\\/:") != nullptr;
}

}  // namespace

Library LibraryLoad(const char* path) {
    if (path == nullptr || *path == '\0') return nullptr;
    // A library named with its folder finds its own dependencies in that folder first.
    const DWORD flags = HasDirectory(path) ? LOAD_WITH_ALTERED_SEARCH_PATH : 0;
    // A missing dependency must fail the load, not stop the service for a message box.
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryExA(path, nullptr, flags);
    SetErrorMode(oldMode);
    if (module == nullptr) {
        RememberSystemError(path);
        return nullptr;
    }
    Library library = new (std::nothrow) LibraryState{module};
    if (library == nullptr) FreeLibrary(module);
    return library;
}

void* LibraryEntry(Library library, const char* name) {
    if (library == nullptr || name == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(library->module, name));
}

void LibraryUnload(Library library) {
    if (library == nullptr) return;
    FreeLibrary(library->module);
    delete library;
}

const char* LibraryLastError() {
    return lastError;
}

namespace {

struct UnloadHandler {
    void (*callback)(void*);
    void* argument;
};

std::mutex unloadLock;
std::vector<UnloadHandler>* unloadHandlers = nullptr;

void RunUnloadHandlers() {
    std::vector<UnloadHandler>* handlers = nullptr;
    {
        std::lock_guard<std::mutex> hold(unloadLock);
        std::swap(handlers, unloadHandlers);
    }
    if (handlers == nullptr) return;
    for (auto it = handlers->rbegin(); it != handlers->rend(); ++it) it->callback(it->argument);
    delete handlers;
}

}  // namespace

// The C runtime linked into a DLL runs its atexit handlers when that DLL is unloaded
// (or at exit), newest first.
void RunAtLibraryUnload(void (*callback)(void*), void* argument) {
    std::lock_guard<std::mutex> hold(unloadLock);
    if (unloadHandlers == nullptr) {
        unloadHandlers = new (std::nothrow) std::vector<UnloadHandler>();
        if (unloadHandlers == nullptr) return;
        atexit(RunUnloadHandlers);
    }
    unloadHandlers->push_back({callback, argument});
}

}  // namespace platform
