// tests/analysis/MessageLinksTest.cpp: the URI blacklist check: which links of a line are
// looked up, with which host and address, the lookup budget, the report line, and the
// percent-decoding of hosts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "analysis/MessageLinks.h"
#include "base/Settings.h"
#include "platform/Console.h"
#include "providers/DnsProvider.h"
#include "tests/fixtures/PlatformNames.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using testing_support::LibraryFileName;
using testing_support::PluginTree;

constexpr const char* kMessageId = "M1.MAI";

std::string Decode(const std::string& text, size_t capacity = 64) {
    std::vector<char> output(capacity + 1, '#');
    size_t length = 99;
    EXPECT_EQ(1, PercentDecode(text.c_str(), output.data(), capacity, &length));
    EXPECT_LT(length, capacity == 0 ? 1 : capacity);
    EXPECT_EQ('#', output[length]);  // the routine leaves terminating to its caller
    return std::string(output.data(), length);
}

// Escapes are decoded, a "%" without two hex digits dropped, the last character copied
// as it is (even when the escape before it took it), the output cut to its capacity.
TEST(PercentDecodeTest, DecodesEscapesAndKeepsTheLastCharacter) {
    EXPECT_EQ("a.Ab", Decode("a%2e%41b"));
    EXPECT_EQ("zz1", Decode("%zz1"));
    EXPECT_EQ("aA1", Decode("a%41"));
    EXPECT_EQ(std::string(1023, 'h'), Decode(std::string(2000, 'h'), 1024));
}

class MessageLinksTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSettings();
        Settings().uriSblMaxChecks = 100;
        plugin.SetLogMode(2);  // report lines to standard output
        plugin.InstallProvider("Full", LibraryFileName("QPWINDNS"));
        LoadDnsProvider("");
    }
    void TearDown() override {
        UnloadDnsProviderForTesting();
        platform::SetEnvironmentValue("STUB_DNS_LISTED_HOSTS", nullptr);
        ResetSettings();
    }

    // Checks a line; `report` receives what went to the report log.
    int Check(const std::string& line) {
        plugin.tree.WriteFile("stub-calls.txt", "");
        listName[0] = '\0';
        CaptureStdout();
        const int listed = CheckMessageLinks(kMessageId, lookups, line.c_str(), work, listName);
        report = GetCapturedStdout();
        return listed;
    }

    // The lookups of the last check, as "host,address" lines.
    std::string LookedUp() const {
        std::string calls = plugin.StubCalls();
        const std::string prefix = LibraryFileName("QPWINDNS") + "|HasORBDBEntry|";
        std::string hosts;
        for (size_t at = calls.find(prefix); at != std::string::npos;
             at = calls.find(prefix, at + 1)) {
            const size_t begin = at + prefix.size();
            hosts += calls.substr(begin, calls.find('\n', begin) + 1 - begin);
        }
        return hosts;
    }

    PluginTree plugin;
    uint32_t lookups = 0;
    char work[kLinkWorkBufferSize] = {};
    char listName[kListNameSize] = {};
    std::string report;
};

TEST_F(MessageLinksTest, WhichLinksAreLookedUp) {
    struct Case {
        const char* name;
        const char* line;
        int listed;
        const char* lookedUp;
    };
    const Case kCases[] = {
        {"escaped host", "go http://listed%2Eexample/x", 1, "listed.example,\n"},
        {"host ends at the first slash", "http://192.0.2.1/listed.example", 0,
         "192.0.2.1,192.0.2.1\n"},
        {"first listed link ends the line",
         "http://192.0.2.1/ http://listed.example/ http://192.0.2.2/", 1,
         "192.0.2.1,192.0.2.1\nlisted.example,\n"},
        {"empty host", "http:///path", 0, ",\n"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.listed, Check(c.line));
        EXPECT_EQ(c.lookedUp, LookedUp());
        if (c.listed == 1) {
            EXPECT_STREQ("test.list", listName);
        }
    }
}

// The report names the host (cut to 200 characters, while the lookup gets it whole),
// its address and the list.
TEST_F(MessageLinksTest, ListedLinkIsReportedWithHostAddressAndList) {
    platform::SetEnvironmentValue("STUB_DNS_LISTED_HOSTS", "192.0.2.9");
    EXPECT_EQ(1, Check("see http://192.0.2.9/offer"));
    EXPECT_NE(std::string::npos, report.find(" IP. 192.0.2.9 (192.0.2.9) was found in blacklist "
                                             "test.list\n"));
    for (size_t length : {200, 201}) {
        SCOPED_TRACE(length);
        const std::string host(length, 'h');
        platform::SetEnvironmentValue("STUB_DNS_LISTED_HOSTS", host.c_str());
        EXPECT_EQ(1, Check("http://" + host + "/x"));
        const std::string shown = host.substr(0, 200) + (length > 200 ? "..." : "");
        EXPECT_NE(std::string::npos, report.find(" IP. " + shown + " () was found"));
        EXPECT_EQ(host + ",\n", LookedUp());
    }
}

TEST_F(MessageLinksTest, OverLongLinkIsCutToItsBuffer) {
    // The next link is searched for behind the whole of the long one.
    const std::string host(3000, 'h');
    EXPECT_EQ(1, Check("http://" + host + "/x http://listed.example/"));
    EXPECT_EQ(std::string(1023, 'h') + ",\nlisted.example,\n", LookedUp());
}

TEST_F(MessageLinksTest, LookupBudgetStopsTheRestOfTheLine) {
    // One lookup spent before this line leaves room for two more.
    Settings().uriSblMaxChecks = 1;
    lookups = 1;
    EXPECT_EQ(0, Check("http://192.0.2.1/a http://192.0.2.2/b http://192.0.2.3/c"));
    const std::string hosts = LookedUp();
    EXPECT_EQ(2, std::count(hosts.begin(), hosts.end(), '\n'));
    EXPECT_EQ(3u, lookups);
}

// A listed link spends no budget; without the provider nothing is listed, yet the
// lookup counts.
TEST_F(MessageLinksTest, ListedLinkDoesNotSpendTheBudgetAndNoProviderListsNothing) {
    Settings().uriSblMaxChecks = 0;
    EXPECT_EQ(1, Check("http://listed.example/"));
    EXPECT_EQ(0u, lookups);
    UnloadDnsProviderForTesting();
    EXPECT_EQ(0, Check("http://listed.example/"));
    EXPECT_EQ("", LookedUp());
    EXPECT_EQ(1u, lookups);
}

}  // namespace
