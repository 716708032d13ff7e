// platform/Sync.h: waitable objects and interlocked counters.
//
// Handles stand for Windows kernel objects: a named mutex (shared by every process
// that opens the same name, released by the system when its owner dies), an unnamed
// mutex, and an auto-reset event. A mutex is recursive for the thread that owns it.
#pragma once

#include <cstdint>

namespace platform {

struct WaitableState;
using Handle = WaitableState*;

enum class WaitResult {
    kSignaled,   // WAIT_OBJECT_0: the object was signalled (a mutex is now owned)
    kAbandoned,  // WAIT_ABANDONED: owned now, but its previous owner died holding it
    kTimeout,    // WAIT_TIMEOUT
    kMessage,    // a window message arrived (never on this platform)
    kFailed,     // WAIT_FAILED: bad handle or system error
};

constexpr uint32_t kInfinite = 0xFFFFFFFFu;

// Creates or opens the mutex of that name, not owned. Null on failure.
Handle CreateNamedMutex(const char* name);

// Creates a process-local mutex, not owned. Null on failure.
Handle CreateUnnamedMutex();

// Creates an unnamed auto-reset event; `signaled` gives its first state. Null on failure.
Handle CreateAutoResetEvent(int signaled);

// Signals an event (one waiter is released, then it resets). Returns 1 on success.
int SetEvent(Handle event);

// Releases a mutex owned by the calling thread. Returns 1 on success, 0 when not owned.
int ReleaseMutex(Handle mutex);

// Waits for the object up to `milliseconds` (kInfinite: without limit).
WaitResult WaitForObject(Handle handle, uint32_t milliseconds);

// Waits for the object or for a window message of the calling thread. This platform
// has no window messages, so it is the plain wait; kept apart so that the message-
// pumping wait of the plug-in reads as its Windows original.
WaitResult WaitForObjectOrMessage(Handle handle, uint32_t milliseconds);

// Removes and dispatches one waiting message of the thread; 0 when none is waiting.
int DispatchWaitingMessage();

// Closes a handle; null is ignored. Closing an owned mutex releases it.
void CloseHandle(Handle handle);

// Interlocked operations: return the new value.
int32_t InterlockedIncrement(volatile int32_t* value);
int32_t InterlockedDecrement(volatile int32_t* value);
// An atomic read and write of a 32-bit value shared between threads.
int32_t InterlockedRead(const volatile int32_t* value);
void InterlockedWrite(volatile int32_t* value, int32_t newValue);

// Milliseconds of a steady clock (GetTickCount64).
uint64_t TickCountMs();

// Suspends the calling thread.
void SleepMs(uint32_t milliseconds);

}  // namespace platform
