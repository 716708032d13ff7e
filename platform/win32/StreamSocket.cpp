// platform/win32/StreamSocket.cpp: daemon connections over TCP on Windows Sockets,
// non-blocking underneath so that WSAPoll can hold every step to the conversation's
// deadline. The daemons' unix socket paths have no counterpart here.
#include "platform/StreamSocket.h"

#include <chrono>
#include <new>
#include <string>

#include "platform/NoThrow.h"
#include "platform/SocketDeadline.h"
#include "platform/win32/WinApi.h"

namespace platform {

struct StreamSocketState {
    SOCKET handle;                                   // the connected socket
    std::chrono::steady_clock::time_point deadline;  // when every call gives up
};

namespace {

using Clock = std::chrono::steady_clock;

SocketResult WaitFor(SOCKET handle, short events, Clock::time_point deadline) {
    WSAPOLLFD entry{handle, events, 0};
    const int ready = WSAPoll(&entry, 1, MillisecondsUntil(deadline));
    if (ready > 0) return SocketResult::kOk;  // errors and hang-ups show in the next call
    return ready == 0 ? SocketResult::kTimedOut : SocketResult::kFailed;
}

SocketResult ResultOfError(int error) {
    switch (error) {
        case WSAECONNREFUSED:
            return SocketResult::kRefused;
        case WSAECONNRESET:
        case WSAECONNABORTED:
        case WSAESHUTDOWN:
            return SocketResult::kClosed;
        case WSAETIMEDOUT:
            return SocketResult::kTimedOut;
        default:
            return SocketResult::kFailed;
    }
}

SocketResult ConnectOne(const addrinfo& entry, Clock::time_point deadline, SOCKET* handle) {
    const SOCKET fd = socket(entry.ai_family, SOCK_STREAM, IPPROTO_TCP);
    if (fd == INVALID_SOCKET) return SocketResult::kFailed;
    u_long nonBlocking = 1;
    ioctlsocket(fd, FIONBIO, &nonBlocking);
    if (connect(fd, entry.ai_addr, static_cast<int>(entry.ai_addrlen)) != 0 &&
        WSAGetLastError() != WSAEWOULDBLOCK) {
        const SocketResult failed = ResultOfError(WSAGetLastError());
        closesocket(fd);
        return failed;
    }
    SocketResult waited = WaitFor(fd, POLLWRNORM, deadline);
    int error = 0;
    int errorLength = sizeof error;
    if (waited == SocketResult::kOk &&
        getsockopt(fd, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &errorLength) != 0)
        error = WSAGetLastError();
    if (waited == SocketResult::kOk && error != 0) waited = ResultOfError(error);
    if (waited != SocketResult::kOk) {
        closesocket(fd);
        return waited;
    }
    *handle = fd;
    return SocketResult::kOk;
}

// "host:port" or "[v6]:port"; each resolved address is tried in turn.
SocketResult ConnectTcp(const std::string& address, Clock::time_point deadline, SOCKET* handle) {
    std::string host;
    std::string port;
    if (!SplitHostAndPort(address, &host, &port)) return SocketResult::kBadAddress;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0 || found == nullptr)
        return SocketResult::kBadAddress;
    SocketResult result = SocketResult::kRefused;
    for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        result = ConnectOne(*entry, deadline, handle);
        if (result == SocketResult::kOk || result == SocketResult::kTimedOut) break;
    }
    freeaddrinfo(found);
    return result;
}

}  // namespace

SocketResult SocketConnect(const char* address, uint32_t timeoutMs, StreamSocket* socket) {
    if (socket == nullptr) return SocketResult::kFailed;
    *socket = nullptr;
    // A unix socket path (it starts with "/") names nothing a Windows daemon listens on.
    if (address == nullptr || *address == '\0' || *address == '/') return SocketResult::kBadAddress;
    if (!SocketsStarted()) return SocketResult::kFailed;
    return NoThrow(SocketResult::kFailed, [&] {
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        SOCKET handle = INVALID_SOCKET;
        const SocketResult connected = ConnectTcp(address, deadline, &handle);
        if (connected != SocketResult::kOk) return connected;
        *socket = new (std::nothrow) StreamSocketState{handle, deadline};
        if (*socket == nullptr) {
            closesocket(handle);
            return SocketResult::kFailed;
        }
        return SocketResult::kOk;
    });
}

SocketResult SocketSend(StreamSocket socket, const void* data, size_t size) {
    if (socket == nullptr) return SocketResult::kFailed;
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        const int chunk = size > 0x10000000 ? 0x10000000 : static_cast<int>(size);
        const int sent = send(socket->handle, next, chunk, 0);
        if (sent > 0) {
            next += sent;
            size -= static_cast<size_t>(sent);
            continue;
        }
        if (sent < 0 && WSAGetLastError() != WSAEWOULDBLOCK)
            return ResultOfError(WSAGetLastError());
        const SocketResult waited = WaitFor(socket->handle, POLLWRNORM, socket->deadline);
        if (waited != SocketResult::kOk) return waited;
    }
    return SocketResult::kOk;
}

SocketResult SocketReceive(StreamSocket socket, void* buffer, size_t capacity, size_t* received) {
    if (received != nullptr) *received = 0;
    if (socket == nullptr || received == nullptr || capacity == 0) return SocketResult::kFailed;
    const int chunk = capacity > 0x10000000 ? 0x10000000 : static_cast<int>(capacity);
    for (;;) {
        const int got = recv(socket->handle, static_cast<char*>(buffer), chunk, 0);
        if (got > 0) {
            *received = static_cast<size_t>(got);
            return SocketResult::kOk;
        }
        if (got == 0) return SocketResult::kClosed;
        if (WSAGetLastError() != WSAEWOULDBLOCK) return ResultOfError(WSAGetLastError());
        const SocketResult waited = WaitFor(socket->handle, POLLRDNORM, socket->deadline);
        if (waited != SocketResult::kOk) return waited;
    }
}

void SocketClose(StreamSocket socket) {
    if (socket == nullptr) return;
    closesocket(socket->handle);
    delete socket;
}

}  // namespace platform
