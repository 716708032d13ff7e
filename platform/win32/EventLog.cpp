// platform/win32/EventLog.cpp: the Application event log and the debugger output.
#include "platform/EventLog.h"

#include <cstring>
#include <new>
#include <vector>

#include "platform/win32/WinApi.h"

namespace platform {

struct EventSourceState {
    HANDLE handle;
};

EventSource RegisterEventSource(const char* sourceName) {
    if (sourceName == nullptr || *sourceName == '\0') return nullptr;
    HANDLE handle = RegisterEventSourceA(nullptr, sourceName);
    if (handle == nullptr) return nullptr;
    EventSource source = new (std::nothrow) EventSourceState{handle};
    if (source == nullptr) ::DeregisterEventSource(handle);
    return source;
}

int ReportEvent(EventSource source, uint16_t type, uint16_t category, uint32_t eventId,
                const char* const* strings, int stringCount) {
    if (source == nullptr || stringCount < 0) return 0;
    try {
        std::vector<LPCSTR> texts(strings, strings + (strings != nullptr ? stringCount : 0));
        return ReportEventA(source->handle, type, category, eventId, nullptr,
                            static_cast<WORD>(texts.size()), 0, texts.data(), nullptr) != 0
                   ? 1
                   : 0;
    } catch (...) {
        return 0;
    }
}

void DeregisterEventSource(EventSource source) {
    if (source == nullptr) return;
    ::DeregisterEventSource(source->handle);
    delete source;
}

void OutputDebugString(const char* text) {
    if (text != nullptr) OutputDebugStringA(text);
}

uint32_t LastErrorCode() {
    return GetLastError();
}

void ErrorCodeText(uint32_t code, char* destination, size_t capacity) {
    if (destination == nullptr || capacity == 0) return;
    // FormatMessage writes nothing at all into a buffer too small for the whole text.
    char text[512] = "";
    size_t length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) --length;
    if (length > capacity - 1) length = capacity - 1;
    memcpy(destination, text, length);
    destination[length] = '\0';
}

}  // namespace platform
