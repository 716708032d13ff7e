// frame/LibraryMain.cpp: the library's load and unload hooks, which stand in for the
// process attach and detach of the Windows entry point.
//
// The load runs from the library's constructor, which may come before the library's own
// C++ globals are built; whatever the load and unload touch is therefore built on first
// use. The unload does not run from the library's destructor: a host that exits without
// unloading the library runs that destructor after the C++ runtime has destroyed the
// library's globals and finalised the providers it loaded. It is registered instead as
// an exit handler of this library once the load is done. Such handlers run in reverse
// order of registration, both when the process exits and when the library is unloaded,
// so the unload comes before the destruction of anything the load built.
#include "frame/Lifecycle.h"
#include "platform/Library.h"

namespace {

void OnProcessDetach(void*) {
    try {
        TeardownPlugin();
    } catch (...) {
    }
}

__attribute__((constructor)) void OnProcessAttach() {
    try {
        InitializePlugin();
    } catch (...) {
        // Loading never fails: a plug-in that could not initialise filters nothing.
    }
    // Bound to this library: runs when it is unloaded or, failing that, at exit.
    platform::RunAtLibraryUnload(OnProcessDetach, nullptr);
}

}  // namespace
