// frame/ReloadGate.h: keeping filter runs and filter reloads apart.
//
// While a reload is in progress, new runs wait at the gate (at most 120 waits of
// 500 ms) and then go on regardless; a run counts itself in RunsInFlight from its
// entry to its exit so that a reload can wait for the runs already inside.
#pragma once

#include <cstdint>

#include "platform/Sync.h"

constexpr uint32_t kGateWaitMs = 500;
constexpr int kGateMaxWaits = 120;
// A reload waits at most this many slices for the runs already inside.
constexpr int kReloadMaxWaits = 180;

// 1 while the system filters are being reloaded. Written only by the run that holds
// ReloadLock; read without it.
int32_t ReloadInProgress();
void SetReloadInProgress(int32_t value);

// The number of runs between their entry and their exit.
int32_t RunsInFlight();
void EnterRun();
void LeaveRun();

// Counts the calling run in RunsInFlight for as long as it lives.
class RunInFlight {
public:
    RunInFlight() { EnterRun(); }
    ~RunInFlight() { LeaveRun(); }
    RunInFlight(const RunInFlight&) = delete;
    RunInFlight& operator=(const RunInFlight&) = delete;
};

// Marks a reload in progress for as long as it lives: a reload that fails half-way
// must not leave every later run waiting at the gate.
class ReloadInProgressScope {
public:
    ReloadInProgressScope() { SetReloadInProgress(1); }
    ~ReloadInProgressScope() { SetReloadInProgress(0); }
    ReloadInProgressScope(const ReloadInProgressScope&) = delete;
    ReloadInProgressScope& operator=(const ReloadInProgressScope&) = delete;
};

// The lock that serialises the reload check of all runs (created on first use).
platform::Handle ReloadLock();

// Closes the lock when the plug-in unloads (no run is in progress then).
void CloseReloadLock();

// Holds the calling run back while a reload is in progress, at most kGateMaxWaits
// waits; logs when it gives up waiting. `waitMs` is the slice of one wait.
void PassReloadGate(uint32_t waitMs = kGateWaitMs);
