// tests/frame/FilterRunTest.cpp: the filter run through the exported FilterExecute:
// messages it refuses, reload requests and the reload gate, the run's own filter set, and
// runs on many threads while an administrator requests reloads from another process;
// configurations that must not make a filter silently do nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "common/RegistryAccess.h"
#include "filters/FilterSet.h"
#include "frame/Exports.h"
#include "frame/FilterRun.h"
#include "frame/Lifecycle.h"
#include "frame/ReloadGate.h"
#include "frame/SystemFilterSet.h"
#include "platform/Sync.h"
#include "tests/fixtures/PluginRun.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"
#include "vbscript/ScriptEngine.h"

namespace {

using namespace testing_support;

constexpr const char* kEnvelope =
    "Recipients=[SMTP:a@example.com]\r\nSender=[SMTP:b@example.net]\r\n";
constexpr const char* kMessage = "Subject: hello\r\n\r\nbody\r\n";

std::string FilterLine(int number) {
    return "Rule " + std::to_string(number) + "\t1\tF" + std::to_string(number) + "\t\tFilter " +
           std::to_string(number) + "\t\r\n";
}

class FilterRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.SetLogMode(2);
        server.QueueMessage("SMTP", "M1.MAI", kEnvelope, kMessage);
    }
    void TearDown() override { TeardownPlugin(); }

    void WriteFilters(int count) {
        std::string table;
        for (int n = 1; n <= count; ++n) {
            table += FilterLine(n);
            server.tree.WriteFile("config/FILTERS/CRITERIA/F" + std::to_string(n) + ".TAB",
                                  std::string(15, '\n') + "1\t\t\t\t\t1\r\n");
        }
        server.tree.WriteFile("config/FILTERS/FILTER.TAB", table);
    }
    std::string Load() { return LoadPlugin(); }
    std::string Execute(const char* messageId) {
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(1, FilterExecute("", messageId, "SMTP", 0));
        return ::testing::internal::GetCapturedStdout();
    }
    uint32_t ReloadValue() {
        uint32_t value = 99;
        EXPECT_TRUE(ReadRegistryDword(kPluginKey, "Reload", &value));
        return value;
    }

    PluginTree server;
};

// Only exactly 1 requests a reload; the request loads the new table for this same
// message, and is one-shot.
TEST_F(FilterRunTest, ReloadRequestLoadsTheNewTableForThisSameMessage) {
    Load();
    WriteFilters(1);
    server.registry.SetDword(kPluginKey, "Reload", 2);
    EXPECT_EQ(std::string::npos, Execute("M1.MAI").find("Reloading"));
    EXPECT_EQ(2u, ReloadValue());
    server.registry.SetDword(kPluginKey, "Reload", 1);
    std::string out = Execute("M1.MAI");
    EXPECT_NE(std::string::npos, out.find(" Reloading filters due to change.\n"));
    EXPECT_NE(std::string::npos, out.find("Loaded 1 Filters\n"));
    EXPECT_NE(std::string::npos, out.find("Allocating 1 Results\n"));
    EXPECT_NE(std::string::npos, out.find("ProcessFilter: \n"));
    EXPECT_EQ(0u, ReloadValue());
    EXPECT_EQ(std::string::npos, Execute("M1.MAI").find("Reloading"));
}

TEST_F(FilterRunTest, ReloadToAnEmptyTableReturnsBeforeTheMessage) {
    WriteFilters(2);
    Load();
    server.tree.WriteFile("config/FILTERS/FILTER.TAB", "");
    server.registry.SetDword(kPluginKey, "Reload", 1);
    std::string out = Execute("M1.MAI");
    EXPECT_NE(std::string::npos, out.find("Releasing 2 Filters\n"));
    EXPECT_NE(std::string::npos, out.find("Loaded 0 Filters\n"));
    EXPECT_EQ(std::string::npos, out.find("Allocating"));
}

TEST_F(FilterRunTest, MissingEnvelopeIsStillScannedAndMissingMessageIsNot) {
    WriteFilters(1);
    Load();
    server.tree.WriteFile("connectors/SMTP/Inbound/Messages/NOENV.MAI", kMessage);
    EXPECT_NE(std::string::npos, Execute("NOENV.MAI").find("ProcessFilter: "));
    std::string out = Execute("NOSUCH.MAI");
    EXPECT_NE(std::string::npos, out.find("Allocating 1 Results\n"));
    EXPECT_EQ(std::string::npos, out.find("ProcessFilter"));
    EXPECT_NE(std::string::npos, out.find("Releasing 1 Results\n"));
}

TEST_F(FilterRunTest, ReloadGoesAheadAfterItsWaitsWhileAnotherRunIsInside) {
    WriteFilters(1);
    Load();
    SetReloadWaitSliceForTesting(1);
    server.registry.SetDword(kPluginKey, "Reload", 1);
    EnterRun();  // a slow run that never leaves in time
    std::string out = Execute("M1.MAI");
    LeaveRun();
    SetReloadWaitSliceForTesting(kGateWaitMs);
    EXPECT_NE(std::string::npos,
              out.find(" Filters are taking too long to execute and are being reloaded. This may "
                       "cause filter instability.\n"));
    EXPECT_NE(std::string::npos, out.find("Loaded 1 Filters\n"));
    EXPECT_EQ(0u, ReloadValue());
}

TEST_F(FilterRunTest, ARunKeepsTheSetItStartedWithAcrossAReload) {
    WriteFilters(3);
    Load();
    FilterSetRef held = CurrentSystemFilterSet();
    WriteFilters(1);
    ::testing::internal::CaptureStdout();
    ReloadSystemFilterSet();
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ("Loaded 1 Filters\n", out);  // the held set is not released under its run
    EXPECT_EQ(3, held->filterCount);
    EXPECT_STREQ("Filter 3", held->filters[3]->displayName);
    EXPECT_EQ(1, CurrentSystemFilterSet()->filterCount);
    ::testing::internal::CaptureStdout();
    held.reset();
    EXPECT_EQ("Releasing 3 Filters\nReleasing Filter 1\nReleasing Filter 2\nReleasing Filter 3\n",
              ::testing::internal::GetCapturedStdout());
}

// Eight host threads filter distinct messages while an administrator requests reloads
// from another process again and again: every call returns and nothing deadlocks.
TEST_F(FilterRunTest, ConcurrentRunsAndReloadsFromAnotherProcess) {
    WriteFilters(3);
    constexpr int kThreads = 8;
    constexpr int kMessagesEach = 12;
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kMessagesEach; ++i)
            server.QueueMessage("SMTP", "T" + std::to_string(t) + "-" + std::to_string(i) + ".MAI",
                                kEnvelope, kMessage);
    server.SetLogMode(1);
    Load();
    SetReloadWaitSliceForTesting(5);

    // Double quotes only, and none at the start: the same line suits sh and cmd.exe.
    const std::string command = MTAFILTER_TOOL " --registry \"" + server.registry.Path() +
                                "\" registry set \"HKLM\\" + kPluginKey + "\" Reload dword:1";
    ::testing::internal::CaptureStdout();
    std::thread administrator([&] {
        for (int i = 0; i < 15; ++i) {
            ASSERT_EQ(0, RunCommand(command, nullptr));
            platform::SleepMs(20);
        }
    });
    std::atomic<bool> administratorDone{false};
    std::atomic<int> calls{0};
    std::atomic<int> returned{0};
    std::vector<std::thread> hosts;
    for (int t = 0; t < kThreads; ++t) {
        // Each host goes round its messages until the administrator is done, and once
        // more after that, so that the last request is seen by some run.
        hosts.emplace_back([t, &administratorDone, &calls, &returned] {
            int roundsAfterDone = 0;
            for (int i = 0; roundsAfterDone < kMessagesEach; ++i) {
                if (administratorDone) ++roundsAfterDone;
                std::string id =
                    "T" + std::to_string(t) + "-" + std::to_string(i % kMessagesEach) + ".MAI";
                ++calls;
                if (FilterExecute("", id.c_str(), "SMTP", 0) == 1) ++returned;
            }
        });
    }
    administrator.join();
    administratorDone = true;
    for (std::thread& host : hosts) host.join();
    ::testing::internal::GetCapturedStdout();
    SetReloadWaitSliceForTesting(kGateWaitMs);
    EXPECT_EQ(calls.load(), returned.load());
    EXPECT_EQ(0, RunsInFlight());
    EXPECT_EQ(0, ReloadInProgress());
    EXPECT_NE(std::string::npos, server.ReportFile().find("Reloading filters due to change."));
}

TEST_F(FilterRunTest, MessagesThatCannotBeFilteredAnswerOneAndBadNamesAreReported) {
    server.SetLogMode(1);
    LoadPlugin();
    EXPECT_EQ(1, FilterExecute(nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(1, FilterExecute("", "../../x", "SMTP", 0));
    EXPECT_EQ(1, FilterExecute("", "M1.MAI", "..\\SMTP", 0));
    EXPECT_EQ(1, FilterExecute("", "a\r\nb", "SMTP", 0));
    EXPECT_EQ(0, RunsInFlight());
    const std::string report = server.ReportFile();
    EXPECT_NE(std::string::npos,
              report.find("message identifier \"../../x\" is not a plain file name"));
    EXPECT_NE(std::string::npos, report.find("connector name \"..\\SMTP\" is not"));
    EXPECT_NE(std::string::npos, report.find("message identifier \"a??b\" is not"));
    EXPECT_NE(std::string::npos, report.find("Check the program that queues messages"));
}

TEST_F(FilterRunTest, GateGivesUpAfterItsWaitsAndLogs) {
    server.SetLogMode(2);
    LoadPlugin();
    SetReloadInProgress(1);
    ::testing::internal::CaptureStdout();
    PassReloadGate(1);
    std::string out = ::testing::internal::GetCapturedStdout();
    SetReloadInProgress(0);
    EXPECT_NE(std::string::npos,
              out.find(" Filters are taking too long to reload and filter executing. This may "
                       "cause filter instability.\n"));
    ::testing::internal::CaptureStdout();
    PassReloadGate(1);
    EXPECT_EQ("", ::testing::internal::GetCapturedStdout());
}

// Ordinary configurations that must not make a filter silently do nothing, run with a
// real action (a quarantine copy): long inline lists and script filters whose conditions
// include empty ones.
constexpr const char* kConfiguredId = "M1.MAI";

class FilterRunConfigurationTest : public ::testing::Test {
protected:
    void SetUp() override {
        vbscript::RegisterVBScriptEngine();  // the library registers it; a test links it
        server.SetLogMode(1);
    }
    void TearDown() override { UnloadPlugin(); }

    // Filter `id` with a quarantine copy as its action; `criteria` is its criteria table
    // (or, with `script`, its script).
    void AddFilter(const std::string& id, const std::string& criteria, bool script = false) {
        server.AddFilter(id, criteria, "1\t\t\tCOPY_TO_QUARANTINE\tkeep a copy\r\n", script);
    }
    // A criteria table line enabling `condition` with threshold 1.
    static std::string Line(const std::string& condition) {
        return "1\t\t" + condition + "\t\t\t1\r\n";
    }
    static std::string Off() { return "0\t\t\t\t\t1\r\n"; }
    // A table whose line `type` is `line` and every earlier line is off.
    static std::string TableWith(int type, const std::string& line) {
        std::string table;
        for (int n = 0; n < type; ++n) table += Off();
        return table + line;
    }

    // Runs the message through FilterExecute; the names of the filters that acted.
    std::vector<std::string> Run(const std::string& envelope, const std::string& message) {
        server.QueueMessage("SMTP", kConfiguredId, envelope, message);
        ::testing::internal::CaptureStdout();
        InitializePlugin();
        EXPECT_EQ(1, FilterExecute("", kConfiguredId, "SMTP", 0));
        console = ::testing::internal::GetCapturedStdout();
        std::vector<std::string> executed;
        for (const std::vector<std::string>& columns : server.ExecutedEntries())
            if (columns.size() > 5 && columns[5] == "COPY_TO_QUARANTINE")
                executed.push_back(columns[4]);
        return executed;
    }
    size_t QuarantinedCopies() const { return server.FilesIn("quarantine").size(); }

    PluginTree server;
    std::string console;
};

TEST_F(FilterRunConfigurationTest, AnEmptyScriptConditionKeepsTheNextOccurrenceItsOwn) {
    AddFilter("S1",
              "x = CriteriaMet([QP_BODY], \"\")\r\n"
              "If CriteriaMet([QP_BODY], \"free\") Then FilterResult = 1\r\n",
              true);
    EXPECT_EQ(std::vector<std::string>{"Filter S1"},
              Run("Sender=[SMTP:a@example.net]\r\n", "Subject: hi\r\n\r\nall free today\r\n"));
    EXPECT_EQ(1u, QuarantinedCopies()) << console << server.ReportFile();
}

// Every inline-list evaluator tests the last of many alternatives, past any buffer a
// condition could have been cut to, and after an empty first one.
TEST_F(FilterRunConfigurationTest, ALongInlineListIsEvaluatedWhole) {
    std::string words = ",";
    std::string names;
    std::string senders;
    std::string addresses;
    for (int n = 0; n < 1100; ++n) words += "word" + std::to_string(n) + ",";
    for (int n = 0; n < 120; ++n) names += "*.x" + std::to_string(n) + ",";
    for (int n = 0; n < 60; ++n) senders += "sender" + std::to_string(n) + "@spam.example,";
    for (int n = 0; n < 90; ++n) addresses += "198.51." + std::to_string(n) + ".*,";
    ASSERT_GT(senders.size(), 1024u);
    ASSERT_GT(addresses.size(), 1024u);
    AddFilter("SUBJECT", TableWith(kSubject, Line(words + "viagra")));
    AddFilter("NAMES", TableWith(kHasAttachmentsMatching, Line(names + "*.exe")));
    AddFilter("FROM", TableWith(kFrom, Line(senders + "boss@example.com")));
    AddFilter("IP", TableWith(kIpAddress, Line(addresses + "192.0.2.*")));
    const std::vector<std::string> want = {"Filter SUBJECT", "Filter NAMES", "Filter FROM",
                                           "Filter IP"};
    EXPECT_EQ(want,
              Run("Sender=[SMTP:boss@example.com]\r\nClientIP=192.0.2.7\r\n",
                  "From: Boss <boss@example.com>\r\nSubject: cheap viagra\r\n"
                  "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n"
                  "Content-Type: application/x; name=\"setup.exe\"\r\n\r\nAAAA\r\n--b--\r\n"));
    EXPECT_LE(1u, QuarantinedCopies());  // the action itself ran
}

}  // namespace
