// platform/GuardedCall.h: calling into an outside library so that a hardware fault inside
// it (an invalid memory access, a division by zero, an illegal instruction) comes back
// to the caller as an exception instead of ending the process.
//
// On Windows such a fault is a structured exception, which code built to catch those
// catches with the catch(...) around every outside call; this guard does the same on
// every system (platform/win32/GuardedCall.cpp with a vectored exception handler). Only the thread
// making the call is guarded, and only for the duration of the call: a fault anywhere else goes to
// whatever handled it before (the default, a sanitizer, the host's own handler).
#pragma once

#include <type_traits>

namespace platform {

// What a guarded call throws when the outside code faulted. Deliberately not a standard
// exception: it is reported in the "anything else" form, as the structured exception it
// stands in for would be.
class OutsideFault {
public:
    explicit OutsideFault(int signalNumber) : signalNumber_(signalNumber) {}
    int SignalNumber() const { return signalNumber_; }

private:
    int signalNumber_;
};

// Runs work(context) guarded. 1 when it returned, 0 when it faulted (the signal number in
// *faultSignal). An exception thrown by `work` passes through unchanged. The code that
// faulted is abandoned where it was: its own state, and any lock it held, stay as they were.
int RunGuarded(void (*work)(void* context), void* context, int* faultSignal);

// Runs `work` guarded and returns its result; throws OutsideFault when it faulted.
template <class Work>
auto GuardedCall(Work&& work) -> decltype(work()) {
    using Result = decltype(work());
    static_assert(std::is_trivially_copyable_v<Result>, "a fault must not skip a destructor");
    struct Call {
        std::remove_reference_t<Work>* work;
        Result result;
    } call{&work, Result{}};
    int faultSignal = 0;
    if (RunGuarded(
            [](void* context) {
                auto* guarded = static_cast<Call*>(context);
                guarded->result = (*guarded->work)();
            },
            &call, &faultSignal) == 0)
        throw OutsideFault(faultSignal);
    return call.result;
}

}  // namespace platform
