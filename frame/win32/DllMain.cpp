// frame/win32/DllMain.cpp: the DLL's entry point. The load and the unload run on process
// attach and detach, as the MTA expects of its plug-in.
//
// On a detach because the whole process ends (reserved is non-null) the other threads are
// already gone and may have held locks the teardown would wait for: the system reclaims
// everything anyway, so only the log is flushed by the C runtime then.
#include <windows.h>

#include "frame/Lifecycle.h"

BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID reserved) {
    try {
        if (reason == DLL_PROCESS_ATTACH) {
            // Loading never fails: a plug-in that could not initialise filters nothing.
            InitializePlugin();
        } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
            TeardownPlugin();
        }
    } catch (...) {
    }
    return TRUE;
}
