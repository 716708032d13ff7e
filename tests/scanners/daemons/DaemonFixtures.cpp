// tests/scanners/daemons/DaemonFixtures.cpp: starting, probing and faking daemons.
#include "tests/scanners/daemons/DaemonFixtures.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

extern char** environ;

namespace testing_support {
namespace {

int ConnectUnix(const std::string& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool Readable(int fd, int timeoutMs) {
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, timeoutMs) > 0;
}

}  // namespace

bool DaemonProcess::Start(const std::vector<std::string>& arguments, const std::string& logPath) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const int spawned = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) pid_ = -1;
    return spawned == 0;
}

void DaemonProcess::Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        usleep(20000);
    }
    pid_ = -1;
}

std::string AskSocket(const std::string& path, const std::string& request) {
    const int fd = ConnectUnix(path);
    if (fd < 0) return "";
    std::string reply;
    if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
        static_cast<ssize_t>(request.size())) {
        shutdown(fd, SHUT_WR);
        char buffer[4096];
        while (Readable(fd, 2000)) {
            const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0) break;
            reply.append(buffer, static_cast<size_t>(got));
        }
    }
    close(fd);
    return reply;
}

bool AnswersWithin(const std::string& path, const std::string& request, const std::string& expected,
                   int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (AskSocket(path, request).find(expected) == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        usleep(50000);
    }
    return true;
}

FakeDaemon::FakeDaemon(const std::string& socketPath, Mode mode, std::string reply)
    : mode_(mode), reply_(std::move(reply)) {
    listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    unlink(socketPath.c_str());
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 8) != 0) {
        close(listener_);
        listener_ = -1;
        return;
    }
    thread_ = std::thread([this] { Serve(); });
}

FakeDaemon::~FakeDaemon() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) close(listener_);
}

std::string FakeDaemon::LastRequest() {
    return haveRequest_ ? lastRequest_ : std::string();
}

void FakeDaemon::Serve() {
    std::vector<int> held;  // silent connections, kept open until the end
    while (!stop_) {
        if (!Readable(listener_, 50)) continue;
        const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::string request;
        char buffer[65536];
        while (!stop_ && Readable(fd, 300)) {
            const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0) break;
            request.append(buffer, static_cast<size_t>(got));
        }
        if (!haveRequest_) {
            lastRequest_ = request;
            haveRequest_ = true;
        }
        if (mode_ == Mode::kSilent) {
            held.push_back(fd);
            continue;
        }
        const size_t length = mode_ == Mode::kReply ? reply_.size() : reply_.size() / 2;
        send(fd, reply_.data(), length, MSG_NOSIGNAL);
        close(fd);
    }
    for (int fd : held) close(fd);
}

}  // namespace testing_support
