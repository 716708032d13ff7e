// tools/ScannerDaemons.cpp: a PING to spamd or clamd. Something merely listening is not
// enough: every demo message would then wait for the libraries' timeout.
#include "tools/ScannerDaemons.h"

#include <cstdint>

#include "platform/StreamSocket.h"

namespace {

constexpr uint32_t kPingTimeoutMs = 2000;
constexpr size_t kReplyCapacity = 256;

// Sends `request` and reads until the peer closes or `expected` has come.
bool Answers(const std::string& address, const std::string& request, const char* expected) {
    platform::StreamSocket socket = nullptr;
    if (platform::SocketConnect(address.c_str(), kPingTimeoutMs, &socket) !=
        platform::SocketResult::kOk)
        return false;
    std::string reply;
    bool ok =
        platform::SocketSend(socket, request.data(), request.size()) == platform::SocketResult::kOk;
    char buffer[kReplyCapacity];
    size_t got = 0;
    while (ok && reply.find(expected) == std::string::npos && reply.size() < kReplyCapacity &&
           platform::SocketReceive(socket, buffer, sizeof buffer, &got) ==
               platform::SocketResult::kOk)
        reply.append(buffer, got);
    platform::SocketClose(socket);
    return reply.find(expected) != std::string::npos;
}

}  // namespace

bool SpamdAnswers(const std::string& address) {
    return Answers(address, "PING SPAMC/1.5\r\n\r\n", "PONG");
}

bool ClamdAnswers(const std::string& address) {
    return Answers(address, std::string("zPING", 6), "PONG");
}
