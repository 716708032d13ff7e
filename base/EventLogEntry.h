// base/EventLogEntry.h: entries in the system event log for failures an
// administrator must see even with the report log switched off.
#pragma once

#include <cstdint>

constexpr const char* kDefaultEventSource = "Quillpost";
constexpr uint32_t kOutsideExceptionEventId = 0x40000001u;

// Writes one event: `sourceName` (empty: "Quillpost"), the last system error code in
// the first string, `text` in the second. `unused` is kept for callers that pass a
// window handle. An event log that cannot be reached drops the entry.
void WriteEventLogEntry(uint16_t eventType, const char* sourceName, void* unused, uint32_t eventId,
                        const char* text);
