// tests/scanners/dkim/DkimProviderTest.cpp: the DKIM provider on messages signed here
// with libopendkim, keys from a key file.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "tests/fixtures/TempTree.h"
#include "tests/scanners/dkim/DkimSigning.h"
#include "tests/scanners/dns/DnsTestServer.h"

namespace {

using dkim_testing::Keys;
using dkim_testing::Sign;

using Entry = int32_t (*)(const char*, int32_t, char*, int32_t*);
constexpr const char* kSettingsKey =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Providers\\DKIM";

const std::string kMessage =
    "From: Alice <alice@example.com>\r\nTo: bob@example.net\r\nSubject: quarterly report\r\n"
    "Date: Mon, 7 Dec 2026 06:00:00 +0000\r\nMessage-ID: <r1@example.com>\r\n\r\n"
    "The report is attached.\r\nRegards, Alice\r\n";

class DkimProvider : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Keys().publicKey.empty()) << "install openssl";
        const std::string publicKey = Keys().publicKey;
        tree_.WriteFile("keys.txt",
                        "sel._domainkey.example.com v=DKIM1; k=rsa; p=" + publicKey + "\n");
        registry_.SetString(kSettingsKey, "Key File", tree_.Join("keys.txt"));
        ASSERT_NE(nullptr, handle_) << dlerror();
        initialize_ = reinterpret_cast<Entry>(dlsym(handle_, "QP_Initialize"));
        execute_ = reinterpret_cast<Entry>(dlsym(handle_, "QP_Execute"));
        ASSERT_TRUE(initialize_ && execute_);
        char result[1024];
        int32_t length = 0;
        ASSERT_EQ(1, initialize_("", 0, result, &length));
        signature_ = Sign(kMessage, Keys().privateKey);
        ASSERT_FALSE(signature_.empty());
    }

    // The answer to VERIFY for a message file holding `content`.
    std::string Verify(const std::string& content, int32_t* returned = nullptr) {
        tree_.WriteFile("queue/msg.eml", content);
        std::string command = "<COMMAND>VERIFY</COMMAND><FILENAME>" + tree_.Join("queue/msg.eml") +
                              "</FILENAME><CMDFILE>x</CMDFILE><DOMAIN>example.com</DOMAIN>"
                              "<SENDER>alice</SENDER>";
        char result[1024] = {};
        int32_t length = 1024;
        int32_t rc =
            execute_(command.c_str(), static_cast<int32_t>(command.size()), result, &length);
        if (returned != nullptr) *returned = rc;
        return result;
    }

    // The signed message with its body changed after signing.
    std::string Tampered() const {
        std::string tampered = signature_ + kMessage;
        return tampered.replace(tampered.find("attached"), 8, "detached");
    }

    testing_support::TempTree tree_;
    testing_support::ScopedRegistry registry_{tree_};
    // Kept loaded for the process, as the plug-in keeps its providers.
    void* handle_ = [] {
        static void* loaded = dlopen(DKIM_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        return loaded;
    }();
    Entry initialize_ = nullptr;
    Entry execute_ = nullptr;
    std::string signature_;
};

std::string WithBareLineFeeds(std::string text) {
    std::string out;
    for (char c : text)
        if (c != '\r') out += c;
    return out;
}

TEST_F(DkimProvider, AnswersPassFailNoneAndKeyProblems) {
    std::string otherSelector = signature_ + kMessage;
    otherSelector.replace(otherSelector.find("s=sel"), 5, "s=old");
    struct Case {
        const char* name;
        std::string content;
        const char* wantResult;
    };
    const Case kCases[] = {
        {"signed message", signature_ + kMessage, "<RESULT>1</RESULT>"},
        {"queue file with bare LF line ends", WithBareLineFeeds(signature_ + kMessage),
         "<RESULT>1</RESULT>"},
        {"body changed after signing", Tampered(), "<RESULT>0</RESULT>"},
        {"no signature", kMessage, "<RESULT>2</RESULT>"},
        {"key not published", otherSelector, "<RESULT>4</RESULT>"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        int32_t returned = 0;
        std::string answer = Verify(c.content, &returned);
        EXPECT_EQ(0u, answer.find(c.wantResult)) << answer;
        EXPECT_EQ(1, returned);
    }
    // A forged second signature does not spoil the genuine one.
    std::string forged = signature_;
    forged.replace(forged.find("d=example.com"), 13, "d=example.org");
    EXPECT_EQ(0u, Verify(signature_ + forged + kMessage).find("<RESULT>1</RESULT>"));
    // A message that cannot be read is a temporary error, and only VERIFY is done.
    char result[1024] = {};
    int32_t length = 1024;
    const std::string missing =
        "<COMMAND>VERIFY</COMMAND><FILENAME>" + tree_.Join("missing.eml") + "</FILENAME>";
    EXPECT_EQ(0, execute_(missing.c_str(), static_cast<int32_t>(missing.size()), result, &length));
    EXPECT_EQ(0, std::strncmp(result, "<RESULT>3</RESULT>", 18)) << result;
    EXPECT_EQ(0, execute_("<COMMAND>SIGN</COMMAND>", 23, result, &length));
    EXPECT_NE(nullptr, std::strstr(result, "only VERIFY")) << result;
}

// The key published in DNS (split into strings of at most 255 bytes, as DNS requires;
// dnsmasq keeps quotes, so none are given).
TEST_F(DkimProvider, FetchesTheKeyFromTheConfiguredDnsServer) {
    const std::string record = "v=DKIM1; k=rsa; p=" + Keys().publicKey;
    std::string txt = "--txt-record=sel._domainkey.example.com";
    for (size_t at = 0; at < record.size(); at += 200) txt += "," + record.substr(at, 200);
    dns_testing::DnsServer dns({"--local=/example.com/", txt});
    ASSERT_TRUE(dns.Running()) << "install dnsmasq-base";
    registry_.SetString(kSettingsKey, "Key File", "");
    registry_.SetString(kSettingsKey, "DNS Servers", dns.Servers());
    registry_.SetDword(kSettingsKey, "DNS Timeout", 2);
    char result[1024];
    int32_t resultLength = 0;
    ASSERT_EQ(1, initialize_("", 0, result, &resultLength));
    EXPECT_EQ(0u, Verify(signature_ + kMessage).find("<RESULT>1</RESULT>"));
    EXPECT_EQ(0u, Verify(Tampered()).find("<RESULT>0</RESULT>"));
}

}  // namespace
