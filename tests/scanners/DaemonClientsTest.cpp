// tests/scanners/DaemonClientsTest.cpp: QPFLTMSA.so (spamd) and QPAVGEN.so (clamd),
// loaded as the plug-in loads them, asking the program's private daemons about queued
// messages, and what each answers when its daemon cannot be asked.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "common/RegistryAccess.h"
#include "tests/fixtures/TempTree.h"
#include "tests/scanners/daemons/DaemonFixtures.h"
#include "tests/scanners/daemons/PrivateDaemons.h"

namespace {

using namespace testing_support;

using QpEntry = int32_t (*)(const char*, int32_t, char*, int32_t*);
using ProviderExecuteEntry = int32_t (*)(const char*, const char*, const char*, char*);

constexpr const char* kSpamKey =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Agents\\MTA\\Filters\\MTAFILTER\\SpamAssassin";
constexpr const char* kVirusKey =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Agents\\MTA\\Filters\\MTAFILTER\\ClamAV";
constexpr const char* kHeader = "From: a@example.net\r\nSubject: test\r\n\r\n";

QpEntry initializeEntry = nullptr;
QpEntry checkEntry = nullptr;
ProviderExecuteEntry scanEntry = nullptr;

class DaemonClientsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        void* spam = dlopen(MTAFILTER_SCANNER_DIR "/QPFLTMSA.so", RTLD_NOW | RTLD_LOCAL);
        void* virus = dlopen(MTAFILTER_SCANNER_DIR "/QPAVGEN.so", RTLD_NOW | RTLD_LOCAL);
        if (spam != nullptr) {
            initializeEntry = reinterpret_cast<QpEntry>(dlsym(spam, "QP_Initialize"));
            checkEntry = reinterpret_cast<QpEntry>(dlsym(spam, "QP_Execute"));
        }
        if (virus != nullptr)
            scanEntry = reinterpret_cast<ProviderExecuteEntry>(dlsym(virus, "ProviderExecute"));
    }
    void SetUp() override {
        ASSERT_TRUE(initializeEntry && checkEntry && scanEntry) << dlerror();
        registry.SetString("SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\CONNECTORS",
                           "Connector Root Directory", tree.Join("connectors"));
        registry.SetString(kSpamKey, "Server", SharedSpamd().SocketPath());
        registry.SetString(kVirusKey, "Socket", SharedClamd().SocketPath());
    }
    bool DaemonsReady() const { return SharedSpamd().Ready() && SharedClamd().Ready(); }

    // QP_Execute on a message file holding `message`; its result text into `text`.
    int32_t Check(const std::string& message, std::string* text) {
        tree.WriteFile("M1.MAI", message);
        const std::string command = "<FILENAME>" + tree.Join("M1.MAI") + "</FILENAME><CMDFILE>" +
                                    tree.Join("M1") + "</CMDFILE>";
        char result[1024];
        std::memset(result, 'x', sizeof result);
        int32_t length = 1024;
        const int32_t returned =
            checkEntry(command.c_str(), static_cast<int32_t>(command.size()), result, &length);
        *text = result;
        EXPECT_EQ(static_cast<int32_t>(text->size()), length);
        return returned;
    }
    // ProviderExecute on message `id` of the SMTP connector's queues.
    int32_t Scan(const char* id, std::string* text) {
        char result[1024];
        std::memset(result, 'x', sizeof result);
        const int32_t found = scanEntry("MTAFILTER", id, "SMTP", result);
        *text = result;
        return found;
    }
    void Queue(const std::string& queue, const std::string& id, const std::string& message) {
        tree.WriteFile("connectors/SMTP/" + queue + "/Messages/" + id, message);
    }
    static uint32_t Counter(const char* key, const char* name) {
        uint32_t count = 0;
        return ReadRegistryDword(key, name, &count) ? count : 0;
    }
    static std::string LastError(const char* key) {
        char text[1024] = "";
        return ReadRegistryString(key, "Last Error", text) ? text : "";
    }

    TempTree tree;
    ScopedRegistry registry{tree};
};

TEST_F(DaemonClientsTest, DaemonsDecideSpamHamAndVirusesInEitherQueueAndAcrossChunks) {
    if (!DaemonsReady()) GTEST_SKIP() << "install spamd and clamav-daemon";
    std::string text;
    EXPECT_EQ(1, Check(std::string(kHeader) + kSpamdTestPhrase + "\r\n", &text));
    EXPECT_EQ("<PASS>0</PASS><SCORE>10.0</SCORE><THRESHOLD>5.0</THRESHOLD>", text);
    EXPECT_EQ(1, Check(std::string(kHeader) + "Lunch at noon?\r\n", &text));
    EXPECT_EQ(0u, text.rfind("<PASS>1</PASS><SCORE>", 0)) << text;

    Queue("Inbound", "CLEAN.MAI", std::string(kHeader) + "Nothing to see.\r\n");
    Queue("Outgoing", "OUT.MAI", std::string(kHeader) + kClamdTestBytes + "\r\n");
    // Past several 64 KiB chunks, with the signature straddling a chunk boundary.
    std::string large = kHeader;
    large.resize(3 * 65536 - 10, 'a');
    Queue("Inbound", "LARGE.MAI", large + kClamdTestBytes + "\r\n");
    EXPECT_EQ(0, Scan("CLEAN.MAI", &text));
    EXPECT_EQ("", text);
    for (const char* id : {"OUT.MAI", "LARGE.MAI"}) {
        EXPECT_EQ(1, Scan(id, &text)) << id;
        EXPECT_EQ(0u, text.rfind(kClamdTestSignature, 0)) << text;
    }
    EXPECT_EQ(0u, Counter(kSpamKey, "Scan Errors"));
    EXPECT_EQ(0u, Counter(kVirusKey, "Scan Errors"));
}

TEST_F(DaemonClientsTest, SpamdRequestCarriesLengthAndConfiguredUser) {
    FakeDaemon fake(tree.Join("fake.sock"), FakeDaemon::Mode::kReply,
                    "SPAMD/1.1 0 EX_OK\r\nContent-length: 0\r\nSpam: False ; 1.5 / 5.0\r\n\r\n");
    registry.SetString(kSpamKey, "Server", tree.Join("fake.sock"));
    registry.SetString(kSpamKey, "User", "filter");
    std::string text;
    EXPECT_EQ(1, Check("Subject: x\r\n\r\nbody\r\n", &text));
    EXPECT_EQ("<PASS>1</PASS><SCORE>1.5</SCORE><THRESHOLD>5.0</THRESHOLD>", text);
    EXPECT_EQ(
        "CHECK SPAMC/1.5\r\nContent-length: 20\r\nUser: filter\r\n\r\nSubject: x\r\n\r\nbody\r\n",
        fake.LastRequest());
}

// Every way a daemon can fail is answered at once (well within the timeout), counted and
// explained: the antivirus library says "no virus"; the spamd library fails the call,
// which the plug-in reads as passed, or with "Fail Closed" answers spam.
TEST_F(DaemonClientsTest, DaemonFaultsAreAnsweredCountedAndExplained) {
    registry.SetDword(kSpamKey, "Timeout", 1);
    registry.SetDword(kVirusKey, "Timeout", 1);
    Queue("Inbound", "VIRUS.MAI", std::string(kHeader) + kClamdTestBytes + "\r\n");
    struct Fault {
        const char* name;
        FakeDaemon::Mode mode;
        const char* spamdReply;  // null: nothing listens
        const char* clamdReply;
        const char* spamdError;  // expected in "Last Error"
        const char* clamdError;
    };
    const Fault kFaults[] = {
        {"nothing listening", FakeDaemon::Mode::kReply, nullptr, nullptr, "connection refused",
         "connection refused"},
        {"garbage reply", FakeDaemon::Mode::kReply, "220 smtp.example ESMTP\r\n\r\n", "HELLO?",
         "unexpected reply \"220 smtp.example ESMTP", "unexpected reply \"HELLO?\""},
        {"killed mid-reply", FakeDaemon::Mode::kCloseMidReply,
         "SPAMD/1.1 0 EX_OK\r\nContent-length: 0\r\nSpam: True ; 9.0 / 5.0\r\n\r\n",
         "stream: Some.Virus FOUND", "in the middle of its reply", "unexpected reply"},
        {"silent past the timeout", FakeDaemon::Mode::kSilent, "", "", "timed out", "timed out"},
        {"verdict unreadable", FakeDaemon::Mode::kReply,
         "SPAMD/1.1 0 EX_OK\r\nSpam: Maybe ; x / 5.0\r\n\r\n", "stream: FOUND", "cannot be read",
         "unexpected reply"},
    };
    uint32_t spamErrors = 0;
    uint32_t virusErrors = 0;
    for (const Fault& fault : kFaults) {
        SCOPED_TRACE(fault.name);
        std::string text;
        for (uint32_t failClosed : {0u, 1u}) {
            std::unique_ptr<FakeDaemon> spamd;
            if (fault.spamdReply != nullptr)
                spamd = std::make_unique<FakeDaemon>(tree.Join("spamd.sock"), fault.mode,
                                                     fault.spamdReply);
            registry.SetString(kSpamKey, "Server", tree.Join("spamd.sock"));
            registry.SetDword(kSpamKey, "Fail Closed", failClosed);
            EXPECT_EQ(failClosed ? 1 : 0, Check(std::string(kHeader) + "hello\r\n", &text));
            EXPECT_EQ(0u,
                      text.rfind(failClosed ? "<PASS>0</PASS><ERROR>" : "<PASS>1</PASS><ERROR>", 0))
                << text;
            EXPECT_EQ(++spamErrors, Counter(kSpamKey, "Scan Errors"));
            EXPECT_NE(std::string::npos, LastError(kSpamKey).find(fault.spamdError))
                << LastError(kSpamKey);
        }
        if (fault.spamdReply == nullptr) {
            // At start-up, a warning and never a failed start: spamd may come up later.
            char result[1024];
            int32_t length = 0;
            EXPECT_EQ(1, initializeEntry("", 0, result, &length));
            EXPECT_EQ(++spamErrors, Counter(kSpamKey, "Scan Errors"));
            EXPECT_NE(std::string::npos, LastError(kSpamKey).find("does not answer"));
        }
        std::unique_ptr<FakeDaemon> clamd;
        if (fault.clamdReply != nullptr)
            clamd =
                std::make_unique<FakeDaemon>(tree.Join("clamd.sock"), fault.mode, fault.clamdReply);
        registry.SetString(kVirusKey, "Socket", tree.Join("clamd.sock"));
        EXPECT_EQ(0, Scan("VIRUS.MAI", &text));
        EXPECT_EQ("", text);
        EXPECT_EQ(++virusErrors, Counter(kVirusKey, "Scan Errors"));
        EXPECT_NE(std::string::npos, LastError(kVirusKey).find(fault.clamdError))
            << LastError(kVirusKey);
    }
}

// Too large for a limit, or not a message of the queue: nothing is sent, the message is
// not held, and the administrator sees why.
TEST_F(DaemonClientsTest, MessagesTheDaemonsMustNotSeeAreNotSent) {
    if (!DaemonsReady()) GTEST_SKIP() << "install spamd and clamav-daemon";
    registry.SetDword(kSpamKey, "Max Message Size", 64);
    registry.SetDword(kSpamKey, "Fail Closed", 1);
    std::string text;
    EXPECT_EQ(0, Check(std::string(kHeader) + kSpamdTestPhrase + std::string(100, 'a'), &text));
    EXPECT_EQ(0u, text.rfind("<PASS>1</PASS><UNSCANNED>", 0)) << text;
    EXPECT_EQ(1u, Counter(kSpamKey, "Unscanned"));
    EXPECT_EQ(0u, Counter(kSpamKey, "Scan Errors"));

    Queue("Inbound", "VIRUS.MAI", std::string(kHeader) + kClamdTestBytes + "\r\n");
    std::string beyondClamdLimit = kHeader;
    beyondClamdLimit.resize(kClamdStreamMaxLength + 4096, 'b');
    Queue("Inbound", "HUGE.MAI", beyondClamdLimit + kClamdTestBytes);
    struct Case {
        const char* id;
        uint32_t ourLimit;  // "Stream Max Length"
        const char* wantInError;
    };
    const Case kCases[] = {
        {"VIRUS.MAI", 16, "\"Stream Max Length\" of 16"},
        {"HUGE.MAI", 64 * 1024 * 1024, "StreamMaxLength"},  // clamd's own limit
        {"..", 1 << 24, "not a queue file"},
        {"MISSING.MAI", 1 << 24, "not found"},
    };
    uint32_t errors = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.id);
        registry.SetDword(kVirusKey, "Stream Max Length", c.ourLimit);
        EXPECT_EQ(0, Scan(c.id, &text));
        EXPECT_EQ("", text);
        EXPECT_EQ(++errors, Counter(kVirusKey, "Scan Errors"));
        EXPECT_NE(std::string::npos, LastError(kVirusKey).find(c.wantInError))
            << LastError(kVirusKey);
    }
}

}  // namespace
