// tests/scanners/dns/DnsProviderTest.cpp: the DNS provider against a real DNS server
// (dnsmasq on a loopback port, serving a test zone), loaded as the plug-in loads it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "scanners/dns/Resolver.h"
#include "tests/fixtures/TempTree.h"
#include "tests/scanners/dns/DnsTestServer.h"

namespace {

constexpr const char* kSettingsKey =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Providers\\DNS";

using LogFunction = int32_t (*)(void*, void*, void*, uint32_t, const char*);
using SetLogging = int32_t (*)(char*, LogFunction, void*, void*);
using Initialize = int32_t (*)(const char*);
using Lookup = int32_t (*)(const char*, const char*, char*, char*);

std::mutex logLock;
std::string logged;
int32_t Collect(void*, void*, void*, uint32_t level, const char* message) {
    std::lock_guard<std::mutex> hold(logLock);
    logged += std::to_string(level) + ":" + message;
    return 1;
}

class DnsProvider : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Running()) << "dnsmasq did not start: install dnsmasq-base";
        registry_.SetString(kSettingsKey, "URI Blacklists", "uri.test");
        registry_.SetString(kSettingsKey, "IP Blacklists", "ip.test");
        registry_.SetDword(kSettingsKey, "Query Timeout", 300);
        registry_.SetDword(kSettingsKey, "Query Tries", 1);
        ASSERT_NE(nullptr, library_) << dlerror();
        setLogging_ = reinterpret_cast<SetLogging>(dlsym(library_, "SetLoggingFunction"));
        initialize_ = reinterpret_cast<Initialize>(dlsym(library_, "DNSInitialize"));
        lookup_ = reinterpret_cast<Lookup>(dlsym(library_, "HasORBDBEntry"));
        ASSERT_TRUE(setLogging_ && initialize_ && lookup_);
        setLogging_(nullptr, Collect, nullptr, nullptr);
        ASSERT_EQ(1, initialize_(server_.Servers().c_str()));
    }

    // The list name when listed, "" when not.
    std::string Check(const char* host, const char* address = "") {
        char work[1024] = {};
        char listName[256] = {};
        return lookup_(host, address, work, listName) != 0 ? std::string(listName) + "!" : "";
    }

    testing_support::TempTree tree_;
    testing_support::ScopedRegistry registry_{tree_};
    dns_testing::DnsServer server_;
    // Loaded once and kept, as the plug-in keeps it: the provider's caches live as long
    // as the process.
    void* library_ = [] {
        static void* handle = dlopen(DNS_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        return handle;
    }();
    SetLogging setLogging_ = nullptr;
    Initialize initialize_ = nullptr;
    Lookup lookup_ = nullptr;
};

TEST_F(DnsProvider, ListsHostsAndAddressesByTheirZones) {
    struct Case {
        const char* name;
        const char* host;
        const char* address;
        const char* want;
    };
    const Case kCases[] = {
        {"listed domain", "listed.example", "", "uri.test!"},
        {"subdomain of a listed domain", "www.Listed.Example.", "", "uri.test!"},
        {"unlisted domain (NXDOMAIN)", "clean.example", "", ""},
        {"listed address text", "clean.example", "192.0.2.99", "ip.test!"},
        {"address literal as host", "192.0.2.99", "", "ip.test!"},
        {"unlisted address", "192.0.2.98", "192.0.2.98", ""},
        {"list refused the query", "refused.example", "", ""},
        {"not a host name", "evil%2ehost", "", ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.want, Check(c.host, c.address));
    }
    std::lock_guard<std::mutex> hold(logLock);
    EXPECT_NE(std::string::npos, logged.find("3:listed.example is listed in uri.test"));
    EXPECT_NE(std::string::npos, logged.find("refused the query")) << logged;
}

TEST_F(DnsProvider, TruncatedAnswerIsFetchedOverTcp) {
    const dns::LookupResult big =
        dns::LookUpAddress("big.example.uri.test", {server_.Servers(), 1000, 1});
    ASSERT_EQ(dns::LookupStatus::kFound, big.status) << big.error;
    EXPECT_EQ(static_cast<size_t>(dns_testing::kBigRecordCount), big.addresses.size());
    EXPECT_EQ("uri.test!", Check("big.example"));
}

TEST_F(DnsProvider, AnswersOutliveTheServerForTheirTtlOnly) {
    EXPECT_EQ("uri.test!", Check("listed.example"));
    EXPECT_EQ("", Check("cached-miss.example"));
    server_.Stop();
    // Cached: a listing and an NXDOMAIN keep their answers.
    EXPECT_EQ("uri.test!", Check("listed.example"));
    EXPECT_EQ("", Check("cached-miss.example"));
    // Not cached and the server is down: not listed, and reported.
    EXPECT_EQ("", Check("unknown-while-down.example"));
    std::lock_guard<std::mutex> hold(logLock);
    EXPECT_NE(std::string::npos,
              logged.find("1:DNS lookup of unknown-while-down.example.uri.test failed"))
        << logged;
}

// A list whose server fails or never answers one name (its upstream is silent) says "not
// listed" for it after its one try, logs the failure, and keeps answering the other names.
TEST_F(DnsProvider, ServerFailureAndASlowNameAreNotListed) {
    const dns::LookupResult broken =
        dns::LookUpAddress("broken.example.uri.test", {server_.Servers(), 300, 1});
    EXPECT_EQ(dns::LookupStatus::kFailed, broken.status) << broken.error;
    EXPECT_EQ("", Check("broken.example"));
    EXPECT_EQ("", Check("slow.example"));
    EXPECT_EQ("uri.test!", Check("listed.example"));
    std::lock_guard<std::mutex> hold(logLock);
    EXPECT_NE(std::string::npos, logged.find("broken.example.uri.test failed")) << logged;
    EXPECT_NE(std::string::npos, logged.find("slow.example.uri.test failed")) << logged;
}

TEST_F(DnsProvider, ConcurrentCallersGetTheirOwnAnswers) {
    std::atomic<int> wrong{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < 6; ++t)
        callers.emplace_back([&, t] {
            for (int i = 0; i < 20; ++i) {
                std::string miss =
                    "miss" + std::to_string(t) + "-" + std::to_string(i) + ".example";
                if (Check("listed.example") != "uri.test!") ++wrong;
                if (Check(miss.c_str()) != "") ++wrong;
                if (Check("x.example", "192.0.2.99") != "ip.test!") ++wrong;
            }
        });
    for (std::thread& caller : callers) caller.join();
    EXPECT_EQ(0, wrong.load());
}

}  // namespace
