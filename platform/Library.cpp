// platform/Library.cpp: loads shared libraries named as Windows DLLs: "X.DLL" is the
// shared object "X.so", found without regard to case like the Windows loader finds it.
#include "platform/Library.h"

#include <dlfcn.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstdio>
#include <new>
#include <string>

#include "platform/Files.h"
#include "platform/NoThrow.h"

namespace platform {

struct LibraryState {
    void* handle;
};

namespace {

constexpr const char kDllSuffix[] = ".dll";
constexpr size_t kDllSuffixLength = sizeof kDllSuffix - 1;

thread_local char lastError[512] = "";

void RememberError(const char* text) {
    snprintf(lastError, sizeof lastError, "%s", text != nullptr ? text : "unknown loader error");
}

bool EntryExists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

bool EndsWithDll(const std::string& name) {
    return name.size() >= kDllSuffixLength &&
           strcasecmp(name.c_str() + name.size() - kDllSuffixLength, kDllSuffix) == 0;
}

// dlopen searches the library path for a bare name but never the current directory,
// where LoadLibrary looks first; a name found there is handed over as "./name".
std::string AsLoadable(const std::string& hostPath) {
    if (hostPath.find('/') == std::string::npos && EntryExists(hostPath)) return "./" + hostPath;
    return hostPath;
}

// The file dlopen is to load for a Windows library name: the ".so" namesake of a ".DLL"
// when there is one, else the name itself (which may be an ELF file called ".DLL").
std::string LibraryFile(const char* path) {
    std::string name = path;
    if (!EndsWithDll(name)) return AsLoadable(HostPath(path));
    std::string asOriginal = HostPath(path);
    name.replace(name.size() - kDllSuffixLength, kDllSuffixLength, ".so");
    std::string asShared = HostPath(name.c_str());
    if (!EntryExists(asShared) && EntryExists(asOriginal)) return AsLoadable(asOriginal);
    return AsLoadable(asShared);
}

Library Load(const char* path) {
    std::string file = LibraryFile(path);
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        RememberError(dlerror());
        return nullptr;
    }
    Library library = new (std::nothrow) LibraryState{handle};
    if (library == nullptr) {
        dlclose(handle);
        RememberError("out of memory");
    }
    return library;
}

}  // namespace

Library LibraryLoad(const char* path) {
    if (path == nullptr || *path == '\0') {
        RememberError("no library name given");
        return nullptr;
    }
    return NoThrow<Library>(nullptr, [&] { return Load(path); });
}

void* LibraryEntry(Library library, const char* name) {
    if (library == nullptr || name == nullptr) return nullptr;
    return dlsym(library->handle, name);
}

void LibraryUnload(Library library) {
    if (library == nullptr) return;
    dlclose(library->handle);
    delete library;
}

const char* LibraryLastError() {
    return lastError;
}

}  // namespace platform

// The C++ run-time's own registration, with this library's handle: the handlers of a
// handle run, newest first, when that library is unloaded or at exit.
extern "C" int __cxa_atexit(void (*callback)(void*), void* argument, void* dsoHandle);
extern "C" void* __dso_handle;

namespace platform {

void RunAtLibraryUnload(void (*callback)(void*), void* argument) {
    (void)__cxa_atexit(callback, argument, &__dso_handle);
}

}  // namespace platform
