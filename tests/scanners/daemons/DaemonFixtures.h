// tests/scanners/daemons/DaemonFixtures.h: real scanner daemons started by a test
// program, and fake ones that misbehave on purpose.
//
// Every daemon here listens on a unix socket inside the test's own temporary directory
// and is stopped by its owner, so the tests never touch the machine's own clamd or spamd.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// A program run in the background with its output in `logPath`; stopped (TERM, then
// KILL after a few seconds) when the object goes.
class DaemonProcess {
public:
    DaemonProcess() = default;
    ~DaemonProcess() { Stop(); }
    DaemonProcess(const DaemonProcess&) = delete;
    DaemonProcess& operator=(const DaemonProcess&) = delete;

    bool Start(const std::vector<std::string>& arguments, const std::string& logPath);
    void Stop();
    bool Running() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

// Sends `request` to the unix socket and returns everything read until the peer closes
// (or two seconds pass).
std::string AskSocket(const std::string& path, const std::string& request);

// True once the unix socket `path` answers `request` with a reply holding `expected`
// (a daemon that has come up), within `timeoutMs`.
bool AnswersWithin(const std::string& path, const std::string& request, const std::string& expected,
                   int timeoutMs);

// A daemon stand-in on a unix socket. Each connection's request is read until the
// client has been quiet for a moment; then it is answered by the mode.
class FakeDaemon {
public:
    enum class Mode {
        kReply,          // sends `reply` and closes
        kCloseMidReply,  // sends the first half of `reply` and closes, as a killed daemon
        kSilent,         // never answers and keeps the connection open
    };
    FakeDaemon(const std::string& socketPath, Mode mode, std::string reply);
    ~FakeDaemon();
    FakeDaemon(const FakeDaemon&) = delete;
    FakeDaemon& operator=(const FakeDaemon&) = delete;

    // The bytes of the last request received.
    std::string LastRequest();

private:
    void Serve();

    int listener_ = -1;
    Mode mode_;
    std::string reply_;
    std::atomic<bool> stop_{false};
    std::string lastRequest_;
    std::atomic<bool> haveRequest_{false};
    std::thread thread_;
};

}  // namespace testing_support
