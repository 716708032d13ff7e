// base/Counters.h: the statistics counters kept in memory and saved to the registry.
#pragma once

#include <cstdint>

// The process's scan counts; all 0 when the library loads. Runs increment them with
// plain (relaxed) increments: a lost count under contention is acceptable, a torn
// value is not.
struct ScannerCounters {
    uint32_t bayesianDetections;
    uint32_t bayesianScans;
    uint32_t spamAssassinDetections;
    uint32_t spamAssassinScans;
    uint32_t antivirusDetections;
    uint32_t antivirusScans;
    uint32_t dkimScans;
    uint32_t dkimDetections;
};

ScannerCounters& Counters();

// Adds one to a counter and returns the new value (safe from concurrent runs).
uint32_t IncrementCounter(uint32_t* counter);

// Reads a counter that concurrent runs may be incrementing.
uint32_t ReadCounter(const uint32_t* counter);

// Saves one counter under `keyPath` while "Update Statistics" is on, creating the key.
// A failed write is reported once per process. Always returns 1.
int SaveCounter(const char* keyPath, const char* valueName, uint32_t value);

// Forgets that a failed write was reported (tests only).
void ResetCounterWarning();
