// tests/scanners/plugin/ProviderFilterRunTest.cpp: real messages through FilterExecute
// with the real provider libraries installed in the provider directory: QPFLTMSA.so and
// QPAVGEN.so asking the program's private spamd and clamd, QPWINDNS.so asking a private
// dnsmasq and QPDomainKeys.so verifying signatures made here. The filters act on their
// verdicts, and the counters show them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <initializer_list>
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
#include "tests/scanners/daemons/PrivateDaemons.h"
#include "tests/scanners/dkim/DkimSigning.h"
#include "tests/scanners/dns/DnsTestServer.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

// A plug-in tree with one quarantining filter per criterion, real messages queued and
// filtered, and the report's "Executed" entries.
class FilterRun : public ::testing::Test {
protected:
    void TearDown() override { Printed(TeardownPlugin); }

    // A fresh start for the process-wide state, the report log on, and `libraries` from the
    // build copied into the provider directory.
    void Install(std::initializer_list<const char*> libraries) {
        Counters() = ScannerCounters{};
        ForgetFirstUseSettings();
        server.SetLogMode(1);
        for (const char* library : libraries)
            fs::copy_file(std::string(MTAFILTER_SCANNER_DIR) + "/" + library,
                          server.tree.Join(std::string("app64/") + library));
    }

    // Filter `id` with the one criterion `type` reaching `value`, copying to quarantine.
    void AddFilter(const std::string& id, int type, const std::string& value) {
        server.AddFilter(id, std::string(type, '\n') + "1\t\t" + value + "\t\t\t1\r\n",
                         "1\t\t\tCOPY_TO_QUARANTINE\tkeep a copy\r\n");
    }
    // Queues and filters each (id, body) message under `header`; the plug-in is loaded
    // once for all of them.
    void Run(const std::vector<std::pair<std::string, std::string>>& messages,
             const std::string& envelope, const std::string& header) {
        for (const auto& [id, body] : messages)
            server.QueueMessage("SMTP", id, envelope, header + body + "\r\n");
        ::testing::internal::CaptureStdout();
        InitializePlugin();
        for (const auto& message : messages)
            EXPECT_EQ(1, FilterExecute("", message.first.c_str(), "SMTP", 0));
        ::testing::internal::GetCapturedStdout();
    }
    // "<message id> <filter name> | <criteria text>" of each "Executed" report entry.
    std::vector<std::string> Executed() const {
        std::vector<std::string> entries;
        for (const auto& columns : server.ExecutedEntries())
            if (columns.size() > 9)
                entries.push_back(columns[2] + " " + columns[4] + " | " + columns[9]);
        return entries;
    }

    PluginTree server;
};

constexpr const char* kClamavKey =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Agents\\MTA\\Filters\\MTAFILTER\\ClamAV";
constexpr const char* kSpamAssassinKey =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Agents\\MTA\\Filters\\MTAFILTER\\SpamAssassin";
constexpr const char* kDaemonEnvelope =
    "Recipients=[SMTP:bob@example.com]\r\nSender=[SMTP:alice@example.net]\r\n"
    "ClientIP=192.0.2.7\r\n";
constexpr const char* kDaemonHeader = "From: alice@example.net\r\nSubject: news\r\n\r\n";

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
    uint32_t Counter(const char* key, const char* name) const {
        uint32_t value = 0;
        return ReadRegistryDword(key, name, &value) ? value : 0;
    }
};

TEST_F(DaemonFilterRunTest, SpamAndVirusFiltersActOnTheDaemonsVerdicts) {
    Run({{"CLEAN.MAI", "See you at noon."},
         {"SPAM.MAI", kSpamdTestPhrase},
         {"VIRUS.MAI", kClamdTestBytes}},
        kDaemonEnvelope, kDaemonHeader);
    const std::vector<std::string> executed = Executed();
    ASSERT_EQ(2u, executed.size()) << server.ReportFile();
    EXPECT_EQ("SPAM.MAI Filter SPAM | CRITERIA=SPAMASSASSIN, DATA=<PASS>1</PASS>", executed[0]);
    EXPECT_EQ(0u,
              executed[1].rfind(std::string("VIRUS.MAI Filter VIRUS | CRITERIA=HASVIRUS, DATA=") +
                                    kClamdTestSignature,
                                0))
        << executed[1];
    std::vector<std::string> quarantined = server.FilesIn("quarantine/Messages");
    std::sort(quarantined.begin(), quarantined.end());
    EXPECT_EQ((std::vector<std::string>{"SPAM.MAI", "VIRUS.MAI"}), quarantined);
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
    Run({{"SPAMVIRUS.MAI", std::string(kSpamdTestPhrase) + " " + kClamdTestBytes}}, kDaemonEnvelope,
        kDaemonHeader);
    EXPECT_TRUE(Executed().empty()) << server.ReportFile();
    EXPECT_FALSE(server.tree.Exists("quarantine/Messages/SPAMVIRUS.MAI"));
    EXPECT_EQ(1u, Counter(kCountersKey, "SA Total Scans"));
    EXPECT_EQ(1u, Counter(kCountersKey, "Antivirus Total Scans"));
    EXPECT_EQ(1u, Counter(kClamavKey, "Scan Errors"));
    // One for the check, one for the start-up ping.
    EXPECT_EQ(2u, Counter(kSpamAssassinKey, "Scan Errors"));
    EXPECT_TRUE(server.tree.Exists("connectors/SMTP/Inbound/Messages/SPAMVIRUS.MAI"));
}

constexpr const char* kProvidersKey = "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Providers";
constexpr const char* kEnvelope =
    "Recipients=[SMTP:bob@example.net]\r\nSender=[SMTP:alice@example.com]\r\n"
    "ClientIP=192.0.2.7\r\n";
const std::string kSigned =
    "From: Alice <alice@example.com>\r\nTo: bob@example.net\r\nSubject: quarterly report\r\n"
    "Date: Mon, 7 Dec 2026 06:00:00 +0000\r\nMessage-ID: <r1@example.com>\r\n\r\n"
    "The report is attached.\r\n";

class ProviderFilterRunTest : public FilterRun {
protected:
    void SetUp() override {
        ASSERT_TRUE(dns.Running()) << "dnsmasq did not start: install dnsmasq-base";
        ASSERT_FALSE(dkim_testing::Keys().publicKey.empty()) << "install openssl";
        Install({"QPWINDNS.so", "QPDomainKeys.so"});
        server.registry.SetString(kSmtpKey, "Local DNS Server List", dns.Servers());
        server.registry.SetDword(kSmtpKey, "Domain Keys Status", 1);
        server.registry.SetDword(kPluginKey, "Perform SBLRBL", 1);
        const std::string dnsKey = std::string(kProvidersKey) + "\\DNS";
        server.registry.SetString(dnsKey.c_str(), "IP Blacklists", "ip.test");
        server.registry.SetString(dnsKey.c_str(), "URI Blacklists", "uri.test");
        server.tree.WriteFile("keys.txt", "sel._domainkey.example.com v=DKIM1; k=rsa; p=" +
                                              dkim_testing::Keys().publicKey + "\n");
        server.registry.SetString((std::string(kProvidersKey) + "\\DKIM").c_str(), "Key File",
                                  server.tree.Join("keys.txt"));
    }

    dns_testing::DnsServer dns;
};

TEST_F(ProviderFilterRunTest, ListedLinksAndDkimVerdictsMeetTheirFilters) {
    AddFilter("LISTED", kUrlbl, "1");
    AddFilter("DKIMPASS", kDkim, "PASS");
    AddFilter("DKIMFAIL", kDkim, "FAIL");
    const std::string signature = dkim_testing::Sign(kSigned, dkim_testing::Keys().privateKey);
    ASSERT_FALSE(signature.empty());
    std::string tampered = signature + kSigned;
    tampered.replace(tampered.find("attached"), 8, "detached");
    const std::vector<std::pair<std::string, std::string>> messages = {
        {"CLEANLINK.MAI", "From: x@example.org\r\n\r\nsee http://192.0.2.98/offer"},
        {"LISTEDIP.MAI", "From: x@example.org\r\n\r\nsee http://192.0.2.99/offer"},
        {"LISTEDHOST.MAI", "From: x@example.org\r\n\r\nsee http://www.listed.example/"},
        {"SIGNED.MAI", signature + kSigned},
        {"TAMPERED.MAI", tampered}};
    Run(messages, kEnvelope, "");
    // The clean link is looked up and not listed, the unsigned messages meet neither DKIM
    // filter, and the tampered body breaks the signature.
    EXPECT_EQ(
        (std::vector<std::string>{
            "LISTEDIP.MAI Filter LISTED | CRITERIA=URLBL, DATA=<MF-SBLURI>ip.test</MF-SBLURI>",
            "LISTEDHOST.MAI Filter LISTED | CRITERIA=URLBL, "
            "DATA=<MF-SBLURI>uri.test</MF-SBLURI>",
            "SIGNED.MAI Filter DKIMPASS | CRITERIA=DKIM, DATA=",
            "TAMPERED.MAI Filter DKIMFAIL | CRITERIA=DKIM, DATA="}),
        Executed())
        << server.ReportFile();
    EXPECT_NE(std::string::npos, server.ReportFile().find("lookup 98.2.0.192.ip.test: not listed"));
}

}  // namespace
