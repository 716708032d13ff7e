// tests/scanners/spamassassin/SpamAssassinProviderTest.cpp: QPFLTMSA.so, loaded as the
// plug-in loads it, asking a private spamd about queued messages, and what it answers
// when spamd cannot be asked.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "common/RegistryAccess.h"
#include "tests/fixtures/TempTree.h"
#include "tests/scanners/daemons/DaemonFixtures.h"
#include "tests/scanners/daemons/SpamdServer.h"

namespace {

using namespace testing_support;

using Entry = int32_t (*)(const char*, int32_t, char*, int32_t*);

constexpr const char* kSpamAssassinKey =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Agents\\MTA\\Filters\\MTAFILTER\\SpamAssassin";
constexpr const char* kHeader = "From: a@example.net\r\nSubject: test\r\n\r\n";

class SpamAssassinProviderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        spamd = &SharedSpamd();
        void* library = dlopen(MTAFILTER_SCANNER_DIR "/QPFLTMSA.so", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) return;
        initialize = reinterpret_cast<Entry>(dlsym(library, "QP_Initialize"));
        execute = reinterpret_cast<Entry>(dlsym(library, "QP_Execute"));
    }
    void SetUp() override {
        ASSERT_NE(nullptr, execute) << dlerror();
        if (!spamd->Ready()) GTEST_SKIP() << "spamd did not start: install spamd";
        registry.SetString(kSpamAssassinKey, "Server", spamd->SocketPath());
    }
    // Asks about `message`, written as the queue file; returns Execute's result.
    int32_t Check(const std::string& message, std::string* text) {
        tree.WriteFile("M1.MAI", message);
        const std::string command = "<FILENAME>" + tree.Join("M1.MAI") + "</FILENAME><CMDFILE>" +
                                    tree.Join("M1") + "</CMDFILE>";
        char result[1024];
        std::memset(result, 'x', sizeof result);
        int32_t length = 1024;
        const int32_t returned =
            execute(command.c_str(), static_cast<int32_t>(command.size()), result, &length);
        *text = result;
        EXPECT_EQ(static_cast<int32_t>(text->size()), length);
        return returned;
    }
    uint32_t Counter(const char* name) {
        uint32_t count = 0;
        if (!ReadRegistryDword(kSpamAssassinKey, name, &count)) count = 0;
        return count;
    }
    std::string LastError() {
        char text[1024] = "";
        if (!ReadRegistryString(kSpamAssassinKey, "Last Error", text)) text[0] = '\0';
        return text;
    }

    static SpamdServer* spamd;
    static Entry initialize;
    static Entry execute;
    TempTree tree;
    ScopedRegistry registry{tree};
};

SpamdServer* SpamAssassinProviderTest::spamd = nullptr;
Entry SpamAssassinProviderTest::initialize = nullptr;
Entry SpamAssassinProviderTest::execute = nullptr;

TEST_F(SpamAssassinProviderTest, SpamdDecidesSpamAndHam) {
    std::string text;
    EXPECT_EQ(1, Check(std::string(kHeader) + kSpamdTestPhrase + "\r\n", &text));
    EXPECT_EQ("<PASS>0</PASS><SCORE>10.0</SCORE><THRESHOLD>5.0</THRESHOLD>", text);
    EXPECT_EQ(1, Check(std::string(kHeader) + "Lunch at noon?\r\n", &text));
    EXPECT_EQ(0u, text.rfind("<PASS>1</PASS><SCORE>", 0)) << text;
    EXPECT_EQ(0u, Counter("Scan Errors"));
    char result[1024];
    int32_t length = 0;
    EXPECT_EQ(1, initialize("", 0, result, &length));
    EXPECT_EQ(0u, Counter("Scan Errors"));  // spamd answered the ping
}

TEST_F(SpamAssassinProviderTest, RequestCarriesLengthAndConfiguredUser) {
    FakeDaemon fake(tree.Join("fake.sock"), FakeDaemon::Mode::kReply,
                    "SPAMD/1.1 0 EX_OK\r\nContent-length: 0\r\nSpam: False ; 1.5 / 5.0\r\n\r\n");
    registry.SetString(kSpamAssassinKey, "Server", tree.Join("fake.sock"));
    registry.SetString(kSpamAssassinKey, "User", "filter");
    std::string text;
    EXPECT_EQ(1, Check("Subject: x\r\n\r\nbody\r\n", &text));
    EXPECT_EQ("<PASS>1</PASS><SCORE>1.5</SCORE><THRESHOLD>5.0</THRESHOLD>", text);
    EXPECT_EQ(
        "CHECK SPAMC/1.5\r\nContent-length: 20\r\nUser: filter\r\n\r\nSubject: x\r\n\r\nbody\r\n",
        fake.LastRequest());
}

// Each failure answers within the timeout: fail-open by default (the call fails, which
// the plug-in reads as passed), spam with "Fail Closed"; each is counted and explained.
TEST_F(SpamAssassinProviderTest, FailuresFollowFailClosedAndAreCounted) {
    registry.SetDword(kSpamAssassinKey, "Timeout", 1);
    struct Case {
        const char* name;
        const char* socket;  // "" for the real spamd
        FakeDaemon::Mode fake;
        const char* reply;  // null: no fake daemon
        const char* wantInError;
    };
    const Case kCases[] = {
        {"connection refused", "nobody.sock", FakeDaemon::Mode::kReply, nullptr,
         "connection refused"},
        {"killed mid-reply", "fake.sock", FakeDaemon::Mode::kCloseMidReply,
         "SPAMD/1.1 0 EX_OK\r\nContent-length: 0\r\nSpam: True ; 9.0 / 5.0\r\n\r\n",
         "in the middle of its reply"},
        {"slow past the timeout", "fake.sock", FakeDaemon::Mode::kSilent, "", "timed out"},
        {"garbage reply", "fake.sock", FakeDaemon::Mode::kReply, "220 smtp.example ESMTP\r\n\r\n",
         "unexpected reply \"220 smtp.example ESMTP"},
        {"refusal", "fake.sock", FakeDaemon::Mode::kReply, "SPAMD/1.0 76 Bad header line\r\n\r\n",
         "refused the check"},
        {"verdict unreadable", "fake.sock", FakeDaemon::Mode::kReply,
         "SPAMD/1.1 0 EX_OK\r\nSpam: Maybe ; x / 5.0\r\n\r\n", "cannot be read"},
    };
    uint32_t errors = 0;
    for (uint32_t failClosed : {0u, 1u}) {
        registry.SetDword(kSpamAssassinKey, "Fail Closed", failClosed);
        for (const Case& c : kCases) {
            SCOPED_TRACE(std::string(c.name) + (failClosed ? ", fail closed" : ", fail open"));
            std::unique_ptr<FakeDaemon> fake;
            if (c.reply != nullptr)
                fake = std::make_unique<FakeDaemon>(tree.Join(c.socket), c.fake, c.reply);
            registry.SetString(kSpamAssassinKey, "Server", tree.Join(c.socket));
            std::string text;
            EXPECT_EQ(failClosed ? 1 : 0, Check(std::string(kHeader) + "hello\r\n", &text));
            EXPECT_EQ(0u,
                      text.rfind(failClosed ? "<PASS>0</PASS><ERROR>" : "<PASS>1</PASS><ERROR>", 0))
                << text;
            EXPECT_EQ(++errors, Counter("Scan Errors"));
            EXPECT_NE(std::string::npos, LastError().find(c.wantInError)) << LastError();
        }
    }
}

TEST_F(SpamAssassinProviderTest, OversizedMessagesAreNotSentAndPass) {
    registry.SetDword(kSpamAssassinKey, "Max Message Size", 64);
    registry.SetDword(kSpamAssassinKey, "Fail Closed", 1);
    std::string text;
    EXPECT_EQ(0, Check(std::string(kHeader) + kSpamdTestPhrase + std::string(100, 'a'), &text));
    EXPECT_EQ(0u, text.rfind("<PASS>1</PASS><UNSCANNED>", 0)) << text;
    EXPECT_EQ(1u, Counter("Unscanned"));
    EXPECT_EQ(0u, Counter("Scan Errors"));
}

TEST_F(SpamAssassinProviderTest, InitializeWarnsWhenSpamdIsAbsentButSucceeds) {
    registry.SetString(kSpamAssassinKey, "Server", tree.Join("nobody.sock"));
    char result[1024];
    int32_t length = 0;
    EXPECT_EQ(1, initialize("", 0, result, &length));
    EXPECT_EQ(1u, Counter("Scan Errors"));
    EXPECT_NE(std::string::npos, LastError().find("does not answer")) << LastError();
}

}  // namespace
