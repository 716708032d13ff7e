// tests/scanners/plugin/DaemonFilterRunTest.cpp: real messages through FilterExecute with
// the real QPFLTMSA.so and QPAVGEN.so installed in the provider directory, asking the
// program's private spamd and clamd: verdicts, counters and the filters' actions.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/Counters.h"
#include "base/Settings.h"
#include "common/RegistryAccess.h"
#include "filters/FilterSet.h"
#include "frame/Exports.h"
#include "frame/Lifecycle.h"
#include "tests/fixtures/PluginRun.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"
#include "tests/scanners/daemons/ClamdServer.h"
#include "tests/scanners/daemons/SpamdServer.h"
#include "tests/scanners/plugin/FilterRun.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

constexpr const char* kClamavKey =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Agents\\MTA\\Filters\\MTAFILTER\\ClamAV";
constexpr const char* kSpamAssassinKey =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Agents\\MTA\\Filters\\MTAFILTER\\SpamAssassin";
constexpr const char* kEnvelope =
    "Recipients=[SMTP:bob@example.com]\r\nSender=[SMTP:alice@example.net]\r\n"
    "ClientIP=192.0.2.7\r\n";
constexpr const char* kHeader = "From: alice@example.net\r\nSubject: news\r\n\r\n";

class DaemonFilterRunTest : public FilterRun {
protected:
    void SetUp() override {
        if (!SharedClamd().Ready() || !SharedSpamd().Ready())
            GTEST_SKIP() << "clamd or spamd did not start: install clamav-daemon and spamd";
        Install({"QPFLTMSA.so", "QPAVGEN.so"});
        server.registry.SetDword(kRootKey, "Update Statistics", 1);
        server.registry.SetDword(kPluginKey, "SpamAssassin Enabled", 1);
        server.registry.SetDword(kPluginKey, "Antivirus Status", 1);
        server.registry.SetString(kClamavKey, "Socket", SharedClamd().SocketPath());
        server.registry.SetString(kSpamAssassinKey, "Server", SharedSpamd().SocketPath());
        AddFilter("SPAM", kSpamAssassin, "1");
        AddFilter("VIRUS", kHasVirus, "1");
    }

    // Queues and filters each message; the plug-in is loaded once for all of them.
    void Run(const std::vector<std::pair<std::string, std::string>>& messages) {
        FilterRun::Run(messages, kEnvelope, kHeader);
    }
    uint32_t Counter(const char* key, const char* name) const {
        uint32_t value = 0;
        if (!ReadRegistryDword(key, name, &value)) value = 0;
        return value;
    }
    // The message files copied to quarantine, by name.
    std::vector<std::string> Quarantined() const {
        std::vector<std::string> names;
        const fs::path messages = server.tree.Join("quarantine/Messages");
        if (fs::exists(messages))
            for (const auto& entry : fs::directory_iterator(messages))
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(DaemonFilterRunTest, SpamAndVirusFiltersActOnTheDaemonsVerdicts) {
    Run({{"CLEAN.MAI", "See you at noon."},
         {"SPAM.MAI", kSpamdTestPhrase},
         {"VIRUS.MAI", kClamdTestBytes}});
    const std::vector<std::string> executed = Executed();
    ASSERT_EQ(2u, executed.size()) << server.ReportFile();
    EXPECT_EQ("SPAM.MAI Filter SPAM | CRITERIA=SPAMASSASSIN, DATA=<PASS>1</PASS>", executed[0]);
    EXPECT_EQ(0u,
              executed[1].rfind(std::string("VIRUS.MAI Filter VIRUS | CRITERIA=HASVIRUS, DATA=") +
                                    kClamdTestSignature,
                                0))
        << executed[1];
    EXPECT_EQ((std::vector<std::string>{"SPAM.MAI", "VIRUS.MAI"}), Quarantined());
    EXPECT_EQ(3u, Counter(kCountersKey, "SA Total Scans"));
    EXPECT_EQ(1u, Counter(kCountersKey, "SA Detections"));
    EXPECT_EQ(3u, Counter(kCountersKey, "Antivirus Total Scans"));
    EXPECT_EQ(1u, Counter(kCountersKey, "Antivirus Detected"));
    EXPECT_EQ(0u, Counter(kClamavKey, "Scan Errors"));
    EXPECT_EQ(0u, Counter(kSpamAssassinKey, "Scan Errors"));
}

// With both daemons unreachable mail flows on: nothing is matched, nothing is held,
// and both libraries count what went unscanned.
TEST_F(DaemonFilterRunTest, UnreachableDaemonsLetMailThroughAndCountIt) {
    server.registry.SetString(kClamavKey, "Socket", server.tree.Join("no-clamd.sock"));
    server.registry.SetString(kSpamAssassinKey, "Server", server.tree.Join("no-spamd.sock"));
    Run({{"SPAMVIRUS.MAI", std::string(kSpamdTestPhrase) + " " + kClamdTestBytes}});
    EXPECT_TRUE(Executed().empty()) << server.ReportFile();
    EXPECT_TRUE(Quarantined().empty());
    EXPECT_EQ(1u, Counter(kCountersKey, "SA Total Scans"));
    EXPECT_EQ(1u, Counter(kCountersKey, "Antivirus Total Scans"));
    EXPECT_EQ(1u, Counter(kClamavKey, "Scan Errors"));
    // One for the check, one for the start-up ping.
    EXPECT_EQ(2u, Counter(kSpamAssassinKey, "Scan Errors"));
    EXPECT_TRUE(fs::exists(server.tree.Join("connectors/SMTP/Inbound/Messages/SPAMVIRUS.MAI")));
}

}  // namespace
