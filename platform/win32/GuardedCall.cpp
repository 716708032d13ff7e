// platform/win32/GuardedCall.cpp: a hardware fault inside a guarded call, which MSVC code
// would catch as a structured exception, is caught by a vectored exception handler that
// sends the thread back to the start of the call. The handler is registered while at least
// one guarded call runs, so that an unloaded plug-in leaves none behind.
#include "platform/GuardedCall.h"

#include <csignal>
#include <mutex>

#include "platform/win32/WinApi.h"

namespace platform {
namespace {

struct Guard {
    void* jump[5];  // __builtin_setjmp's buffer: no unwinding on the way back
    volatile int signalNumber;
    Guard* outer;
};

thread_local Guard* activeGuard = nullptr;

std::mutex installLock;
int guardedCallsRunning = 0;  // under installLock
void* handlerHandle = nullptr;

// The signal number the fault would have raised under the C runtime; 0 for exceptions
// that are not faults of the called code.
int SignalOf(DWORD code) {
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION:
        case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
        case EXCEPTION_IN_PAGE_ERROR:
        case EXCEPTION_STACK_OVERFLOW:
            return SIGSEGV;
        case EXCEPTION_INT_DIVIDE_BY_ZERO:
        case EXCEPTION_INT_OVERFLOW:
        case EXCEPTION_FLT_DIVIDE_BY_ZERO:
            return SIGFPE;
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_PRIV_INSTRUCTION:
            return SIGILL;
        default:
            return 0;
    }
}

LONG CALLBACK OnFault(EXCEPTION_POINTERS* exception) {
    Guard* guard = activeGuard;
    const int signalNumber = SignalOf(exception->ExceptionRecord->ExceptionCode);
    if (guard == nullptr || signalNumber == 0) return EXCEPTION_CONTINUE_SEARCH;
    guard->signalNumber = signalNumber;
    __builtin_longjmp(guard->jump, 1);
}

void EnterGuardedCall() {
    std::lock_guard<std::mutex> hold(installLock);
    if (guardedCallsRunning++ == 0) handlerHandle = AddVectoredExceptionHandler(1, OnFault);
}

void LeaveGuardedCall() {
    std::lock_guard<std::mutex> hold(installLock);
    if (--guardedCallsRunning == 0 && handlerHandle != nullptr) {
        RemoveVectoredExceptionHandler(handlerHandle);
        handlerHandle = nullptr;
    }
}

__attribute__((noinline)) int CallUnderGuard(Guard& guard, void (*work)(void* context),
                                             void* context) {
    if (__builtin_setjmp(guard.jump) != 0) return 0;
    activeGuard = &guard;
    work(context);
    return 1;
}

}  // namespace

int RunGuarded(void (*work)(void* context), void* context, int* faultSignal) {
    if (faultSignal != nullptr) *faultSignal = 0;
    if (work == nullptr) return 1;
    EnterGuardedCall();
    Guard guard;
    guard.signalNumber = 0;
    guard.outer = activeGuard;
    const auto leave = [&] {
        activeGuard = guard.outer;
        LeaveGuardedCall();
    };
    int returned = 0;
    try {
        returned = CallUnderGuard(guard, work, context);
    } catch (...) {
        leave();
        throw;
    }
    leave();
    if (returned == 0 && faultSignal != nullptr) *faultSignal = guard.signalNumber;
    return returned;
}

}  // namespace platform
