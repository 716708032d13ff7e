// tests/actions/MessageRewritingCrashTest.cpp: a process rewriting queued messages (the
// helper program MessageRewriterProgram) is killed at random moments, many times; every
// message must stay whole (old or new bytes exactly), and the scratch files left behind
// must never look like messages.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "common/AtomicFile.h"
#include "platform/Process.h"
#include "platform/Sync.h"
#include "tests/actions/RewritingFixture.h"
#include "tests/fixtures/PlatformNames.h"

namespace {

namespace fs = std::filesystem;
using MessageRewritingCrashTest = testing_support::RewritingTest;

constexpr int kMessages = 4;
constexpr int kKills = 60;
// Where a kill lands is chance: on a fast disk most kills fall between rewrites. The
// test goes on killing past kKills until one has interrupted a write, up to this cap.
constexpr int kMaxKills = 600;
const char* const kValues[] = {"one", "two"};
constexpr int kReadyPolls = 20000;  // of a millisecond each, as long as the helper lives

std::string MessageId(int n) {
    return "M" + std::to_string(n) + ".MAI";
}

// A message large enough that a kill often lands in the middle of writing it.
std::string Message(bool prefixed, const char* value) {
    std::string body;
    for (int line = 0; body.size() < 400000; ++line)
        body += "Line " + std::to_string(line) + " of a long report body text.\r\n";
    return std::string("From: a@example.org\r\nSubject: ") + (prefixed ? "[SPAM] " : "") +
           "Report\r\nX-Crash: " + value + "\r\n\r\n" + body;
}

TEST_F(MessageRewritingCrashTest, KilledRewritesLeaveEveryMessageWhole) {
    std::set<std::string> whole;
    for (bool prefixed : {false, true})
        for (const char* value : kValues) whole.insert(Message(prefixed, value));
    const std::string ready = server.tree.Join("ready");
    std::string command = testing_support::HelperProgramPath("MessageRewriterProgram") + " " +
                          ready + " " + kValues[0] + " " + kValues[1];
    for (int n = 0; n < kMessages; ++n) {
        server.QueueMessage("SMTP", MessageId(n), "Recipients=[SMTP:b@example.com]\r\n",
                            Message(false, "one"));
        command += " " + MessageId(n);
    }

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayUs(500, 25000);
    const std::string messages = server.tree.Join("connectors/SMTP/Inbound/Messages");
    int scratchFiles = 0;
    for (int kill = 0; kill < kMaxKills && (kill < kKills || scratchFiles == 0); ++kill) {
        fs::remove(ready);
        platform::StartedProcess* rewriter = platform::StartProcess(command.c_str(), nullptr);
        ASSERT_NE(nullptr, rewriter) << command;
        for (int poll = 0; poll < kReadyPolls && !fs::exists(ready); ++poll) platform::SleepMs(1);
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ASSERT_EQ(1, platform::KillProcess(rewriter)) << "the rewriter ended by itself";

        for (int n = 0; n < kMessages; ++n) {
            std::string bytes =
                server.tree.ReadFile("connectors/SMTP/Inbound/Messages/" + MessageId(n));
            ASSERT_EQ(1u, whole.count(bytes)) << "kill " << kill << ": " << MessageId(n)
                                              << " is not whole (" << bytes.size() << " bytes)";
        }
        // Only the messages have envelopes, so only they are queued mail; anything else
        // in the Messages directory is a scratch file under its own marked name.
        scratchFiles = 0;
        for (const auto& entry : fs::directory_iterator(messages)) {
            std::string name = entry.path().filename().string();
            bool message = name.size() == 6 && name[0] == 'M' && name.substr(2) == ".MAI";
            EXPECT_TRUE(message || name.find(kScratchFileMarker) != std::string::npos) << name;
            if (!message) ++scratchFiles;
            EXPECT_EQ(message, server.tree.Exists("connectors/SMTP/Inbound/" + name)) << name;
        }
    }
    // Scratch files left behind show that kills did land in the middle of rewrites.
    EXPECT_GT(scratchFiles, 0) << "no kill interrupted a rewrite; the test proved nothing";
}

}  // namespace
