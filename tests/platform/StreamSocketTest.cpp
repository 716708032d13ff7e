// tests/platform/StreamSocketTest.cpp: a daemon connection over TCP. Refused connections
// and the deadline against a silent peer are pinned through the scanner libraries
// (DaemonClientsTest), which reach their daemons on unix sockets.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "platform/StreamSocket.h"

namespace {

using platform::SocketResult;

// A listening TCP socket on a free loopback port.
struct Listener {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    int port = 0;
    Listener() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(fd, 4);
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~Listener() { close(fd); }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port); }
};

TEST(StreamSocket, ExchangesOverTcpAndSeesTheClose) {
    Listener listener;
    std::thread peer([&] {
        const int connection = accept(listener.fd, nullptr, nullptr);
        char request[5];
        EXPECT_EQ(5, recv(connection, request, sizeof request, MSG_WAITALL));
        send(connection, "world", 5, 0);
        close(connection);
    });
    platform::StreamSocket socket = nullptr;
    ASSERT_EQ(SocketResult::kOk,
              platform::SocketConnect(listener.Address().c_str(), 5000, &socket));
    EXPECT_EQ(SocketResult::kOk, platform::SocketSend(socket, "hello", 5));
    std::string reply;
    char buffer[16];
    size_t got = 0;
    SocketResult received;
    while ((received = platform::SocketReceive(socket, buffer, sizeof buffer, &got)) ==
           SocketResult::kOk)
        reply.append(buffer, got);
    EXPECT_EQ(SocketResult::kClosed, received);
    EXPECT_EQ("world", reply);
    platform::SocketClose(socket);
    peer.join();
}

}  // namespace
