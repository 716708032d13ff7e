// tests/scanners/daemons/PrivateDaemons.h: a private spamd and clamd for a test program,
// each on a unix socket in its own temporary directory, with rules and signatures made
// here (one test rule, one test signature; nothing downloaded, no network tests).
#pragma once

#include <string>

#include "tests/fixtures/TempTree.h"
#include "tests/scanners/daemons/DaemonFixtures.h"

namespace testing_support {

// A body phrase that the private spamd scores 10 against a threshold of 5.
constexpr const char* kSpamdTestPhrase = "QUILL-POST-TEST-SPAM-PHRASE";
// Bytes that the private clamd reports as kClamdTestSignature.
constexpr const char* kClamdTestBytes = "QUILL-POST-TEST-VIRUS-SIGNATURE-7F3A";
constexpr const char* kClamdTestSignature = "MTAFILTER.Test.Signature";
// The private clamd's StreamMaxLength, in bytes.
constexpr int kClamdStreamMaxLength = 1024 * 1024;

class PrivateDaemon {
public:
    // Ready() says whether the daemon came up (false when it is not installed).
    bool Ready() const { return ready_; }
    const std::string& SocketPath() const { return socket_; }

private:
    friend PrivateDaemon& SharedSpamd();
    friend PrivateDaemon& SharedClamd();
    PrivateDaemon(const char* socketName, void (PrivateDaemon::*start)())
        : socket_(tree_.Join(socketName)) {
        (this->*start)();
    }
    void StartSpamd();
    void StartClamd();

    TempTree tree_;
    std::string socket_;
    DaemonProcess process_;
    bool ready_ = false;
};

// The program's one spamd and one clamd, each started at its first call and stopped when
// the program ends.
PrivateDaemon& SharedSpamd();
PrivateDaemon& SharedClamd();

}  // namespace testing_support
