// vbscript/RunLimits.h: what one script run may spend. Time: a deadline, or another thread's
// interrupt. Memory: a cap on the strings, arrays and objects the run holds at once. Both
// are checked between statements and inside built-in functions that do a lot of work in
// one call, so that neither a loop nor one statement can hold the host's thread or memory.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <unordered_set>

namespace vbscript {

class Object;

constexpr size_t kDefaultMemoryLimitBytes = size_t{64} << 20;
constexpr size_t kStatementWork = 64;
// An error that On Error Resume Next carries on past: raising and unwinding it costs as much
// as several plain statements, so a loop of failing statements reaches its time limit as
// promptly as any other loop.
constexpr size_t kResumedErrorWork = 8 * kStatementWork;

class RunLimits {
public:
    using Clock = std::chrono::steady_clock;

    void SetDeadline(Clock::time_point deadline) { deadline_ = deadline; }
    void Interrupt() { interrupted_.store(true, std::memory_order_relaxed); }
    void ClearInterrupt() { interrupted_.store(false, std::memory_order_relaxed); }
    void SetMemoryLimit(size_t bytes) { memoryLimit_ = bytes; }
    size_t MemoryInUse() const { return inUse_; }

    // Stops the script (an error no On Error handler can catch) when its time is up, it
    // was interrupted or it holds more memory than its cap.
    void Check();
    // Counts work done (a statement is kStatementWork units, a built-in function one unit
    // per 16 bytes it handles) and checks the limits every few dozen statements' worth:
    // a clock read per 32 statements is lost in their cost, and a script stops within a
    // fraction of a millisecond of its deadline.
    void Work(size_t units) {
        work_ += units;
        if (work_ >= kUnitsPerCheck) {
            work_ = 0;
            Check();
        }
    }
    // Stops the script before it allocates `bytes` more than its cap allows.
    void Reserve(size_t bytes);
    // Memory taken and given back by what the run holds; never throws.
    void Charge(size_t bytes) { inUse_ += bytes; }
    void Credit(size_t bytes) { inUse_ = bytes > inUse_ ? 0 : inUse_ - bytes; }

    // Every object the run made and still alive. Objects may refer to each other (a
    // Dictionary holding itself, two class instances holding each other), which reference
    // counting alone never frees; when the run ends, each drops the values it holds, so
    // that nothing made by one run outlives it.
    void Adopt(Object* object) { objects_.insert(object); }
    void Forget(Object* object) { objects_.erase(object); }
    void BreakCycles();

private:
    static constexpr size_t kUnitsPerCheck = 32 * kStatementWork;
    Clock::time_point deadline_ = Clock::time_point::max();
    std::atomic<bool> interrupted_{false};
    size_t memoryLimit_ = kDefaultMemoryLimitBytes;
    size_t inUse_ = 0;
    size_t work_ = 0;
    std::unordered_set<Object*> objects_;
};

// The limits of the run on this thread; null outside a run.
RunLimits* CurrentLimits();

// Makes a run's limits current on this thread for the lifetime of the scope (runs nest:
// the previous ones come back afterwards).
class LimitsScope {
public:
    explicit LimitsScope(RunLimits* limits);
    ~LimitsScope();
    LimitsScope(const LimitsScope&) = delete;
    LimitsScope& operator=(const LimitsScope&) = delete;

private:
    RunLimits* previous_;
};

// For built-in functions and values: the current run's limits, or nothing outside a run.
inline void SpendWork(size_t units) {
    if (RunLimits* limits = CurrentLimits()) limits->Work(units);
}
inline void SpendBytes(size_t bytes) {
    SpendWork(bytes >> 4);
}
inline void ReserveMemory(size_t bytes) {
    if (RunLimits* limits = CurrentLimits()) limits->Reserve(bytes);
}
inline void ChargeMemory(size_t bytes) {
    if (RunLimits* limits = CurrentLimits()) limits->Charge(bytes);
}
inline void CreditMemory(size_t bytes) {
    if (RunLimits* limits = CurrentLimits()) limits->Credit(bytes);
}

// The memory a record (an array, an object) holds, kept charged to the run that made it
// while it lives. Charges follow the thread's current run; outside a run nothing counts.
class MemoryCharge {
public:
    MemoryCharge() = default;
    MemoryCharge(const MemoryCharge&) {}
    MemoryCharge& operator=(const MemoryCharge&) { return *this; }
    ~MemoryCharge() { CreditMemory(charged_); }
    void Set(size_t bytes) {
        RunLimits* limits = CurrentLimits();
        if (limits == nullptr) return;
        if (bytes > charged_)
            limits->Charge(bytes - charged_);
        else
            limits->Credit(charged_ - bytes);
        charged_ = bytes;
    }

private:
    size_t charged_ = 0;
};

// Script arrays and objects alive in this process; a test's way to see that a run leaves
// nothing behind.
int64_t LiveScriptRecords();
void CountRecord(int delta);

}  // namespace vbscript
