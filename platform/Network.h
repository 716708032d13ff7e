// platform/Network.h: host-name resolution.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Resolves a host name to its first IPv4 address, written as dotted text into
// `address`. Returns 1 when the name resolved, 0 when it did not (unknown name,
// no network). A dotted IPv4 text resolves to itself.
int ResolveHostName(const char* hostName, char* address, size_t capacity);

}  // namespace platform
