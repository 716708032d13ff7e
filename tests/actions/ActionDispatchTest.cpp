// tests/actions/ActionDispatchTest.cpp: the action dispatcher through the exported
// FilterExecute on temporary server trees (the files each action leaves, the "Executed"
// entry, the dispatch status, STOP_PROCESSING), and mailbox filter sets dispatched
// directly.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "actions/ActionContext.h"
#include "actions/ActionDispatch.h"
#include "base/Settings.h"
#include "common/SafeText.h"
#include "frame/Exports.h"
#include "frame/FilterRun.h"
#include "frame/Lifecycle.h"
#include "tests/filters/HandBuiltRun.h"
#include "tests/fixtures/PlatformNames.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"
#include "vbscript/ScriptEngine.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

// The administrator's program of EXECUTE_APPLICATION, on every system.
const std::string kHelper = HelperProgramPath("PlatformHelperProgram");

constexpr const char* kId = "M1.MAI";
constexpr const char* kEnvelope =
    "Recipients=[SMTP:a@example.com]\r\nSender=[SMTP:b@example.net]\r\nClientIP=192.0.2.7\r\n"
    "Subject=Quarterly report\r\n";
constexpr const char* kMessage =
    "From: b@example.net\r\nTo: a@example.com\r\nSubject: Quarterly report\r\n\r\nFigures.\r\n";
constexpr const char* kAllMessagesCriteria = "\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n1\t\t\t\t\t1\r\n";

std::string Line(const std::string& name, const std::string& parameter = "",
                 const std::string& status = "1") {
    return status + "\t\t" + parameter + "\t" + name + "\tnote\r\n";
}

class ActionDispatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.SetLogMode(1);
        server.QueueMessage("SMTP", kId, kEnvelope, kMessage);
    }
    void TearDown() override { TeardownPlugin(); }

    // Filter `id` ("Filter <id>" in logs), met for every message, with its action lines.
    void AddFilter(const std::string& id, const std::string& actions,
                   const std::string& criteria = kAllMessagesCriteria) {
        server.AddFilter(id, criteria, actions);
    }
    std::string Execute() {
        ::testing::internal::CaptureStdout();
        InitializePlugin();
        EXPECT_EQ(1, FilterExecute("", kId, "SMTP", 0));
        return ::testing::internal::GetCapturedStdout();
    }
    int32_t RunStatus() {
        ::testing::internal::CaptureStdout();
        InitializePlugin();
        char reportLine[2048] = {};
        int32_t status = RunFilters("SMTP", kId, reportLine, sizeof reportLine);
        ::testing::internal::GetCapturedStdout();
        return status;
    }
    std::vector<std::vector<std::string>> Executed() const { return server.ExecutedEntries(); }
    bool Queued() const {
        return server.tree.Exists("connectors/SMTP/Inbound/M1.MAI") &&
               server.tree.Exists("connectors/SMTP/Inbound/Messages/M1.MAI");
    }

    PluginTree server;
};

// Every server action through the dispatcher: each leaves its files, the entry lists only
// those that worked (a disabled line is bypassed, an unknown name skipped, names ignore
// case, a parameter splits at its first "|" only), and DELETE does not stop later filters.
TEST_F(ActionDispatchTest, ServerActionsLeaveTheirFilesAndOneEntryEach) {
    server.registry.SetString(kPluginKey, "Forward Sender Address", "filter@example.com");
    const std::string piped = server.tree.Join("piped.txt");
    // The last line's name is also its last column: it loses its line end before the cut.
    AddFilter("F1", Line("ADD_HEADER", "X-Filtered|[QP_MSG]|[QP_CON]") +
                        Line("ADD_SUBJECT_PREFIX", "[Checked] ") + Line("Copy_To_Quarantine") +
                        Line("NO_SUCH_ACTION") + Line("COPY_TO_BADMAIL", "", "0") +
                        Line("COPY_TO_BADMAIL") + Line("FORWARD_TO_ADDRESS", "boss@example.com") +
                        Line("EXECUTE_APPLICATION", kHelper + "|write " + piped + " one|two") +
                        "1\t\t\tdelete\r\n");
    AddFilter("F2", Line("COPY_TO_QUARANTINE") + Line("STOP_PROCESSING"));
    std::string out = Execute();
    EXPECT_NE(std::string::npos,
              out.find("All for rule (Rule F1) satisfied. Executing associated action (F1).\n"));
    EXPECT_NE(std::string::npos, out.find("Bypassing Action. Status Disabled\n"));
    const std::string held = server.tree.ReadFile("quarantine/Messages/M1.MAI");
    EXPECT_NE(std::string::npos, held.find("X-Filtered: M1.MAI|SMTP\r\n")) << held;
    EXPECT_NE(std::string::npos, held.find("Subject: [Checked] Quarterly report\r\n")) << held;
    EXPECT_EQ(held, server.tree.ReadFile("badmail/Messages/M1.MAI"));
    EXPECT_EQ("one|two\n", server.tree.ReadFile("piped.txt"));
    EXPECT_FALSE(server.tree.Exists("connectors/SMTP/Inbound/M1.MAI"));
    EXPECT_FALSE(server.tree.Exists("connectors/SMTP/Inbound/Messages/M1.MAI"));
    EXPECT_EQ(1u, server.FilesIn("connectors/SMTP/Inbound/Messages", kId).size());  // forwarded

    auto entries = Executed();
    ASSERT_EQ(2u, entries.size());
    const std::vector<std::string> want = {
        "Executed",
        "M1.MAI",
        "SMTP",
        "Filter F1",
        "ADD_HEADER,ADD_SUBJECT_PREFIX,COPY_TO_QUARANTINE,COPY_TO_BADMAIL,FORWARD_TO_ADDRESS,"
        "EXECUTE_APPLICATION,DELETE",
        "",
        "[SMTP:b@example.net]",
        "192.0.2.7",
        "CRITERIA=ALLMESSAGES, DATA=<MF-ALL>All Messages</MF-ALL>",
        "Quarterly report"};
    ASSERT_EQ(11u, entries[0].size());
    EXPECT_EQ(want, std::vector<std::string>(entries[0].begin() + 1, entries[0].end()));
    EXPECT_EQ("STOP_PROCESSING", entries[1][5]);  // the copy found the message gone
}

// Action files are kept parsed between messages. Each change is made between two messages
// and seen by the second: a rewrite in place to the same size with the old modification
// time (as a second write in the same clock tick leaves it), a new file renamed over it,
// its removal, and the configuration directory moved to another holding the file.
TEST_F(ActionDispatchTest, AnActionFileChangedBetweenMessagesIsReadAfreshByTheNext) {
    const std::string quarantine = Line("COPY_TO_QUARANTINE");
    const std::string badmail = Line("COPY_TO_BADMAIL", "xxx");
    ASSERT_EQ(quarantine.size(), badmail.size());
    AddFilter("F1", quarantine);
    const fs::path file = server.tree.Join("config/FILTERS/ACTIONS/F1.TAB");
    const fs::file_time_type settled = fs::last_write_time(file) - std::chrono::seconds(60);
    fs::last_write_time(file, settled);
    // Past the settling time after the file's last change (setting its time is one), so
    // that its stamp alone would have the file taken from memory.
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    // Loaded once: the file is kept parsed from one message to the next.
    Execute();
    server.QueueMessage("SMTP", kId, kEnvelope, kMessage);
    auto message = [&] {
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(1, FilterExecute("", kId, "SMTP", 0));
        ::testing::internal::GetCapturedStdout();
        server.QueueMessage("SMTP", kId, kEnvelope, kMessage);
    };
    message();
    server.tree.WriteFile("config/FILTERS/ACTIONS/F1.TAB", badmail);
    fs::last_write_time(file, settled);
    message();
    server.tree.WriteFile("config/FILTERS/ACTIONS/F1.new", Line("ADD_SUBJECT_PREFIX", "[x] "));
    fs::rename(server.tree.Join("config/FILTERS/ACTIONS/F1.new"), file);
    message();
    fs::remove(file);
    message();
    server.tree.WriteFile("moved/FILTERS/ACTIONS/F1.TAB", badmail);
    server.registry.SetString(kRootKey, "Configuration Directory", server.tree.Join("moved"));
    message();
    std::vector<std::string> executed;
    for (const auto& entry : Executed()) executed.push_back(entry[5]);
    EXPECT_EQ(
        (std::vector<std::string>{"COPY_TO_QUARANTINE", "COPY_TO_QUARANTINE", "COPY_TO_BADMAIL",
                                  "ADD_SUBJECT_PREFIX", "COPY_TO_BADMAIL"}),
        executed);
}

TEST_F(ActionDispatchTest, StopProcessingEndsTheFileAndTheLaterFilters) {
    AddFilter("F1", "1\t\t\tSTOP_PROCESSING\t\n" + Line("DELETE"));
    AddFilter("F2", Line("COPY_TO_QUARANTINE"));
    Execute();
    EXPECT_TRUE(Queued());
    EXPECT_FALSE(server.tree.Exists("quarantine/M1.MAI"));
    auto entries = Executed();
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ("Filter F1", entries[0][4]);
    EXPECT_EQ("STOP_PROCESSING", entries[0][5]);
}

TEST_F(ActionDispatchTest, MatchWithoutActionFileOrWorkingActionsWritesNoEntry) {
    AddFilter("F1", "");
    AddFilter("F2", Line("COPY_TO_QUARANTINE", "", "0"));
    AddFilter("F3", Line("DELETE"));
    server.tree.WriteFile("connectors/SMTP/Inbound/Messages/M1.MAI", kMessage);
    fs::remove(server.tree.Join("connectors/SMTP/Inbound/M1.MAI"));
    EXPECT_EQ(1, RunStatus());
    EXPECT_TRUE(Executed().empty());
}

TEST_F(ActionDispatchTest, ConnectorCriterionDecidesTheStatusAndIsReported) {
    // CONNECTOR (line 20) naming another connector: nothing matched.
    AddFilter("F0", Line("DELETE"), std::string(19, '\n') + "1\t\tLS\t\t\t1\r\n");
    EXPECT_EQ(0, RunStatus());
    EXPECT_TRUE(Queued());
    TeardownPlugin();
    AddFilter("F1", Line("COPY_TO_QUARANTINE"), std::string(19, '\n') + "1\t\tSMTP\t\t\t1\r\n");
    EXPECT_EQ(1, RunStatus());
    auto entries = Executed();
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(0u, entries[0][9].rfind("CRITERIA=CONNECTOR, DATA=", 0));
}

TEST_F(ActionDispatchTest, AppendRecipientsRewritesTheInboundEnvelope) {
    AddFilter("F1", Line("APPEND_RECIPIENTS", "[SMTP:audit@example.org]") +
                        Line("APPEND_RECIPIENTS", "archive@example.org"));
    const std::string kept =
        "Sender=[SMTP:b@example.net]\r\nClientIP=192.0.2.7\r\nAccount=PO\r\nUser=ann\r\n"
        "Subject=Quarterly report\r\nAuthenticationStatus=1\r\nCommandType=X\r\n";
    server.tree.WriteFile("connectors/SMTP/Inbound/M1.MAI",
                          "Recipients=[SMTP:a@example.com]\r\n" + kept);
    Execute();
    // Every line but the recipients is kept as it was, in its place.
    EXPECT_EQ(
        "Recipients=[SMTP:a@example.com];[SMTP:audit@example.org];[SMTP:archive@example.org]"
        "\r\n" +
            kept,
        server.tree.ReadFile("connectors/SMTP/Inbound/M1.MAI"));
    auto entries = Executed();
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ("APPEND_RECIPIENTS,APPEND_RECIPIENTS", entries[0][5]);
}

// A message already deleted gets no envelope made up for it.
TEST_F(ActionDispatchTest, AppendRecipientsAfterDeleteWritesNoEnvelope) {
    AddFilter("F1", Line("DELETE") + Line("APPEND_RECIPIENTS", "audit@example.org"));
    Execute();
    EXPECT_FALSE(server.tree.Exists("connectors/SMTP/Inbound/M1.MAI"));
}

// A script file makes a filter a script filter, whatever its criteria table says. Its
// result data may span lines: the report entry and a header built from it stay one line.
TEST_F(ActionDispatchTest, ScriptFilterDecidesItsActionsFromTheMessage) {
    vbscript::RegisterVBScriptEngine();
    AddFilter("S1",
              Line("ADD_SUBJECT_PREFIX", "[Report] ") + Line("ADD_HEADER", "X-Why|[QP_CRITERIA]"));
    AddFilter("S2", Line("DELETE"));
    server.tree.WriteFile("config/FILTERS/CRITERIA/S1.MES",
                          "If CriteriaMet([QP_SUBJECT], \"quarterly\") And [QP_SIZE] > 10 Then\r\n"
                          "  FilterResult = 1\r\n"
                          "  QPResultData = \"from %SENDERADDRESS%\" & vbCrLf & \"again\"\r\n"
                          "End If");
    server.tree.WriteFile("config/FILTERS/CRITERIA/S2.MES",
                          "If CriteriaMet([QP_SUBJECT], \"invoice\") Then FilterResult = 1");
    Execute();
    EXPECT_TRUE(Queued());  // S2 did not match: nothing deleted
    const std::string message = server.tree.ReadFile("connectors/SMTP/Inbound/Messages/M1.MAI");
    EXPECT_NE(std::string::npos, message.find("Subject: [Report] Quarterly report\r\n"));
    EXPECT_NE(std::string::npos, message.find("\r\nX-Why: from b@example.net  again\r\n"));
    auto entries = Executed();
    ASSERT_EQ(1u, entries.size());
    ASSERT_EQ(11u, entries[0].size());
    EXPECT_EQ("Filter S1", entries[0][4]);
    EXPECT_EQ("from b@example.net  again", entries[0][9]);
    EXPECT_EQ("Quarterly report", entries[0][10]);
}

// A notification run through the plug-in again triggers nothing, even when the action's
// description, the last column of its line, stands in the template's header block.
TEST_F(ActionDispatchTest, ANotificationFilteredAgainTriggersNothing) {
    server.registry.SetString(kSmtpKey, "Bad Mail Notification Sender Address",
                              "filter@example.com");
    server.tree.WriteFile("config/FILTERS/Templates/HELD.TXT",
                          "Subject: Held: [QP_ACTIONDESC]\r\nTo: <audit@example.com>\r\n\r\n"
                          "[QP_HEADERS]\r\n");
    AddFilter("F1",
              "1\t\t<REFERENCE><FILE>HELD</FILE><ADDRESS>audit@example.com</ADDRESS>\t"
              "NOTIFY_ADDRESS\tQuarterly figures\r\n");
    Execute();
    const std::vector<std::string> notices = server.FilesIn("connectors/SMTP/Inbound", kId);
    ASSERT_EQ(1u, notices.size());
    const std::string notice =
        server.tree.ReadFile("connectors/SMTP/Inbound/Messages/" + notices[0]);
    EXPECT_EQ(0u, notice.find("Subject: Held: Quarterly figures\r\nTo: <audit@example.com>\r\n"
                              "X-QPFilter: 1\r\n\r\n"))
        << notice;

    ::testing::internal::CaptureStdout();
    EXPECT_EQ(1, FilterExecute("", notices[0].c_str(), "SMTP", 0));
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(2u, server.FilesIn("connectors/SMTP/Inbound")
                      .size());  // the message and its notice, and no notice about the notice
    EXPECT_EQ(1u, Executed().size());
}

// Mailbox filter sets are dispatched by the mailbox delivery, not by FilterExecute.
class MailboxDispatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.SetLogMode(1);
        ResetSettings();
        ReadStoreSettings();
        RefreshDirectoryGroup(nullptr);
        server.tree.WriteFile("connectors/SMTP/Outgoing/Messages/M1.MAI", kMessage);
        fs::create_directories(server.tree.Join("mail/PO/MAILROOT/bob"));
        SafeCopy(run.set.postoffice, "PO");
        SafeCopy(run.set.mailbox, "bob");
        SafeCopy(run.message.messageId, kId);
        SafeCopy(run.message.connector, "SMTP");
        SafeCopy(run.message.user, "bob");
    }
    void AddFilter(const std::string& id, const std::string& actions) {
        FilterDefinition& filter = run.AddFilter(kAllMessages, "");
        SafeCopy(filter.filterId, id.c_str());
        SafeCopy(filter.ruleName, ("Rule " + id).c_str());
        SafeCopy(filter.displayName, ("Filter " + id).c_str());
        run.Result(run.set.filterCount).matchCount[kAllMessages] = 1;
        server.tree.WriteFile("config/Postoffices/PO/Mailboxes/bob/RULES/ACTIONS/" + id + ".TAB",
                              actions);
    }
    int32_t Dispatch(std::string* out = nullptr) {
        ::testing::internal::CaptureStdout();
        int32_t status = ExecuteFilterActions(&run.message, &run.set, &run.evaluations, reportLine,
                                              sizeof reportLine);
        std::string text = ::testing::internal::GetCapturedStdout();
        if (out != nullptr) *out = text;
        return status;
    }

    PluginTree server;
    HandBuiltRun run;
    char reportLine[2048] = {};
};

TEST_F(MailboxDispatchTest, MoveThatSucceedsRemovesTheMessageAndStops) {
    AddFilter("F1", Line("MOVE", "Archive") + Line("COPY", "Other"));
    AddFilter("F2", Line("COPY", "Later"));
    EXPECT_EQ(2, Dispatch());
    EXPECT_EQ(kMessage, server.tree.ReadFile("mail/PO/MAILROOT/bob/Archive/M1.MAI"));
    EXPECT_FALSE(server.tree.Exists("mail/PO/MAILROOT/bob/Other"));
    EXPECT_FALSE(server.tree.Exists("mail/PO/MAILROOT/bob/Later"));
    EXPECT_STREQ("PO", run.message.account);
    EXPECT_STREQ("bob", run.message.mailbox);
    EXPECT_EQ(0u,
              std::string(reportLine).rfind("Executed\tM1.MAI\tSMTP\tFilter F1\tMOVE\tPO\t", 0));
}

TEST_F(MailboxDispatchTest, FailingMoveIsListedAndProcessingGoesOn) {
    SafeCopy(run.message.user, "nobody");  // a mailbox without a directory
    AddFilter("F1", Line("MOVE", "Archive") + Line("PREFIX-SUBJECT", "[x] ") + Line("NO_SUCH", "") +
                        Line("copy", "Other", "0"));
    AddFilter("F2", Line("DELETE"));
    std::string out;
    EXPECT_EQ(2, Dispatch(&out));
    EXPECT_NE(std::string::npos, out.find("Bypassing Action. Status Disabled\n"));
    EXPECT_NE(std::string::npos, out.find("(Rule F2)"));
    EXPECT_FALSE(server.tree.Exists("mail/PO/MAILROOT/nobody"));
    EXPECT_EQ(0u, std::string(reportLine).rfind("Executed\tM1.MAI\tSMTP\tFilter F2\tDELETE\t", 0));
}

// COPY and JUNK are listed whatever their outcome and keep status 1; the server's
// actions (STOP_PROCESSING among them) are not part of the mailbox vocabulary.
TEST_F(MailboxDispatchTest, CopyIsListedWhateverItsOutcomeAndServerActionsAreNotKnown) {
    SafeCopy(run.message.user, "nobody");
    AddFilter("F1", Line("COPY_TO_QUARANTINE") + Line("STOP_PROCESSING"));
    AddFilter("F2", Line("COPY", "Archive") + Line("JUNK"));
    EXPECT_EQ(1, Dispatch());
    EXPECT_FALSE(server.tree.Exists("quarantine/M1.MAI"));
    EXPECT_EQ(0u,
              std::string(reportLine).rfind("Executed\tM1.MAI\tSMTP\tFilter F2\tCOPY,JUNK\t", 0));
}

TEST_F(MailboxDispatchTest, JunkAndQuarantineUseTheirFolders) {
    AddFilter("F1", Line("JUNK"));
    EXPECT_EQ(2, Dispatch());
    EXPECT_TRUE(server.tree.Exists("mail/PO/MAILROOT/bob/Junk E-mail/M1.MAI"));
    AddFilter("F2", Line("QUARANTINE"));
    run.set.filters[1]->criteria[kAllMessages].enabled = 0;
    EXPECT_EQ(2, Dispatch());
    EXPECT_TRUE(server.tree.Exists("mail/PO/MAILROOT/bob/Quarantine/M1.MAI"));
}

// The match decision, on hand-built evaluations.
class MatchDecisionTest : public ::testing::Test {
protected:
    HandBuiltRun run;
};

TEST_F(MatchDecisionTest, LastMetCriterionIsReportedAndDisabledOnesNeverMatch) {
    FilterDefinition& filter = run.AddFilter(kSubject, "free");
    filter.criteria[kConnector] = Criterion{1, "SMTP", 2, 1};
    filter.criteria[kSize] = Criterion{0, "", 1, 1};
    FilterEvaluation& result = run.Result(1);
    result.matchCount[kSubject] = 1;
    snprintf(result.resultText[kSubject], kResultTextCapacity, "<MF-W>free</MF-W>");
    result.matchCount[kSize] = 9;  // disabled: never counts
    FilterMatch match;

    result.matchCount[kConnector] = 1;  // below its threshold of 2
    DecideFilterMatch(&run.message, &run.set, 1, &run.evaluations, &match);
    EXPECT_TRUE(match.matched);
    EXPECT_STREQ("CRITERIA=SUBJECT, DATA=<MF-W>free</MF-W>", match.criteriaText);
    // Long findings are cut where printing them would cut them: the tag at its capacity
    // (just fitting, one byte over, far over) and the report at 511 bytes of it.
    for (const size_t length : {1010, 1011, 1100}) {
        const std::string word(length, 'w');
        SetResultTag(result, kSubject, "MF-W", word.c_str());
        char printed[kResultTextCapacity];
        snprintf(printed, sizeof printed, "<MF-W>%s</MF-W>", word.c_str());
        EXPECT_STREQ(printed, result.resultText[kSubject]) << length;
        DecideFilterMatch(&run.message, &run.set, 1, &run.evaluations, &match);
        char reported[kCriteriaTextCapacity];
        snprintf(reported, sizeof reported, "CRITERIA=SUBJECT, DATA=%.511s", printed);
        EXPECT_STREQ(reported, match.criteriaText) << length;
    }

    result.matchCount[kConnector] = 2;
    snprintf(result.resultText[kConnector], kResultTextCapacity, "<CON>SMTP</CON>");
    DecideFilterMatch(&run.message, &run.set, 1, &run.evaluations, &match);
    EXPECT_STREQ("CONNECTOR", match.criteriaName);
    EXPECT_STREQ("CRITERIA=CONNECTOR, DATA=<CON>SMTP</CON>", match.criteriaText);

    filter.criteria[kSubject].enabled = 0;
    filter.criteria[kConnector].enabled = 2;  // only exactly 1 enables
    DecideFilterMatch(&run.message, &run.set, 1, &run.evaluations, &match);
    EXPECT_FALSE(match.matched);
}

TEST_F(MatchDecisionTest, ScriptFilterMatchesOnlyWhenItsProgramReturnsExactlyOne) {
    vbscript::RegisterVBScriptEngine();
    FilterDefinition& filter = run.AddFilter(kSubject, "free");
    filter.isScript = 1;
    run.Result(1).matchCount[kSubject] = 1;  // table counts play no part for scripts
    FilterMatch match;
    struct Case {
        const char* body;
        bool matched;
        const char* reported;
    } cases[] = {{"FilterResult = 1", true, "SCRIPT"},
                 {"FilterResult = 1\r\nQPResultData = \"named\"", true, "named"},
                 {"FilterResult = True", false, "SCRIPT"},
                 {"", false, ""}};
    for (const Case& c : cases) {
        filter.scriptText = c.body;
        DecideFilterMatch(&run.message, &run.set, 1, &run.evaluations, &match);
        EXPECT_EQ(c.matched, match.matched) << c.body;
        EXPECT_FALSE(match.criteriaMet);
        EXPECT_STREQ(c.reported, match.criteriaName) << c.body;
        EXPECT_STREQ(c.reported, match.criteriaText) << c.body;
    }
}

TEST_F(MatchDecisionTest, ActionContextTagsTheMessageAndAddsResultsWhileTheyFit) {
    SafeCopy(run.message.messageId, "M1.MAI");
    SafeCopy(run.message.connector, "SMTP");
    SafeCopy(run.message.sender, "[SMTP:b@example.net]");
    SafeCopy(run.message.clientIp, "192.0.2.7");
    run.AddFilter(kSubject, "free");
    FilterEvaluation& result = run.Result(1);
    snprintf(result.resultText[kSubject], kResultTextCapacity, "<MF-W>free</MF-W>");
    std::string big = "<BIG>" + std::string(900, 'x') + "</BIG>";
    snprintf(result.resultText[kBody], kResultTextCapacity, "%s", big.c_str());
    snprintf(result.resultText[kSize], kResultTextCapacity, "<SZ>12</SZ>");
    char context[kActionContextCapacity];
    BuildActionContext(run.message, "SUBJECT", &result, context);
    EXPECT_STREQ(
        "<MSG>M1.MAI</MSG><CON>SMTP</CON><ACCOUNT></ACCOUNT><SENDER>b@example.net</SENDER>"
        "<IP>192.0.2.7</IP><CRITERIA>SUBJECT</CRITERIA><MF-W>free</MF-W><SZ>12</SZ>",
        context);
}

}  // namespace
