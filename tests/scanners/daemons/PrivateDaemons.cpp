// tests/scanners/daemons/PrivateDaemons.cpp: spamd and clamd in the foreground, each
// answering a PING before it counts as ready.
#include "tests/scanners/daemons/PrivateDaemons.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace testing_support {

void PrivateDaemon::StartSpamd() {
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
    ready_ = process_.Start({"/usr/sbin/spamd", "--configpath=" + tree_.Join("rules"),
                             "--siteconfigpath=" + tree_.Join("site"), "--local", "--nouser-config",
                             "--max-children=1", "--socketpath=" + socket_, "--syslog=stderr"},
                            tree_.Join("spamd.log")) &&
             AnswersWithin(socket_, "PING SPAMC/1.5\r\n\r\n", "PONG", 60000);
}

void PrivateDaemon::StartClamd() {
    if (access("/usr/sbin/clamd", X_OK) != 0) return;
    // An extended signature: any file type, anywhere in the stream.
    std::string hex;
    for (const char* byte = kClamdTestBytes; *byte != '\0'; ++byte) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(*byte));
        hex += pair;
    }
    tree_.WriteFile("db/test.ndb", std::string(kClamdTestSignature) + ":0:*:" + hex + "\n");
    tree_.WriteFile("clamd.conf", "LocalSocket " + socket_ + "\nDatabaseDirectory " +
                                      tree_.Join("db") + "\nForeground yes\nLogFile " +
                                      tree_.Join("clamd.log") + "\nStreamMaxLength " +
                                      std::to_string(kClamdStreamMaxLength) +
                                      "\nMaxThreads 4\nReadTimeout 5\n");
    ready_ = process_.Start({"/usr/sbin/clamd", "-c", tree_.Join("clamd.conf")},
                            tree_.Join("clamd.out")) &&
             AnswersWithin(socket_, std::string("zPING") + '\0', "PONG", 30000);
}

// Objects of the program, so that each daemon is stopped (and its directory removed) when
// the program ends, after every test that shares it.
PrivateDaemon& SharedSpamd() {
    static PrivateDaemon spamd("spamd.sock", &PrivateDaemon::StartSpamd);
    return spamd;
}

PrivateDaemon& SharedClamd() {
    static PrivateDaemon clamd("clamd.sock", &PrivateDaemon::StartClamd);
    return clamd;
}

}  // namespace testing_support
