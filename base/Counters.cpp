// base/Counters.cpp: statistics counters and their registry copies.
//
// A service account without write access to the registry must not fill the report
// log: the first failed save is reported, later ones are silent. A save never waits for
// a registry another program holds locked.
#include "base/Counters.h"

#include <atomic>
#include <cstdio>

#include "base/ReportLog.h"
#include "base/Settings.h"
#include "common/RegistryAccess.h"
#include "platform/Registry.h"

namespace {

ScannerCounters counters;
std::atomic<int> warned{0};

}  // namespace

ScannerCounters& Counters() {
    return counters;
}

uint32_t IncrementCounter(uint32_t* counter) {
    return std::atomic_ref<uint32_t>(*counter).fetch_add(1, std::memory_order_relaxed) + 1;
}

uint32_t ReadCounter(const uint32_t* counter) {
    return std::atomic_ref<uint32_t>(*const_cast<uint32_t*>(counter))
        .load(std::memory_order_relaxed);
}

int SaveCounter(const char* keyPath, const char* valueName, uint32_t value) {
    if (Settings().updateStatistics == 0) return 1;
    // Counters are saved from the message path and hold totals, so a save that finds the
    // registry locked by another program is skipped rather than waited for: the next
    // save writes the total again.
    platform::RegistryWritesDoNotWait withoutWaiting;
    if (WriteRegistryDword(RegistryRoot::kLocalMachine, keyPath, valueName, value)) return 1;
    if (warned.exchange(1) == 0) {
        char message[1024];
        std::snprintf(message, sizeof message,
                      "QP-IXXXX: Unable to save queue statistics for service. The service "
                      "account may not have permission to write to the registry path %s, "
                      "item %s\n",
                      keyPath, valueName);
        WriteReportLog(message);
    }
    return 1;
}

void ResetCounterWarning() {
    warned.store(0);
}
