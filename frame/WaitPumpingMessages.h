// frame/WaitPumpingMessages.h: a wait that keeps the host thread's messages flowing.
#pragma once

#include <cstdint>

#include "platform/Sync.h"

// Waits for `handle` up to `timeoutMs`, dispatching the calling thread's window
// messages meanwhile (a host thread that owns windows must not freeze). Returns 1 when
// the object was signalled, or when the time ran out while messages were being
// dispatched; 0 for no handle, a plain time-out, or a failed wait.
int WaitPumpingMessages(platform::Handle handle, uint32_t timeoutMs);
