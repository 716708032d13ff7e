// tests/analysis/WhitelistsTest.cpp: the system whitelist key and its address patterns,
// the outbound whitelist files and the IPADDRESS_WHITELISTED criterion built on them.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "analysis/IpPatterns.h"
#include "analysis/Whitelists.h"
#include "base/Settings.h"
#include "common/SafeText.h"
#include "tests/filters/HandBuiltRun.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using testing_support::HandBuiltRun;
using testing_support::kSmtpKey;
using testing_support::PluginTree;

const std::string kWhiteListKey = std::string(kSmtpKey) + "\\White List";
constexpr const char* kSwitch = "Whitelist Outbound IPAddresses";
constexpr const char* kMode = "Whitelist Outbound IPAddress Mode";
constexpr const char* kServerFile = "config/Connections/Whitelist/192.0.2.77.tab";
constexpr const char* kAcmeFile = "config/Postoffices/acme/Connections/Whitelist/192.0.2.77.tab";

class WhitelistsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSettings();
        SafeCopy(Settings().whitelistConfigurationDirectory, plugin.tree.Join("config").c_str());
        plugin.SetLogMode(2);  // report lines to standard output
    }
    void TearDown() override { ResetSettings(); }

    PluginTree plugin;
};

TEST_F(WhitelistsTest, SystemWhiteListTriesEveryValueName) {
    plugin.registry.SetString(kWhiteListKey, std::string(300, '9'), "");  // too long: skipped
    plugin.registry.SetString(kWhiteListKey, "10.9.*", "");
    plugin.registry.SetString(kWhiteListKey, "192.0.2.*", "");
    plugin.registry.SetString(kWhiteListKey, "2001:db8::*", "");
    CaptureStdout();
    EXPECT_EQ(1, IsInSystemWhiteList("192.0.2.7"));  // the second pattern
    EXPECT_EQ(0, IsInSystemWhiteList("2001"));       // IPv4 text against IPv6 patterns
    const std::string out = GetCapturedStdout();
    EXPECT_NE(std::string::npos, out.find("QP-I0092: 192.0.2.7 is registered in the system "
                                          "whitelist and was therefore excluded from checking\n"));
    EXPECT_EQ(std::string::npos, out.find("QP-I0092: 2001"));
}

TEST_F(WhitelistsTest, OutboundFileIsNamedForTheAddressInItsScope) {
    struct Case {
        const char* name;
        int switchValue;  // -1: not set
        int mode;         // -1: not set
        const char* file;
        const char* address;
        const char* postoffice;
        const char* mailbox;
        int want;
    };
    const Case kCases[] = {
        {"switch missing", -1, -1, kServerFile, "192.0.2.77", "", nullptr, 0},
        {"mode 3: first three parts", 1, 3, "config/Connections/Whitelist/192.0.2.tab",
         "192.0.2.77", "", nullptr, 1},
        {"IPv6 colons become dashes", 1, -1, "config/Connections/Whitelist/2001-db8--1.tab",
         "2001:db8::1", "", nullptr, 1},
        {"postoffice ignores the server file", 1, -1, kServerFile, "192.0.2.77", "acme", nullptr,
         0},
        {"mailbox file", 1, -1,
         "config/Postoffices/acme/Mailboxes/bob/Connections/Whitelist/192.0.2.77.tab", "192.0.2.77",
         "acme", "bob", 1},
        {"mailbox ignores the postoffice file", 1, -1, kAcmeFile, "192.0.2.77", "acme", "bob", 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        PluginTree fresh;
        SafeCopy(Settings().whitelistConfigurationDirectory, fresh.tree.Join("config").c_str());
        if (c.switchValue >= 0) fresh.registry.SetDword(kSmtpKey, kSwitch, c.switchValue);
        if (c.mode >= 0) fresh.registry.SetDword(kSmtpKey, kMode, c.mode);
        fresh.tree.WriteFile(c.file, "");
        EXPECT_EQ(c.want, IsOutboundWhiteListed(c.address, c.postoffice, c.mailbox));
    }
    // A server-level test creates the connection folders the connector expects.
    SafeCopy(Settings().whitelistConfigurationDirectory, plugin.tree.Join("config").c_str());
    plugin.registry.SetDword(kSmtpKey, kSwitch, 1);
    EXPECT_EQ(0, IsOutboundWhiteListed("192.0.2.77", "", nullptr));
    EXPECT_TRUE(plugin.tree.Exists("config/Connections/Spam"));
}

TEST_F(WhitelistsTest, SelectorChoosesWhichListsCount) {
    struct Case {
        const char* name;
        const char* value;
        const char* account;
        bool systemList;
        const char* file;
        int wantCount;
    };
    const Case kCases[] = {
        {"1: account file", "1", "acme", false, kAcmeFile, 1},
        {"2: system list", "2", "acme", true, nullptr, 1},
        {"2: account ignores the server file", "2", "acme", false, kServerFile, 0},
        {"2: empty account means the server file", "2", "", false, kServerFile, 1},
        {"other selector tests nothing", "3", "", true, kServerFile, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        PluginTree fresh;
        SafeCopy(Settings().whitelistConfigurationDirectory, fresh.tree.Join("config").c_str());
        fresh.registry.SetDword(kSmtpKey, kSwitch, 1);
        if (c.systemList) fresh.registry.SetString(kWhiteListKey, "192.0.2.*", "");
        if (c.file != nullptr) fresh.tree.WriteFile(c.file, "");
        HandBuiltRun run;
        run.AddFilter(kIpAddressWhitelisted, c.value);
        SafeCopy(run.Result(1).resultText[kIpAddressWhitelisted], "stale");
        EXPECT_EQ(1, EvaluateWhitelisted(kIpAddressWhitelisted, c.account, nullptr, "192.0.2.77",
                                         &run.set, &run.evaluations));
        const FilterEvaluation& result = run.Result(1);
        EXPECT_EQ(c.wantCount, result.matchCount[kIpAddressWhitelisted]);
        EXPECT_STREQ(c.wantCount > 0 ? "" : "stale", result.resultText[kIpAddressWhitelisted]);
        EXPECT_STREQ(c.wantCount > 0 ? "1" : "", result.conditionValues[kIpAddressWhitelisted][0]);
    }
}

TEST_F(WhitelistsTest, WhitelistedAddressStaysWhitelistedForTheCall) {
    plugin.registry.SetDword(kSmtpKey, kSwitch, 1);
    plugin.tree.WriteFile(kServerFile, "");
    // Only the server-level file exists: "2" alone would not find it for account acme.
    for (const auto& [value, wantCount] : {std::pair{"2\t1", 1}, std::pair{"1\t2", 2}}) {
        SCOPED_TRACE(value);
        HandBuiltRun run;
        run.AddFilter(kIpAddressWhitelisted, value);
        (void)EvaluateWhitelisted(kIpAddressWhitelisted, "acme", nullptr, "192.0.2.77", &run.set,
                                  &run.evaluations);
        EXPECT_EQ(wantCount, run.Result(1).matchCount[kIpAddressWhitelisted]);
    }
}

// The address patterns of the system whitelist: IPv4 compared as text (a star takes the
// rest of an octet, an octet that is a prefix of the other is accepted), IPv6 as numbers.
TEST(IpPatterns, IPv4AsTextAndIPv6AsNumbers) {
    const struct {
        const char* name;
        int (*match)(const char*, const char*);
        const char* address;
        const char* pattern;
        int want;
    } kCases[] = {
        {"star after a digit", MatchIPv4Pattern, "192.168.14.7", "192.168.1*.7", 1},
        {"star octet, other prefix", MatchIPv4Pattern, "192.168.24.7", "192.168.1*.7", 0},
        {"pattern shorter", MatchIPv4Pattern, "10.1.2.3", "10.1.2", 0},
        {"pattern octet shorter", MatchIPv4Pattern, "192.0.2.7", "19.0.2.7", 1},
        {"address octet shorter", MatchIPv4Pattern, "19.0.2.7", "192.0.2.7", 1},
        {"differing before the dot", MatchIPv4Pattern, "182.0.2.7", "19.0.2.7", 0},
        {"gap in the address", MatchIPv6Pattern, "2001:db8::1", "2001:db8:0:0:0:0:0:1", 1},
        {"leading zeros", MatchIPv6Pattern, "2001:0db8::0001", "2001:db8::1", 1},
        {"five digits", MatchIPv6Pattern, "2001:db8::1", "2001:db8::00001", 0},
        {"gap is zeros, not any", MatchIPv6Pattern, "2001:db8:1::42", "2001:db8::*", 0},
        {"lone star is not eight groups", MatchIPv6Pattern, "2001:db8::1", "*", 0},
        {"two gaps", MatchIPv6Pattern, "1::2::3", "1::2::3", 0},
        {"nine groups", MatchIPv6Pattern, "1:2:3:4:5:6:7:8:9", "*:*:*:*:*:*:*:*", 0},
    };
    for (const auto& c : kCases) EXPECT_EQ(c.want, c.match(c.address, c.pattern)) << c.name;
}

}  // namespace
