// frame/LibraryMain.cpp: the library's load and unload hooks, which stand in for the
// process attach and detach of the Windows entry point.
#include "frame/Lifecycle.h"

namespace {

__attribute__((constructor)) void OnProcessAttach() {
    try {
        InitializePlugin();
    } catch (...) {
        // Loading never fails: a plug-in that could not initialise filters nothing.
    }
}

__attribute__((destructor)) void OnProcessDetach() {
    try {
        TeardownPlugin();
    } catch (...) {
    }
}

}  // namespace
