// platform/StreamSocket.cpp: daemon connections over unix sockets and TCP, non-blocking
// underneath so that poll() can hold every step to the conversation's deadline.
#include "platform/StreamSocket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>
#include <string>

#include "platform/NoThrow.h"
#include "platform/SocketDeadline.h"

namespace platform {

struct StreamSocketState {
    int descriptor;                                  // the connected socket
    std::chrono::steady_clock::time_point deadline;  // when every call gives up
};

namespace {

using Clock = std::chrono::steady_clock;

// Waits until the descriptor is ready for `events`; kTimedOut at the deadline.
SocketResult WaitFor(int descriptor, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd entry{descriptor, events, 0};
        const int ready = poll(&entry, 1, MillisecondsUntil(deadline));
        if (ready > 0) return SocketResult::kOk;  // errors and hang-ups show in the next call
        if (ready == 0) return SocketResult::kTimedOut;
        if (errno != EINTR) return SocketResult::kFailed;
    }
}

SocketResult ResultOfErrno(int error) {
    switch (error) {
        case ECONNREFUSED:
        case ENOENT:  // a unix socket path with nobody behind it
            return SocketResult::kRefused;
        case EPIPE:
        case ECONNRESET:
            return SocketResult::kClosed;
        case ETIMEDOUT:
            return SocketResult::kTimedOut;
        default:
            return SocketResult::kFailed;
    }
}

// Connects one descriptor to one address, within the deadline.
SocketResult ConnectOne(int family, const sockaddr* address, socklen_t length,
                        Clock::time_point deadline, int* descriptor) {
    const int fd = socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return SocketResult::kFailed;
    if (connect(fd, address, length) == 0) {
        *descriptor = fd;
        return SocketResult::kOk;
    }
    if (errno != EINPROGRESS && errno != EAGAIN) {
        const SocketResult failed = ResultOfErrno(errno);
        close(fd);
        return failed;
    }
    SocketResult waited = WaitFor(fd, POLLOUT, deadline);
    int error = 0;
    socklen_t errorLength = sizeof error;
    if (waited == SocketResult::kOk &&
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &errorLength) != 0)
        error = errno;
    if (waited == SocketResult::kOk && error != 0) waited = ResultOfErrno(error);
    if (waited != SocketResult::kOk) {
        close(fd);
        return waited;
    }
    *descriptor = fd;
    return SocketResult::kOk;
}

SocketResult ConnectUnix(const char* path, Clock::time_point deadline, int* descriptor) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (std::strlen(path) >= sizeof address.sun_path) return SocketResult::kBadAddress;
    std::memcpy(address.sun_path, path, std::strlen(path) + 1);
    return ConnectOne(AF_UNIX, reinterpret_cast<const sockaddr*>(&address), sizeof address,
                      deadline, descriptor);
}

// "host:port" or "[v6]:port"; each resolved address is tried in turn.
SocketResult ConnectTcp(const std::string& address, Clock::time_point deadline, int* descriptor) {
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
        result =
            ConnectOne(entry->ai_family, entry->ai_addr, entry->ai_addrlen, deadline, descriptor);
        if (result == SocketResult::kOk || result == SocketResult::kTimedOut) break;
    }
    freeaddrinfo(found);
    return result;
}

}  // namespace

SocketResult SocketConnect(const char* address, uint32_t timeoutMs, StreamSocket* socket) {
    if (socket == nullptr) return SocketResult::kFailed;
    *socket = nullptr;
    if (address == nullptr || *address == '\0') return SocketResult::kBadAddress;
    return NoThrow(SocketResult::kFailed, [&] {
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        int descriptor = -1;
        const SocketResult connected = address[0] == '/'
                                           ? ConnectUnix(address, deadline, &descriptor)
                                           : ConnectTcp(address, deadline, &descriptor);
        if (connected != SocketResult::kOk) return connected;
        *socket = new (std::nothrow) StreamSocketState{descriptor, deadline};
        if (*socket == nullptr) {
            close(descriptor);
            return SocketResult::kFailed;
        }
        return SocketResult::kOk;
    });
}

SocketResult SocketSend(StreamSocket socket, const void* data, size_t size) {
    if (socket == nullptr) return SocketResult::kFailed;
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t sent = send(socket->descriptor, next, size, MSG_NOSIGNAL);
        if (sent > 0) {
            next += sent;
            size -= static_cast<size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return ResultOfErrno(errno);
        const SocketResult waited = WaitFor(socket->descriptor, POLLOUT, socket->deadline);
        if (waited != SocketResult::kOk) return waited;
    }
    return SocketResult::kOk;
}

SocketResult SocketReceive(StreamSocket socket, void* buffer, size_t capacity, size_t* received) {
    if (received != nullptr) *received = 0;
    if (socket == nullptr || received == nullptr || capacity == 0) return SocketResult::kFailed;
    for (;;) {
        const ssize_t got = recv(socket->descriptor, buffer, capacity, 0);
        if (got > 0) {
            *received = static_cast<size_t>(got);
            return SocketResult::kOk;
        }
        if (got == 0) return SocketResult::kClosed;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return ResultOfErrno(errno);
        const SocketResult waited = WaitFor(socket->descriptor, POLLIN, socket->deadline);
        if (waited != SocketResult::kOk) return waited;
    }
}

void SocketClose(StreamSocket socket) {
    if (socket == nullptr) return;
    close(socket->descriptor);
    delete socket;
}

}  // namespace platform
