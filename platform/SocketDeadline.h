// platform/SocketDeadline.h: the one deadline a daemon conversation keeps, shared by the
// POSIX and Windows connections.
#pragma once

#include <chrono>

namespace platform {

// Milliseconds left before `deadline`, as the system's wait calls take them; 0 once it
// has passed.
int MillisecondsUntil(std::chrono::steady_clock::time_point deadline);

}  // namespace platform
