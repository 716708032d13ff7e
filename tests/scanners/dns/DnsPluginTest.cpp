// tests/scanners/dns/DnsPluginTest.cpp: the DNS provider as the plug-in loads it from
// the provider directory, with a body line's link checked by the URI blacklist scan.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "analysis/MessageLinks.h"
#include "providers/DnsProvider.h"
#include "tests/fixtures/TempTree.h"
#include "tests/scanners/dns/DnsTestServer.h"

namespace {

constexpr const char* kSettingsKey =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Providers\\DNS";

// The plug-in's own path: the provider loaded from the provider directory, a body
// line's link checked by the URI blacklist scan.
TEST(DnsProviderInPlugin, ListedLinkIsReported) {
    dns_testing::DnsServer server;
    ASSERT_TRUE(server.Running());
    testing_support::TempTree tree;
    testing_support::ScopedRegistry registry(tree);
    registry.SetString(kSettingsKey, "IP Blacklists", "ip.test");
    registry.SetString(kSettingsKey, "URI Blacklists", "uri.test");
    registry.SetString("SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post", "Application Directory",
                       tree.Join("app"));
    tree.WriteFile("app64/placeholder", "");
    std::string copy = "cp " + std::string(DNS_LIBRARY) + " " + tree.Join("app64/QPWINDNS.so");
    ASSERT_EQ(0, testing_support::RunCommand(copy, nullptr));
    ASSERT_EQ(1, LoadDnsProvider(server.Servers().c_str()));
    char work[kLinkWorkBufferSize] = {};
    char listName[kListNameSize] = {};
    uint32_t lookups = 0;
    EXPECT_EQ(0, CheckMessageLinks("m1", lookups, "see http://192.0.2.98/offer", work, listName));
    EXPECT_EQ(1, CheckMessageLinks("m1", lookups, "see http://192.0.2.99/offer", work, listName));
    EXPECT_STREQ("ip.test", listName);
}

}  // namespace
