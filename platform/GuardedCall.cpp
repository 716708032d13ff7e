// platform/GuardedCall.cpp: the fault handlers behind guarded calls.
//
// The handlers are installed while at least one guarded call runs and the previous ones
// put back after the last: the plug-in can be unloaded, and a handler left behind would
// point into code that is gone. Each thread finds its innermost guarded call through a
// plain thread-local pointer (nothing with a destructor: that would keep the library
// from being unloaded).
#include "platform/GuardedCall.h"

#include <pthread.h>
#include <setjmp.h>
#include <signal.h>

#include <cstddef>

namespace platform {
namespace {

struct Guard {
    sigjmp_buf jump;
    volatile sig_atomic_t signalNumber;
    Guard* outer;  // the guarded call this one runs inside, if any
};

thread_local Guard* activeGuard = nullptr;

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
constexpr size_t kFaultSignalCount = sizeof kFaultSignals / sizeof kFaultSignals[0];
// Room for the handler to run when the fault is the thread's own stack running out.
constexpr size_t kAlternateStackBytes = 64 * 1024;

pthread_mutex_t installLock = PTHREAD_MUTEX_INITIALIZER;
int guardedCallsRunning = 0;  // under installLock
struct sigaction previousActions[kFaultSignalCount];

size_t SignalIndex(int signalNumber) {
    for (size_t i = 0; i < kFaultSignalCount; ++i)
        if (kFaultSignals[i] == signalNumber) return i;
    return 0;
}

// A fault on a thread outside any guarded call is not ours to recover: it goes where it
// would have gone without us.
void PassOn(int signalNumber, siginfo_t* info, void* machineContext) {
    const struct sigaction& before = previousActions[SignalIndex(signalNumber)];
    if ((before.sa_flags & SA_SIGINFO) != 0 && before.sa_sigaction != nullptr) {
        before.sa_sigaction(signalNumber, info, machineContext);
        return;
    }
    if (before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN &&
        before.sa_handler != nullptr) {
        before.sa_handler(signalNumber);
        return;
    }
    // The default action: once restored, the faulting instruction faults again and ends
    // the process as it would have; a signal sent rather than raised by a fault is sent
    // again.
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(signalNumber, &standard, nullptr);
    if (info == nullptr || info->si_code <= 0) raise(signalNumber);
}

void OnFault(int signalNumber, siginfo_t* info, void* machineContext) {
    Guard* guard = activeGuard;
    if (guard == nullptr) {
        PassOn(signalNumber, info, machineContext);
        return;
    }
    guard->signalNumber = signalNumber;
    siglongjmp(guard->jump, 1);
}

void EnterGuardedCall() {
    pthread_mutex_lock(&installLock);
    if (guardedCallsRunning++ == 0) {
        struct sigaction handler = {};
        handler.sa_sigaction = OnFault;
        handler.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&handler.sa_mask);
        for (size_t i = 0; i < kFaultSignalCount; ++i)
            sigaction(kFaultSignals[i], &handler, &previousActions[i]);
    }
    pthread_mutex_unlock(&installLock);
}

void LeaveGuardedCall() {
    pthread_mutex_lock(&installLock);
    if (--guardedCallsRunning == 0) {
        for (size_t i = 0; i < kFaultSignalCount; ++i) {
            struct sigaction current = {};
            // Put back only what we replaced: a handler installed since stays.
            if (sigaction(kFaultSignals[i], nullptr, &current) == 0 &&
                (current.sa_flags & SA_SIGINFO) != 0 && current.sa_sigaction == OnFault)
                sigaction(kFaultSignals[i], &previousActions[i], nullptr);
        }
    }
    pthread_mutex_unlock(&installLock);
}

// Only the jump target lives in this frame, so that nothing the caller keeps in registers
// can be lost to the jump back.
__attribute__((noinline)) int CallUnderGuard(Guard& guard, void (*work)(void* context),
                                             void* context) {
    if (sigsetjmp(guard.jump, 1) != 0) return 0;
    activeGuard = &guard;
    work(context);
    return 1;
}

}  // namespace

int RunGuarded(void (*work)(void* context), void* context, int* faultSignal) {
    if (faultSignal != nullptr) *faultSignal = 0;
    if (work == nullptr) return 1;
    // A thread that has an alternate signal stack (a sanitizer gives every thread one)
    // keeps it; otherwise one lives in this frame for the length of the call.
    alignas(16) char alternateStack[kAlternateStackBytes];
    stack_t before = {};
    bool ownStack = false;
    if (sigaltstack(nullptr, &before) == 0 && (before.ss_flags & SS_DISABLE) != 0) {
        stack_t mine = {};
        mine.ss_sp = alternateStack;
        mine.ss_size = sizeof alternateStack;
        ownStack = sigaltstack(&mine, nullptr) == 0;
    }
    EnterGuardedCall();
    Guard guard;
    guard.signalNumber = 0;
    guard.outer = activeGuard;
    const auto leave = [&] {
        activeGuard = guard.outer;
        LeaveGuardedCall();
        if (ownStack) {
            stack_t off = {};
            off.ss_flags = SS_DISABLE;
            sigaltstack(&off, nullptr);
        }
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
