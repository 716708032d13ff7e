// scanners/common/ScannerSettings.cpp: settings, counters and failure reports of the
// scanner libraries. Nothing here throws: each library's exports call it directly.
#include "scanners/common/ScannerSettings.h"

#include <cstring>
#include <mutex>

#include "common/RegistryAccess.h"
#include "common/SafeText.h"
#include "platform/EventLog.h"
#include "platform/Registry.h"

namespace {

// Counting reads and writes the registry; one lock keeps two failing scans from both
// reading 4 and writing 5. Made at the first count (the Windows run-time's mutex cannot
// be constant-initialised), which every scan thread waits for.
std::mutex& CounterLock() {
    static std::mutex lock;
    return lock;
}

void WriteText(const char* key, const char* name, const char* text) {
    platform::RegistryKey opened = nullptr;
    if (platform::RegistryCreateKey(key, &opened) != platform::kRegOk) return;
    platform::RegistrySetValue(opened, name, platform::kRegSz, text,
                               static_cast<uint32_t>(std::strlen(text) + 1));
    platform::RegistryCloseKey(opened);
}

}  // namespace

uint32_t ScannerNumber(const char* key, const char* name, uint32_t fallback) {
    uint32_t value = fallback;
    if (!ReadRegistryDword(key, name, &value)) value = fallback;
    return value;
}

void ScannerText(const char* key, const char* name, const char* fallback, char* destination,
                 size_t capacity) {
    if (ReadRegistryString(key, name, destination, capacity) && destination[0] != '\0') return;
    if (!SafeCopy(destination, fallback, capacity)) destination[0] = '\0';
}

void CountUnderKey(const char* key, const char* counterName) {
    try {
        std::lock_guard<std::mutex> guard(CounterLock());
        uint32_t count = ScannerNumber(key, counterName, 0);
        if (!WriteRegistryDword(RegistryRoot::kLocalMachine, key, counterName, count + 1)) return;
    } catch (...) {
        // A count that cannot be kept must not fail the scan.
    }
}

void ReportScanFailure(const char* key, const char* source, const char* text) {
    CountUnderKey(key, kScanErrorsValue);
    try {
        std::lock_guard<std::mutex> guard(CounterLock());
        WriteText(key, kLastErrorValue, text);
    } catch (...) {
    }
    platform::EventSource events = platform::RegisterEventSource(source);
    const char* strings[] = {text};
    if (events != nullptr) platform::ReportEvent(events, platform::kEventWarning, 0, 1, strings, 1);
    platform::DeregisterEventSource(events);
}
