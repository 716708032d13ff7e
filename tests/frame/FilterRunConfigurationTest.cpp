// tests/frame/FilterRunConfigurationTest.cpp: ordinary configurations that must not make
// a filter silently do nothing, run through the exported FilterExecute with a real
// action (a quarantine copy): long inline lists and script filters whose conditions
// include empty ones.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "filters/FilterSet.h"
#include "frame/Exports.h"
#include "frame/Lifecycle.h"
#include "tests/fixtures/PluginRun.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"
#include "vbscript/ScriptEngine.h"

namespace {

using namespace testing_support;

constexpr const char* kId = "M1.MAI";

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
        server.QueueMessage("SMTP", kId, envelope, message);
        ::testing::internal::CaptureStdout();
        InitializePlugin();
        EXPECT_EQ(1, FilterExecute("", kId, "SMTP", 0));
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
