// platform/SyncObjects.h: the objects behind Sync.h's handles, shared between Sync.cpp
// (handles, events, process-local mutexes) and NamedMutex.cpp (mutexes across processes).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/Sync.h"

namespace platform {

// When a wait of some milliseconds gives up; never for kInfinite.
class Deadline {
public:
    using Clock = std::chrono::steady_clock;

    explicit Deadline(uint32_t milliseconds)
        : infinite_(milliseconds == kInfinite),
          at_(Clock::now() + std::chrono::milliseconds(infinite_ ? 0 : milliseconds)) {}

    bool Infinite() const { return infinite_; }
    Clock::time_point At() const { return at_; }
    bool Passed() const { return !infinite_ && Clock::now() >= at_; }

private:
    bool infinite_;
    Clock::time_point at_;
};

// What every handle is: a kernel object one can wait for.
struct WaitableState {
    virtual ~WaitableState() = default;
    virtual WaitResult Wait(const Deadline& deadline) = 0;
    // Mutexes: gives up one level of the calling thread's ownership; 0 when not owned.
    virtual int Release() { return 0; }
    // Events: signals; 0 for other objects.
    virtual int Signal() { return 0; }
};

// Which thread of this process owns a mutex, and how many times over; the other
// threads wait for it to be given up.
class ThreadOwnership {
public:
    // True when the calling thread owns the mutex (again) before the deadline.
    bool Acquire(const Deadline& deadline);
    // How many times the calling thread owns it; 0 when it does not.
    uint32_t CallerDepth();
    // Gives up one level (`all`: every level) of the calling thread's ownership.
    void Release(bool all);

private:
    bool FreeFor(std::thread::id caller) const {
        return owner_ == std::thread::id() || owner_ == caller;
    }

    std::mutex lock_;
    std::condition_variable released_;
    std::thread::id owner_;
    uint32_t depth_ = 0;
};

}  // namespace platform
