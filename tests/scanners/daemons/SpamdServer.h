// tests/scanners/daemons/SpamdServer.h: a private spamd for a test program, with a rules
// file of its own (one test rule, no network tests, no downloaded rules).
#pragma once

#include <string>

#include "tests/fixtures/TempTree.h"
#include "tests/scanners/daemons/DaemonFixtures.h"

namespace testing_support {

// A body phrase that the private spamd scores 10 against a threshold of 5.
constexpr const char* kSpamdTestPhrase = "QUILL-POST-TEST-SPAM-PHRASE";

class SpamdServer {
public:
    // Starts spamd; Ready() says whether it came up (false when spamd is not installed).
    SpamdServer();
    bool Ready() const { return ready_; }
    const std::string& SocketPath() const { return socket_; }

private:
    TempTree tree_;
    std::string socket_;
    DaemonProcess process_;
    bool ready_ = false;
};

// The program's one spamd, started at the first call and stopped when the program ends.
SpamdServer& SharedSpamd();

}  // namespace testing_support
