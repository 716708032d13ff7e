// platform/win32/WinApi.h: <windows.h> for the Win32 platform files, without the macros
// that would rename this layer's own functions of the same name (ReportEvent becoming
// ReportEventA in one file and not in the next).
#pragma once

// platform/Com.h names the calling convention for the other platforms; the system's
// definition is the one that counts here.
#undef STDMETHODCALLTYPE

#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#undef ReportEvent
#undef RegisterEventSource
#undef OutputDebugString
#undef GetClassInfo
#undef CreateEvent
#undef CreateMutex

namespace platform {
// Windows Sockets must be started once in the process before any call; true once they are.
bool SocketsStarted();
}  // namespace platform
