// platform/win32/NamedMutex.cpp: mutexes shared by name between processes are the
// system's own named mutexes, which the system hands over as abandoned when their owner
// dies.
#include <new>

#include "platform/Sync.h"
#include "platform/SyncObjects.h"
#include "platform/win32/WinApi.h"

namespace platform {
namespace {

class SystemMutex final : public WaitableState {
public:
    explicit SystemMutex(HANDLE handle) : handle_(handle) {}
    ~SystemMutex() override { ::CloseHandle(handle_); }

    WaitResult Wait(const Deadline& deadline) override {
        switch (WaitForSingleObject(handle_, Milliseconds(deadline))) {
            case WAIT_OBJECT_0:
                return WaitResult::kSignaled;
            case WAIT_ABANDONED:
                return WaitResult::kAbandoned;
            case WAIT_TIMEOUT:
                return WaitResult::kTimeout;
            default:
                return WaitResult::kFailed;
        }
    }

    int Release() override { return ::ReleaseMutex(handle_) != 0 ? 1 : 0; }

private:
    static DWORD Milliseconds(const Deadline& deadline) {
        if (deadline.Infinite()) return INFINITE;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline.At() -
                                                                          Deadline::Clock::now());
        return left.count() <= 0 ? 0 : static_cast<DWORD>(left.count());
    }

    HANDLE handle_;
};

}  // namespace

Handle CreateNamedMutex(const char* name) {
    if (name == nullptr) return nullptr;
    HANDLE handle = CreateMutexA(nullptr, FALSE, name);
    if (handle == nullptr) return nullptr;
    Handle mutex = new (std::nothrow) SystemMutex(handle);
    if (mutex == nullptr) ::CloseHandle(handle);
    return mutex;
}

}  // namespace platform
