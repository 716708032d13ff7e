// tests/scanners/dns/DnsTestServer.h: dnsmasq on a loopback port serving the test
// zones: "uri.test" (domain list: listed.example listed, refused.example answering the
// lists' "query refused" code, big.example listed with an answer too large for UDP) and
// "ip.test" (address list: 192.0.2.99 listed). Two names of uri.test are forwarded to
// upstream servers of the test's own: slow.example to one that never answers and
// broken.example to one that answers every query with SERVFAIL.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "scanners/dns/Resolver.h"
#include "tests/scanners/daemons/DaemonFixtures.h"

namespace dns_testing {

constexpr int kBigRecordCount = 40;

// Binds `fd` to a loopback port the system picks; that port.
inline int BindLoopback(int fd) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

// A loopback port nobody listens on at the moment of asking.
inline int FreePort(int type) {
    const int fd = socket(AF_INET, type, 0);
    const int port = BindLoopback(fd);
    close(fd);
    return port;
}

// A loopback UDP server that never answers, or answers every query with SERVFAIL.
class StubUpstream {
public:
    explicit StubUpstream(bool answers) : fd_(socket(AF_INET, SOCK_DGRAM, 0)) {
        port_ = BindLoopback(fd_);
        if (answers) answering_ = std::thread([this] { AnswerServerFailure(); });
    }
    ~StubUpstream() {
        stop_ = true;
        if (answering_.joinable()) answering_.join();
        close(fd_);
    }
    int Port() const { return port_; }

private:
    void AnswerServerFailure() {
        pollfd waiting{fd_, POLLIN, 0};
        while (!stop_) {
            if (poll(&waiting, 1, 50) <= 0) continue;
            unsigned char packet[512];
            sockaddr_in from{};
            socklen_t length = sizeof from;
            ssize_t size = recvfrom(fd_, packet, sizeof packet, 0,
                                    reinterpret_cast<sockaddr*>(&from), &length);
            if (size < 12) continue;
            packet[2] |= 0x80;                      // a response
            packet[3] = (packet[3] & 0xF0) | 0x02;  // SERVFAIL
            sendto(fd_, packet, size, 0, reinterpret_cast<sockaddr*>(&from), length);
        }
    }

    int fd_;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread answering_;
};

class DnsServer {
public:
    // `more`: further dnsmasq options, records of a test's own.
    explicit DnsServer(const std::vector<std::string>& more = {}) : port_(FreePort(SOCK_DGRAM)) {
        std::vector<std::string> arguments = {
            "dnsmasq",
            "--keep-in-foreground",
            "--port=" + std::to_string(port_),
            "--listen-address=127.0.0.1",
            "--bind-interfaces",
            "--no-resolv",
            "--no-hosts",
            "--conf-file=/dev/null",
            "--pid-file=",
            "--local-ttl=60",
            "--local=/uri.test/",
            "--local=/ip.test/",
            "--host-record=listed.example.uri.test,127.0.0.2",
            "--host-record=99.2.0.192.ip.test,127.0.0.4",
            "--host-record=refused.example.uri.test,127.255.255.254",
            "--server=/slow.example.uri.test/127.0.0.1#" + std::to_string(silent_.Port()),
            "--server=/broken.example.uri.test/127.0.0.1#" + std::to_string(failing_.Port())};
        // More A records than fit a 512-byte UDP answer: only TCP brings them all.
        for (int i = 0; i < kBigRecordCount; ++i)
            arguments.push_back("--address=/big.example.uri.test/127.0.1." + std::to_string(i + 1));
        arguments.insert(arguments.end(), more.begin(), more.end());
        process_.Start(arguments, "/dev/null");
        // Ready once it answers.
        dns::ResolverSettings settings{Servers(), 100, 1};
        for (int i = 0; i < 50 && process_.Running(); ++i) {
            if (dns::LookUpAddress("listed.example.uri.test", settings).status ==
                dns::LookupStatus::kFound)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    void Stop() { process_.Stop(); }
    bool Running() const { return process_.Running(); }
    std::string Servers() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    StubUpstream silent_{false};
    StubUpstream failing_{true};
    int port_;
    testing_support::DaemonProcess process_;
};

}  // namespace dns_testing
