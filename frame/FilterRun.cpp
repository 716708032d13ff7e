// frame/FilterRun.cpp: the per-message filter run: a requested reload, the envelope,
// the envelope criteria, the message pass and the actions.
#include "frame/FilterRun.h"

#include <cstdio>

#include "actions/ActionDispatch.h"
#include "base/RegistryKeys.h"
#include "base/ReportLog.h"
#include "base/Settings.h"
#include "common/Console.h"
#include "common/RegistryAccess.h"
#include "frame/MessageEvaluation.h"
#include "frame/ReloadGate.h"
#include "frame/SystemFilterSet.h"
#include "frame/WaitPumpingMessages.h"
#include "platform/Registry.h"

namespace {

uint32_t reloadWaitSliceMs = kGateWaitMs;

// Waits (at most kReloadMaxWaits slices) for the other runs to leave; this run counts
// itself in RunsInFlight.
void WaitForOtherRuns() {
    const platform::OwnedHandle idle(platform::CreateAutoResetEvent(0));
    int waits = 0;
    while (RunsInFlight() >= 2 && waits < kReloadMaxWaits) {
        WaitPumpingMessages(idle.Get(), reloadWaitSliceMs);
        ++waits;
    }
    if (waits == kReloadMaxWaits)
        WriteReportLog(
            "Filters are taking too long to execute and are being reloaded. This may cause "
            "filter instability.\n");
}

// Performs an administrator's reload request ("Reload" exactly 1) and returns the set
// this run evaluates. Serialised by ReloadLock: a run that waited for the lock finds
// "Reload" already written back to 0 and goes straight on. The lock and the reload mark
// are let go on every path, a reload that throws included.
FilterSetRef CheckReloadAndTakeSet() {
    const platform::MutexOwnership reloadLock(ReloadLock(), platform::kInfinite);
    uint32_t reload = 0;
    (void)ReadRegistryDword(keys::kPlugin, values::kReload, &reload);
    if (reload == 1) {
        WriteReportLog("Reloading filters due to change.\n");
        const ReloadInProgressScope reloading;
        WaitForOtherRuns();
        ReloadSystemFilterSet();
        // A failed write leaves the request standing: the next run reloads again.
        (void)WriteRegistryDword(RegistryRoot::kLocalMachine, keys::kPlugin, values::kReload, 0);
    }
    return CurrentSystemFilterSet();
}

}  // namespace

void SetReloadWaitSliceForTesting(uint32_t milliseconds) {
    reloadWaitSliceMs = milliseconds;
}

int32_t RunFilters(const char* connectorName, const char* messageId, char* reportLine,
                   size_t capacity) {
    // A message reads some ten settings; whether another process changed the registry is
    // asked once, by the first ("Reload"), so the run takes its settings as they stood then.
    const platform::RegistryChangesCheckedOnce settingsChecked;
    FilterSetRef set = CheckReloadAndTakeSet();
    if (set == nullptr || set->filterCount < 1) return 0;

    RefreshDirectoryGroup(nullptr);
    MessageEvaluation message(set.get(), connectorName, messageId);
    int32_t result = 0;
    if (message.Scanned()) {
        result = ExecuteFilterActions(message.Record(), set.get(), message.Evaluations(),
                                      reportLine, capacity);
        ConsoleLine("ProcessFilter: %s\n", reportLine);
    }
    return result;
}
