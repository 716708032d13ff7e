// frame/ReloadGate.cpp: the reload gate's shared state and the wait at the gate.
#include "frame/ReloadGate.h"

#include <mutex>

#include "base/ReportLog.h"
#include "frame/WaitPumpingMessages.h"
#include "platform/Ownership.h"

namespace {

volatile int32_t reloadInProgress = 0;
volatile int32_t runsInFlight = 0;
platform::Handle reloadLock = nullptr;
std::mutex reloadLockCreation;

}  // namespace

int32_t ReloadInProgress() {
    return platform::InterlockedRead(&reloadInProgress);
}
void SetReloadInProgress(int32_t value) {
    platform::InterlockedWrite(&reloadInProgress, value);
}

int32_t RunsInFlight() {
    return platform::InterlockedRead(&runsInFlight);
}
void EnterRun() {
    platform::InterlockedIncrement(&runsInFlight);
}
void LeaveRun() {
    platform::InterlockedDecrement(&runsInFlight);
}

platform::Handle ReloadLock() {
    std::lock_guard<std::mutex> guard(reloadLockCreation);
    if (reloadLock == nullptr) reloadLock = platform::CreateUnnamedMutex();
    return reloadLock;
}

void CloseReloadLock() {
    std::lock_guard<std::mutex> guard(reloadLockCreation);
    platform::CloseHandle(reloadLock);
    reloadLock = nullptr;
}

void PassReloadGate(uint32_t waitMs) {
    // Nobody ever signals this event: it only gives the wait something to wait on.
    const platform::OwnedHandle idle(platform::CreateAutoResetEvent(0));
    int waits = 0;
    while (ReloadInProgress() == 1 && waits < kGateMaxWaits) {
        WaitPumpingMessages(idle.Get(), waitMs);
        ++waits;
    }
    if (waits == kGateMaxWaits)
        WriteReportLog(
            "Filters are taking too long to reload and filter executing. This may cause filter "
            "instability.\n");
}
