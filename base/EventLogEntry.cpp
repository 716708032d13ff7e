// base/EventLogEntry.cpp: writing entries to the system event log.
#include "base/EventLogEntry.h"

#include <cstdio>

#include "common/SafeText.h"
#include "platform/EventLog.h"

void WriteEventLogEntry(uint16_t eventType, const char* sourceName, void* /*unused*/,
                        uint32_t eventId, const char* text) {
    // Taken first: anything below may change it.
    uint32_t lastError = platform::LastErrorCode();

    char source[256];
    SafeCopy(source,
             (sourceName != nullptr && sourceName[0] != '\0') ? sourceName : kDefaultEventSource);
    platform::EventSource handle = platform::RegisterEventSource(source);
    char first[256];
    std::snprintf(first, sizeof first, "%s error: %d", "Quillpost Filter Provider",
                  static_cast<int>(lastError));
    if (handle == nullptr) return;
    const char* strings[2] = {first, text != nullptr ? text : ""};
    platform::ReportEvent(handle, eventType, 0, eventId, strings, 2);
    platform::DeregisterEventSource(handle);
}
