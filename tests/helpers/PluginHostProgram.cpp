// tests/helpers/PluginHostProgram.cpp: a host the plug-in tests start as a process of its
// own, for what only a whole process shows: loading the library with the C++ runtime
// in its load-time state, and exiting without unloading it, as a service returning
// from main does.
//
//   PluginHostProgram PLUGIN [MESSAGEID]
// loads PLUGIN, filters the message MESSAGEID of the SMTP connector when one is given,
// and returns from main with the library still loaded: 0 when all of that worked.
#include <cstdint>
#include <cstdio>

#include "platform/Library.h"

namespace {

constexpr int kUsageError = 64;

// Held past main on purpose: the library must stay loaded as the process exits, and a
// handle still reachable from a global is not reported as a leak by LeakSanitizer.
platform::Library g_plugin = nullptr;
using FilterExecuteFunction = int32_t (*)(const char*, const char*, const char*, intptr_t);

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s PLUGIN [MESSAGEID]\n", argv[0]);
        return kUsageError;
    }
    g_plugin = platform::LibraryLoad(argv[1]);
    if (g_plugin == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", argv[1], platform::LibraryLastError());
        return 2;
    }
    if (argc == 3) {
        auto execute = reinterpret_cast<FilterExecuteFunction>(
            platform::LibraryEntry(g_plugin, "FilterExecute"));
        if (execute == nullptr || execute("", argv[2], "SMTP", 0) != 1) return 3;
    }
    return 0;  // without unloading it
}
