// bench/RawDaemonClients.cpp: blocking unix-socket clients of spamd and clamd, one
// connection per message as both protocols have it.
#include "bench/RawDaemonClients.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace raw_daemon {
namespace {

// A bench that hangs says nothing: every call gives up after this.
constexpr int kTimeoutSeconds = 30;
constexpr size_t kChunkSize = 64 * 1024;

struct Socket {
    int fd = -1;
    ~Socket() {
        if (fd >= 0) close(fd);
    }
};

bool Connect(const std::string& path, Socket* socket) {
    socket->fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket->fd < 0 || path.size() >= sizeof(sockaddr_un::sun_path)) return false;
    const timeval timeout{kTimeoutSeconds, 0};
    setsockopt(socket->fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(socket->fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return connect(socket->fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

bool SendAll(int fd, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t sent = send(fd, bytes, size, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        bytes += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

// Reads until `end` has arrived or the daemon closes.
std::string ReceiveUntil(int fd, const char* end, size_t endLength) {
    std::string reply;
    char buffer[4096];
    for (;;) {
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) return reply;
        reply.append(buffer, static_cast<size_t>(got));
        if (reply.find(end, 0, endLength) != std::string::npos) return reply;
    }
}

}  // namespace

std::string SpamdCheck(const std::string& path, const std::string& message) {
    Socket spamd;
    if (!Connect(path, &spamd)) return "";
    const std::string head =
        "CHECK SPAMC/1.5\r\nContent-length: " + std::to_string(message.size()) + "\r\n\r\n";
    if (!SendAll(spamd.fd, head.data(), head.size()) ||
        !SendAll(spamd.fd, message.data(), message.size()))
        return "";
    return ReceiveUntil(spamd.fd, "\r\n\r\n", 4);
}

std::string ClamdInstream(const std::string& path, const std::string& message) {
    Socket clamd;
    if (!Connect(path, &clamd)) return "";
    if (!SendAll(clamd.fd, "zINSTREAM", sizeof "zINSTREAM")) return "";
    for (size_t at = 0;; at += kChunkSize) {
        const size_t length = std::min(kChunkSize, message.size() - std::min(at, message.size()));
        const unsigned char prefix[4] = {
            static_cast<unsigned char>(length >> 24), static_cast<unsigned char>(length >> 16),
            static_cast<unsigned char>(length >> 8), static_cast<unsigned char>(length)};
        if (!SendAll(clamd.fd, prefix, sizeof prefix)) return "";
        if (length == 0) break;
        if (!SendAll(clamd.fd, message.data() + at, length)) return "";
    }
    std::string reply = ReceiveUntil(clamd.fd, "", 1);
    const size_t end = reply.find('\0');
    return end == std::string::npos ? reply : reply.substr(0, end);
}

}  // namespace raw_daemon
