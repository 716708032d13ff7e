// platform/Sync.cpp: handles for process-local mutexes and auto-reset events, the waits
// on every kind of handle, interlocked counters and the tick count.
#include "platform/Sync.h"

#include <new>

#include "platform/NoThrow.h"
#include "platform/SyncObjects.h"

namespace platform {

bool ThreadOwnership::Acquire(const Deadline& deadline) {
    const std::thread::id caller = std::this_thread::get_id();
    std::unique_lock<std::mutex> guard(lock_);
    auto free = [&] { return FreeFor(caller); };
    if (deadline.Infinite()) {
        released_.wait(guard, free);
    } else if (!released_.wait_until(guard, deadline.At(), free)) {
        return false;
    }
    owner_ = caller;
    ++depth_;
    return true;
}

uint32_t ThreadOwnership::CallerDepth() {
    std::lock_guard<std::mutex> guard(lock_);
    return owner_ == std::this_thread::get_id() ? depth_ : 0;
}

void ThreadOwnership::Release(bool all) {
    std::lock_guard<std::mutex> guard(lock_);
    if (owner_ != std::this_thread::get_id()) return;
    depth_ = all ? 0 : depth_ - 1;
    if (depth_ > 0) return;
    owner_ = std::thread::id();
    released_.notify_one();
}

namespace {

class LocalMutex : public WaitableState {
public:
    WaitResult Wait(const Deadline& deadline) override {
        return ownership_.Acquire(deadline) ? WaitResult::kSignaled : WaitResult::kTimeout;
    }
    int Release() override {
        if (ownership_.CallerDepth() == 0) return 0;
        ownership_.Release(false);
        return 1;
    }
    ~LocalMutex() override { ownership_.Release(true); }

private:
    ThreadOwnership ownership_;
};

class AutoResetEvent : public WaitableState {
public:
    explicit AutoResetEvent(bool signaled) : signaled_(signaled) {}

    WaitResult Wait(const Deadline& deadline) override {
        std::unique_lock<std::mutex> guard(lock_);
        auto set = [this] { return signaled_; };
        if (deadline.Infinite()) {
            set_.wait(guard, set);
        } else if (!set_.wait_until(guard, deadline.At(), set)) {
            return WaitResult::kTimeout;
        }
        signaled_ = false;  // the waiter that saw it set takes it: auto-reset
        return WaitResult::kSignaled;
    }
    int Signal() override {
        std::lock_guard<std::mutex> guard(lock_);
        signaled_ = true;
        set_.notify_one();
        return 1;
    }

private:
    std::mutex lock_;
    std::condition_variable set_;
    bool signaled_;
};

}  // namespace

Handle CreateUnnamedMutex() {
    return new (std::nothrow) LocalMutex();
}

Handle CreateAutoResetEvent(int signaled) {
    return new (std::nothrow) AutoResetEvent(signaled != 0);
}

int SetEvent(Handle event) {
    if (event == nullptr) return 0;
    return NoThrow(0, [&] { return event->Signal(); });
}

int ReleaseMutex(Handle mutex) {
    if (mutex == nullptr) return 0;
    return NoThrow(0, [&] { return mutex->Release(); });
}

WaitResult WaitForObject(Handle handle, uint32_t milliseconds) {
    if (handle == nullptr) return WaitResult::kFailed;
    return NoThrow(WaitResult::kFailed, [&] { return handle->Wait(Deadline(milliseconds)); });
}

WaitResult WaitForObjectOrMessage(Handle handle, uint32_t milliseconds) {
    return WaitForObject(handle, milliseconds);
}

int DispatchWaitingMessage() {
    return 0;
}

void CloseHandle(Handle handle) {
    delete handle;
}

int32_t InterlockedIncrement(volatile int32_t* value) {
    return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST);
}

int32_t InterlockedDecrement(volatile int32_t* value) {
    return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST);
}

int32_t InterlockedRead(const volatile int32_t* value) {
    return __atomic_load_n(value, __ATOMIC_SEQ_CST);
}

void InterlockedWrite(volatile int32_t* value, int32_t newValue) {
    __atomic_store_n(value, newValue, __ATOMIC_SEQ_CST);
}

uint64_t TickCountMs() {
    auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
}

void SleepMs(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace platform
