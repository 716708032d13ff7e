// tests/scanners/daemons/SpamdServer.cpp: spamd in the foreground on a unix socket in a
// temporary directory, its rules only those written here.
#include "tests/scanners/daemons/SpamdServer.h"

#include <sys/stat.h>
#include <unistd.h>

namespace testing_support {

SpamdServer::SpamdServer() : socket_(tree_.Join("spamd.sock")) {
    if (access("/usr/sbin/spamd", X_OK) != 0) return;
    // spamd's children give up root for "nobody", who must read the rules.
    chmod(tree_.Path().c_str(), 0755);
    // The Check plug-in is what scans at all; the TLD list keeps spamd from asking for
    // sa-update.
    tree_.WriteFile("rules/init.pre", "loadplugin Mail::SpamAssassin::Plugin::Check\n");
    tree_.WriteFile("rules/10_test.cf", std::string("required_score 5.0\n"
                                                    "util_rb_tld com net org\n"
                                                    "body QP_TEST_SPAM /") +
                                            kSpamdTestPhrase + "/\nscore QP_TEST_SPAM 10.0\n");
    tree_.WriteFile("site/local.cf", "\n");
    if (!process_.Start({"/usr/sbin/spamd", "--configpath=" + tree_.Join("rules"),
                         "--siteconfigpath=" + tree_.Join("site"), "--local", "--nouser-config",
                         "--max-children=1", "--socketpath=" + socket_, "--syslog=stderr"},
                        tree_.Join("spamd.log")))
        return;
    ready_ = WaitForSocket(socket_, 60000) &&
             AskSocket(socket_, "PING SPAMC/1.5\r\n\r\n").find("PONG") != std::string::npos;
}

namespace {
SpamdServer* shared = nullptr;
}  // namespace

SpamdServer& SharedSpamd() {
    if (shared == nullptr) {
        shared = new SpamdServer;
        StopAtProgramEnd([] {
            delete shared;
            shared = nullptr;
        });
    }
    return *shared;
}

}  // namespace testing_support
