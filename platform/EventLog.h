// platform/EventLog.h: the system event log, debugger output and the last-error code.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

enum EventType : uint16_t {
    kEventError = 1,
    kEventWarning = 2,
    kEventInformation = 4,
};

struct EventSourceState;
using EventSource = EventSourceState*;

// Registers an event source by name; null when the event log cannot be reached.
EventSource RegisterEventSource(const char* sourceName);

// Writes one event with its strings (joined as the event text). Returns 1 on success.
int ReportEvent(EventSource source, uint16_t type, uint16_t category, uint32_t eventId,
                const char* const* strings, int stringCount);

// Deregisters an event source; null is ignored.
void DeregisterEventSource(EventSource source);

// Hands a text to an attached debugger; here it goes to standard error as it is.
void OutputDebugString(const char* text);

// The last system error code of the calling thread (GetLastError).
uint32_t LastErrorCode();

// The system's text for an error code, without a trailing line end.
void ErrorCodeText(uint32_t code, char* destination, size_t capacity);

}  // namespace platform
