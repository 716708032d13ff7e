// tests/frame/FilterRunConfigurationTest.cpp: ordinary configurations that must not make
// a filter silently do nothing, run through the exported FilterExecute with a real
// action (a quarantine copy): long inline lists, long criteria lines, and script filters
// whose conditions include empty ones.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "filters/FilterSet.h"
#include "frame/Exports.h"
#include "frame/Lifecycle.h"
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
    void TearDown() override {
        ::testing::internal::CaptureStdout();
        TeardownPlugin();
        ::testing::internal::GetCapturedStdout();
    }

    // Filter `id` with a quarantine copy as its action; `criteria` is its criteria table
    // (or, with `script`, its script).
    void AddFilter(const std::string& id, const std::string& criteria, bool script = false) {
        filterTable += "Rule " + id + "\t1\t" + id + "\t\tFilter " + id + "\t\r\n";
        server.tree.WriteFile("config/FILTERS/FILTER.TAB", filterTable);
        server.tree.WriteFile("config/FILTERS/CRITERIA/" + id + (script ? ".MES" : ".TAB"),
                              criteria);
        server.tree.WriteFile("config/FILTERS/ACTIONS/" + id + ".TAB",
                              "1\t\t\tCOPY_TO_QUARANTINE\tkeep a copy\r\n");
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
        std::stringstream report(server.ReportFile());
        for (std::string line; std::getline(report, line);) {
            if (line.find("\tExecuted\t") == std::string::npos) continue;
            std::vector<std::string> columns;
            std::stringstream fields(line);
            for (std::string column; std::getline(fields, column, '\t');) columns.push_back(column);
            if (columns.size() > 5 && columns[5] == "COPY_TO_QUARANTINE")
                executed.push_back(columns[4]);
        }
        return executed;
    }
    size_t QuarantinedCopies() const {
        size_t count = 0;
        for (const auto& entry :
             std::filesystem::directory_iterator(server.tree.Join("quarantine")))
            count += entry.is_regular_file() ? 1 : 0;
        return count;
    }

    PluginTree server;
    std::string filterTable;
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

TEST_F(FilterRunConfigurationTest, ALongInlineListIsEvaluatedWhole) {
    std::string senders;
    std::string addresses;
    for (int n = 0; n < 60; ++n) senders += "sender" + std::to_string(n) + "@spam.example,";
    for (int n = 0; n < 90; ++n) addresses += "198.51." + std::to_string(n) + ".*,";
    ASSERT_GT(senders.size(), 1024u);
    ASSERT_GT(addresses.size(), 1024u);
    AddFilter("FROM", TableWith(kFrom, Line(senders + "boss@example.com")));
    AddFilter("IP", TableWith(kIpAddress, Line(addresses + "192.0.2.*")));
    const std::vector<std::string> want = {"Filter FROM", "Filter IP"};
    EXPECT_EQ(want, Run("Sender=[SMTP:boss@example.com]\r\nClientIP=192.0.2.7\r\n",
                        "From: Boss <boss@example.com>\r\nSubject: hi\r\n\r\nbody\r\n"));
    EXPECT_LE(1u, QuarantinedCopies());  // the action itself ran
}

TEST_F(FilterRunConfigurationTest, ALongCriteriaLineLeavesLaterCriteriaInTheirSlots) {
    std::string words;
    for (int n = 0; n < 300; ++n) words += "spamword" + std::to_string(n) + ",";
    AddFilter("LONG", Line(words + "viagra") + Off() + Line("boss@example.com"));
    const std::vector<std::string> want = {"Filter LONG"};
    EXPECT_EQ(want, Run("Sender=[SMTP:a@example.net]\r\n",
                        "To: boss@example.com\r\nSubject: hello\r\n\r\nbody\r\n"));
    EXPECT_EQ(1u, QuarantinedCopies());
}

}  // namespace
