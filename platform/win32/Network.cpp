// platform/win32/Network.cpp: host names resolved by Windows Sockets.
#include "platform/Network.h"

#include <cstdio>

#include "platform/win32/WinApi.h"

namespace platform {

bool SocketsStarted() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

int ResolveHostName(const char* hostName, char* address, size_t capacity) {
    if (hostName == nullptr || *hostName == '\0' || address == nullptr || capacity == 0) return 0;
    if (!SocketsStarted()) return 0;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(hostName, nullptr, &hints, &found) != 0 || found == nullptr) return 0;
    char text[INET_ADDRSTRLEN] = "";
    const auto* first = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    const bool written = inet_ntop(AF_INET, &first->sin_addr, text, sizeof text) != nullptr;
    freeaddrinfo(found);
    if (!written) return 0;
    int length = snprintf(address, capacity, "%s", text);
    return length >= 0 && static_cast<size_t>(length) < capacity ? 1 : 0;
}

}  // namespace platform
