// tests/scanners/plugin/ProviderFilterRunTest.cpp: real messages through FilterExecute
// with the real QPWINDNS.so asking a private dnsmasq and the real QPDomainKeys.so
// verifying signatures made here: the URLBL and DKIM filters act on their verdicts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filters/FilterSet.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/scanners/dkim/DkimSigning.h"
#include "tests/scanners/dns/DnsTestServer.h"
#include "tests/scanners/plugin/FilterRun.h"

namespace {

using namespace testing_support;

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
