// frame/FilterRun.h: the treatment of one queued message.
#pragma once

#include <cstddef>
#include <cstdint>

// Filters one message of a connector queue with the system filters. `reportLine`
// (caller-owned, `capacity` bytes) receives the last "Executed" entry. Returns 0 when
// no filter is loaded or the message was left alone, else the action dispatcher's status.
int32_t RunFilters(const char* connectorName, const char* messageId, char* reportLine,
                   size_t capacity);

// Shortens the slices in which a reload waits for other runs (tests only).
void SetReloadWaitSliceForTesting(uint32_t milliseconds);
