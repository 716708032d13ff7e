// platform/Network.cpp: host names resolved to IPv4 addresses, as gethostbyname did.
#include "platform/Network.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdio>

namespace platform {
namespace {

// Writes the address as dotted text when it fits; 0 when it does not.
int WriteAddress(const in_addr& address, char* destination, size_t capacity) {
    char text[INET_ADDRSTRLEN];
    if (inet_ntop(AF_INET, &address, text, sizeof text) == nullptr) return 0;
    int length = snprintf(destination, capacity, "%s", text);
    return length >= 0 && static_cast<size_t>(length) < capacity ? 1 : 0;
}

}  // namespace

int ResolveHostName(const char* hostName, char* address, size_t capacity) {
    if (hostName == nullptr || *hostName == '\0' || address == nullptr || capacity == 0) return 0;
    in_addr dotted;
    if (inet_pton(AF_INET, hostName, &dotted) == 1) return WriteAddress(dotted, address, capacity);
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;  // one entry per address, not one per socket type
    addrinfo* found = nullptr;
    if (getaddrinfo(hostName, nullptr, &hints, &found) != 0 || found == nullptr) return 0;
    const auto* first = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    int resolved = WriteAddress(first->sin_addr, address, capacity);
    freeaddrinfo(found);
    return resolved;
}

}  // namespace platform
