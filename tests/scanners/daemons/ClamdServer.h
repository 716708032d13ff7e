// tests/scanners/daemons/ClamdServer.h: a private clamd for a test program, with a
// signature database of its own (one test signature, nothing downloaded).
#pragma once

#include <memory>
#include <string>

#include "tests/fixtures/TempTree.h"
#include "tests/scanners/daemons/DaemonFixtures.h"

namespace testing_support {

// Bytes that the private clamd reports as kClamdTestSignature.
constexpr const char* kClamdTestBytes = "QUILL-POST-TEST-VIRUS-SIGNATURE-7F3A";
constexpr const char* kClamdTestSignature = "MTAFILTER.Test.Signature";
// The private clamd's StreamMaxLength, in bytes.
constexpr int kClamdStreamMaxLength = 1024 * 1024;

class ClamdServer {
public:
    // Starts clamd; Ready() says whether it came up (false when clamd is not installed).
    ClamdServer();
    bool Ready() const { return ready_; }
    const std::string& SocketPath() const { return socket_; }
    std::string Log() const { return tree_.ReadFile("clamd.log"); }

private:
    TempTree tree_;
    std::string socket_;
    DaemonProcess process_;
    bool ready_ = false;
};

// The program's one clamd, started at the first call and stopped when the program ends.
ClamdServer& SharedClamd();

}  // namespace testing_support
