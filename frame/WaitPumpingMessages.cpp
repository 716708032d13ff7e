// frame/WaitPumpingMessages.cpp: the message-pumping wait of the reload gate.
#include "frame/WaitPumpingMessages.h"

int WaitPumpingMessages(platform::Handle handle, uint32_t timeoutMs) {
    if (handle == nullptr) return 0;
    const uint64_t started = platform::TickCountMs();
    for (;;) {
        switch (platform::WaitForObjectOrMessage(handle, timeoutMs)) {
            case platform::WaitResult::kSignaled:
            case platform::WaitResult::kAbandoned:
                return 1;
            case platform::WaitResult::kMessage:
                break;
            default:
                return 0;
        }
        while (platform::DispatchWaitingMessage()) {
            if (platform::TickCountMs() - started >= timeoutMs) return 1;
        }
        // The queue is empty again: wait anew with the full time-out, as the host's own
        // message loop would.
    }
}
