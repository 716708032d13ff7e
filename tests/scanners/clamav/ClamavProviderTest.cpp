// tests/scanners/clamav/ClamavProviderTest.cpp: QPAVGEN.so, loaded as the plug-in loads
// it, scanning queued messages with a private clamd, and its answers when clamd cannot
// be asked.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "common/RegistryAccess.h"
#include "tests/fixtures/TempTree.h"
#include "tests/scanners/daemons/ClamdServer.h"
#include "tests/scanners/daemons/DaemonFixtures.h"

namespace {

using namespace testing_support;

using ProviderExecuteEntry = int32_t (*)(const char*, const char*, const char*, char*);

constexpr const char* kClamavKey =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Agents\\MTA\\Filters\\MTAFILTER\\ClamAV";
constexpr const char* kConnectorsKey = "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\CONNECTORS";

class ClamavProviderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        clamd = &SharedClamd();
        library = dlopen(MTAFILTER_SCANNER_DIR "/QPAVGEN.so", RTLD_NOW | RTLD_LOCAL);
        if (library != nullptr)
            execute = reinterpret_cast<ProviderExecuteEntry>(dlsym(library, "ProviderExecute"));
    }
    void SetUp() override {
        ASSERT_NE(nullptr, execute) << dlerror();
        if (!clamd->Ready()) GTEST_SKIP() << "clamd did not start: install clamav-daemon";
        registry.SetString(kConnectorsKey, "Connector Root Directory", tree.Join("connectors"));
        registry.SetString(kClamavKey, "Socket", clamd->SocketPath());
    }
    void Queue(const std::string& queue, const std::string& id, const std::string& message) {
        tree.WriteFile("connectors/SMTP/" + queue + "/Messages/" + id, message);
    }
    int32_t Scan(const char* id, std::string* text = nullptr) {
        char result[1024];
        std::memset(result, 'x', sizeof result);
        const int32_t found = execute("MTAFILTER", id, "SMTP", result);
        if (text != nullptr) *text = result;
        return found;
    }
    uint32_t Errors() {
        uint32_t count = 0;
        if (!ReadRegistryDword(kClamavKey, "Scan Errors", &count)) count = 0;
        return count;
    }
    std::string LastError() {
        char text[1024] = "";
        if (!ReadRegistryString(kClamavKey, "Last Error", text)) text[0] = '\0';
        return text;
    }

    static ClamdServer* clamd;
    static void* library;
    static ProviderExecuteEntry execute;
    TempTree tree;
    ScopedRegistry registry{tree};
};

ClamdServer* ClamavProviderTest::clamd = nullptr;
void* ClamavProviderTest::library = nullptr;
ProviderExecuteEntry ClamavProviderTest::execute = nullptr;

constexpr const char* kHeader = "From: a@example.net\r\nSubject: test\r\n\r\n";

TEST_F(ClamavProviderTest, ClamdNamesTheSignatureInEitherQueueAndAcrossChunks) {
    Queue("Inbound", "CLEAN.MAI", std::string(kHeader) + "Nothing to see.\r\n");
    Queue("Inbound", "VIRUS.MAI", std::string(kHeader) + kClamdTestBytes + "\r\n");
    Queue("Outgoing", "OUT.MAI", std::string(kHeader) + kClamdTestBytes + "\r\n");
    // Past several 64 KiB chunks, with the signature straddling a chunk boundary.
    std::string large = kHeader;
    large.resize(3 * 65536 - 10, 'a');
    Queue("Inbound", "LARGE.MAI", large + kClamdTestBytes + "\r\n");

    std::string text;
    EXPECT_EQ(0, Scan("CLEAN.MAI", &text));
    EXPECT_EQ("", text);
    for (const char* id : {"VIRUS.MAI", "OUT.MAI", "LARGE.MAI"}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(1, Scan(id, &text));
        EXPECT_EQ(0u, text.rfind(kClamdTestSignature, 0)) << text;
    }
    EXPECT_EQ(0u, Errors());
}

// Every way a scan can fail answers "no virus" at once (well within the timeout), counts
// the failure and says what to do about it.
TEST_F(ClamavProviderTest, FailedScansAnswerNotFoundAndAreCounted) {
    Queue("Inbound", "VIRUS.MAI", std::string(kHeader) + kClamdTestBytes + "\r\n");
    std::string beyondClamdLimit = kHeader;
    beyondClamdLimit.resize(kClamdStreamMaxLength + 4096, 'b');
    Queue("Inbound", "HUGE.MAI", beyondClamdLimit + kClamdTestBytes);
    registry.SetDword(kClamavKey, "Timeout", 1);

    struct Case {
        const char* name;
        const char* id;
        const char* socket;  // "" for the real clamd
        FakeDaemon::Mode fake;
        const char* reply;
        uint32_t ourLimit;  // "Stream Max Length"; 0 leaves the default
        const char* wantInError;
    };
    const Case kCases[] = {
        {"no daemon", "VIRUS.MAI", "nobody.sock", FakeDaemon::Mode::kReply, nullptr, 0,
         "connection refused"},
        {"garbage reply", "VIRUS.MAI", "fake.sock", FakeDaemon::Mode::kReply, "HELLO?", 0,
         "unexpected reply \"HELLO?\""},
        {"killed mid-reply", "VIRUS.MAI", "fake.sock", FakeDaemon::Mode::kCloseMidReply,
         "stream: Some.Virus FOUND", 0, "unexpected reply"},
        {"silent past the timeout", "VIRUS.MAI", "fake.sock", FakeDaemon::Mode::kSilent, "", 0,
         "timed out"},
        {"larger than our limit", "VIRUS.MAI", "", FakeDaemon::Mode::kReply, nullptr, 16,
         "\"Stream Max Length\" of 16"},
        {"larger than clamd's limit", "HUGE.MAI", "", FakeDaemon::Mode::kReply, nullptr,
         64 * 1024 * 1024, "StreamMaxLength"},
        {"not a queue name", "..", "", FakeDaemon::Mode::kReply, nullptr, 0, "not a queue file"},
        {"not queued", "MISSING.MAI", "", FakeDaemon::Mode::kReply, nullptr, 0, "not found"},
    };
    uint32_t errors = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<FakeDaemon> fake;
        if (c.reply != nullptr)
            fake = std::make_unique<FakeDaemon>(tree.Join(c.socket), c.fake, c.reply);
        registry.SetString(kClamavKey, "Socket",
                           c.socket[0] != '\0' ? tree.Join(c.socket) : clamd->SocketPath());
        registry.SetDword(kClamavKey, "Stream Max Length", c.ourLimit != 0 ? c.ourLimit : 1 << 24);
        std::string text = "unset";
        EXPECT_EQ(0, Scan(c.id, &text));
        EXPECT_EQ("", text);
        EXPECT_EQ(++errors, Errors());
        EXPECT_NE(std::string::npos, LastError().find(c.wantInError)) << LastError();
    }
}

}  // namespace
