// tests/scanners/daemons/ClamdServer.cpp: clamd in the foreground on a unix socket in
// a temporary directory, with a one-signature database made here.
#include "tests/scanners/daemons/ClamdServer.h"

#include <unistd.h>

#include <cstdio>

namespace testing_support {
namespace {

std::string Hex(const std::string& bytes) {
    std::string hex;
    char pair[3];
    for (unsigned char byte : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        hex += pair;
    }
    return hex;
}

}  // namespace

ClamdServer::ClamdServer() : socket_(tree_.Join("clamd.sock")) {
    if (access("/usr/sbin/clamd", X_OK) != 0) return;
    // An extended signature: any file type, anywhere in the stream.
    tree_.WriteFile("db/test.ndb",
                    std::string(kClamdTestSignature) + ":0:*:" + Hex(kClamdTestBytes) + "\n");
    tree_.WriteFile("clamd.conf", "LocalSocket " + socket_ + "\nDatabaseDirectory " +
                                      tree_.Join("db") + "\nForeground yes\nLogFile " +
                                      tree_.Join("clamd.log") + "\nStreamMaxLength " +
                                      std::to_string(kClamdStreamMaxLength) +
                                      "\nMaxThreads 4\nReadTimeout 5\n");
    if (!process_.Start({"/usr/sbin/clamd", "-c", tree_.Join("clamd.conf")},
                        tree_.Join("clamd.out")))
        return;
    ready_ = WaitForSocket(socket_, 30000) &&
             AskSocket(socket_, std::string("zPING") + '\0') == std::string("PONG") + '\0';
}

namespace {
ClamdServer* shared = nullptr;
}  // namespace

ClamdServer& SharedClamd() {
    if (shared == nullptr) {
        shared = new ClamdServer;
        StopAtProgramEnd([] {
            delete shared;
            shared = nullptr;
        });
    }
    return *shared;
}

}  // namespace testing_support
