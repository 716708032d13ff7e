// tests/tools/FiltersCommandTest.cpp: "mtafilter filters" on small server trees: what it
// shows of each filter, the problems it points out, JSON output, usage and exit codes.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"
#include "tests/tools/InProcessCommand.h"
#include "tools/Commands.h"

namespace {

using testing_support::PluginTree;

using Result = testing_support::CommandResult;

class FiltersCommandTest : public testing::Test {
protected:
    Result Run(std::vector<std::string> args) {
        args.insert(args.begin(), "filters");
        Result result = testing_support::RunMtafilter(std::move(args));
        return {result.code, testing_support::Slashed(result.out),
                testing_support::Slashed(result.err)};
    }
    void Write(const std::string& relative, const std::string& text) {
        plugin_.tree.WriteFile("config/" + relative, text);
    }
    // `text` with "{F}" standing for the FILTERS directory as printed.
    std::string InFilters(std::string text) const {
        for (size_t at; (at = text.find("{F}")) != std::string::npos;)
            text.replace(at, 3, Config() + "/FILTERS/");
        return text;
    }
    std::string Config() const { return testing_support::Slashed(plugin_.tree.Join("config")); }

    // A server whose filters show every kind of problem, one filter each.
    void WriteProblemServer() {
        Write("FILTERS/FILTER.TAB",
              "Good\t1\tGOOD\t\tGood filter\n"
              "NoCriteria\t1\tNOCRIT\t\tNo criteria\n"
              "Off\t1\tOFF\t\tNothing enabled\n"
              "BadActions\t1\tBADACT\t\tBad actions\n"
              "NoPattern\t1\tNOPAT\t\tMissing pattern\n"
              "NoActions\t1\tNOACT\t\tNo action file\n"
              "Script\t1\tSCRIPT\t\tScripted\n"
              "Short\t1\tSHORT\n");
        Write("FILTERS/PATTERNS/spam.txt", "free\n");
        Write("FILTERS/CRITERIA/GOOD.TAB",
              "1\t\tfree,money\t\t\t2\n0\t\tbody\t\t\t1\n"
              "1\t\t<REFERENCE><FILE>spam.txt</FILE></REFERENCE>\t\t\t1\n");
        Write("FILTERS/CRITERIA/OFF.TAB", "0\t\tfree\t\t\t1\n");
        Write("FILTERS/CRITERIA/BADACT.TAB", "1\t\tfree\t\t\t1\n");
        Write("FILTERS/CRITERIA/NOPAT.TAB",
              "1\t\t<REFERENCE><FILE>gone.txt</FILE></REFERENCE>\t\t\t1\n");
        Write("FILTERS/CRITERIA/NOACT.TAB", "1\t\tfree\t\t\t1\n");
        Write("FILTERS/CRITERIA/SCRIPT.MES", "If SUBJECT Then\n");
        for (const char* id : {"GOOD", "NOCRIT", "OFF", "NOPAT", "SCRIPT"})
            Write(std::string("FILTERS/ACTIONS/") + id + ".TAB", "1\t\t\tDELETE\tgo\n");
        Write("FILTERS/ACTIONS/BADACT.TAB",
              "1\t\t\tEXPLODE\tboom\n1\t\t\tDELETE\n\n0\t\t\tWHATEVER\toff is fine\n");
    }

    PluginTree plugin_;
};

TEST_F(FiltersCommandTest, TextShowsAFilterAsAnAdministratorChecksIt) {
    Write("Postoffices/Sales/RULES/FILTER.TAB", "Rule\t1\tF1\t\tSpam filter\n");
    Write("Postoffices/Sales/RULES/CRITERIA/F1.TAB", "1\t\tfree,money\t\t\t2\n");
    Write("Postoffices/Sales/RULES/ACTIONS/F1.TAB",
          "1\t\t[SPAM] \tADD_SUBJECT_PREFIX\tTag it\n0\t\t\tDELETE\tNot now\n");
    const Result result = Run({"--postoffice", "Sales"});
    EXPECT_EQ(kExitSuccess, result.code) << result.err;
    const std::string rules = Config() + "/Postoffices/Sales/RULES/";
    for (const std::string& part : std::vector<std::string>{
             "Scope: postoffice (postoffice \"Sales\")\n",
             "Filter table: " + rules + "FILTER.TAB\n",
             "  Criteria:     table " + rules +
                 "CRITERIA/F1.TAB\n    SUBJECT, threshold 2\n      condition \"free\"\n"
                 "      condition \"money\"\n",
             "    line 1: enabled  \"ADD_SUBJECT_PREFIX\" parameter \"[SPAM] \" description "
             "\"Tag it\"\n    line 2: disabled \"DELETE\" parameter \"\" description \"Not now\"\n",
             "\n1 filter loaded, 0 problems\n"})
        EXPECT_NE(std::string::npos, result.out.find(part)) << part << result.out;
}

TEST_F(FiltersCommandTest, EachKindOfProblemIsListedUnderItsFilter) {
    WriteProblemServer();
    const Result result = Run({});
    EXPECT_EQ(kExitSuccess, result.code) << result.err;
    const char* expected[] = {
        "criteria file {F}CRITERIA/NOCRIT.TAB is missing",
        "no criterion is enabled, so the filter never matches",
        "action line 1: unknown action \"EXPLODE\"; known actions: DELETE, COPY_TO_BADMAIL, ",
        "{F}CRITERIA/NOPAT.TAB line 1: SUBJECT: pattern file {F}PATTERNS/gone.txt does not exist",
        "action file {F}ACTIONS/NOACT.TAB is missing",
        "criteria file {F}CRITERIA/SHORT.TAB is missing",
    };
    for (const char* problem : expected)
        EXPECT_NE(std::string::npos, result.out.find("    - " + InFilters(problem))) << problem;
    EXPECT_NE(std::string::npos,
              result.out.find(InFilters("Criteria:     script {F}CRITERIA/SCRIPT.MES\n")));
    EXPECT_NE(std::string::npos,
              result.out.find(InFilters("      pattern file {F}PATTERNS/spam.txt\n")));
    EXPECT_NE(std::string::npos, result.out.find("8 filters loaded, 7 problems\n")) << result.out;
    EXPECT_EQ(std::string::npos, result.out.find("Loaded")) << "plug-in console lines leaked";
    EXPECT_EQ(std::string::npos, result.out.find("WHATEVER\"; known")) << "disabled line flagged";
}

TEST_F(FiltersCommandTest, WhatLoadsButNeverActsIsFoundWithFileAndLine) {
    const std::string bom = "\xEF\xBB\xBF";
    auto off = [](int lines) {
        std::string table;
        for (int n = 0; n < lines; ++n) table += "0\t\t\t\t\t1\n";
        return table;
    };
    Write("FILTERS/FILTER.TAB", bom +
                                    "Marks\t1\tBOM\t\tMarks\t\n"
                                    "Blanks\t1\tBLANK\t\tBlanks\t\n"
                                    "Limits\t1\tLIMIT\t\tLimits\t\n"
                                    "Columns\t1\tCOLUMN\t\tColumns\t\n"
                                    "Long\t1\tLONG\t\tLong\t\n"
                                    "Script\t1\tSCRIPT\t\tScript\t\n");
    Write("FILTERS/CRITERIA/BOM.TAB",
          bom + "1\t\tfree\t\t\t1\n1\t\t<REFERENCE><FILE>marked.txt</FILE></REFERENCE>\t\t\t1\n");
    Write("FILTERS/PATTERNS/marked.txt", bom + "free\nmoney \n");
    Write("FILTERS/ACTIONS/BOM.TAB", bom + "1\t\t\tDELETE\tgo\n");
    Write("FILTERS/CRITERIA/BLANK.TAB",
          "1\t\tviagra, cheap\t\t\t1\n" + off(5) + "1\t\tboss@example.com ,x@example.com\t\t\t1\n");
    Write("FILTERS/CRITERIA/LIMIT.TAB", off(7) + "1\t\t50000\t\t\t3\n" + off(2) + "1\t\t\t\t\t1\n" +
                                            off(1) + "1\t\t100\t\t\t1\n" + off(10) +
                                            "1\t\t7\t\t\t1\n");
    Write("FILTERS/CRITERIA/COLUMN.TAB", "1\t\tfree\t\t\t1\n");
    Write("FILTERS/ACTIONS/COLUMN.TAB",
          "1\tDELETE\t\t\tgo\n1\t\twarn\tNOTIFY_SENDER\tn\n1\t\tgone\tNOTIFY_RECIPIENTS\tn\n");
    Write("FILTERS/Templates/warn.TXT",
          "Subject: Blocked\r\nYour message was blocked.\r\n\r\n[QP_HEADERS]\r\n");
    Write("FILTERS/CRITERIA/LONG.TAB",
          "1\t\t" + std::string(70000, 'x') + "\t\t\t1\n1\t\tfree\t\t\t1\n");
    Write("FILTERS/CRITERIA/SCRIPT.MES",
          bom + "x = 1\r\nIf CriteriaMet([QP_SUBJECT], \" free\") Then FilterResult = 1\r\n");
    for (const char* id : {"BLANK", "LIMIT", "LONG", "SCRIPT"})
        Write(std::string("FILTERS/ACTIONS/") + id + ".TAB", "1\t\t\tDELETE\tgo\n");

    const Result result = Run({});
    EXPECT_EQ(kExitSuccess, result.code) << result.err;
    // Each problem names its file and line; the advice is pinned once.
    const std::string expected[] = {
        "  - {F}FILTER.TAB line 1: the file starts with a UTF-8 byte-order mark, which becomes "
        "part of the first filter's rule name; save it without one (as ANSI or \"UTF-8 without "
        "BOM\")",
        "{F}CRITERIA/BOM.TAB line 1: the file starts with a UTF-8 byte-order mark, so the first "
        "line's enabled column does not read as 1",
        "{F}PATTERNS/marked.txt line 1: the file starts with a UTF-8 byte-order mark",
        "{F}PATTERNS/marked.txt line 2: \"money \" has blanks around it",
        "{F}ACTIONS/BOM.TAB line 1: the file starts with a UTF-8 byte-order mark",
        "{F}CRITERIA/BLANK.TAB line 1: SUBJECT: \" cheap\" has blanks around it",
        "{F}CRITERIA/BLANK.TAB line 7: FROM: \"boss@example.com \" has blanks around it",
        "{F}CRITERIA/LIMIT.TAB line 8: SIZE: the threshold 3 is never reached",
        "{F}CRITERIA/LIMIT.TAB line 11: SECURE: no message is ever known to be secure",
        "{F}CRITERIA/LIMIT.TAB line 13: SPAM_PROBABILITY: no probability is above 100",
        "{F}CRITERIA/LIMIT.TAB line 24: DKIM: the verdict is FAIL, PASS or INDETERMINATE",
        "{F}ACTIONS/COLUMN.TAB line 1: the action name DELETE is in column 2, where it does "
        "nothing",
        "{F}Templates/warn.TXT line 2: \"Your message was blocked.\" is no header field",
        "{F}ACTIONS/COLUMN.TAB line 3: template {F}Templates/gone.TXT does not exist",
        "{F}CRITERIA/LONG.TAB line 1: the line is longer than 65536 bytes, so criterion SUBJECT "
        "is left out",
        "{F}CRITERIA/SCRIPT.MES line 1: the file starts with a UTF-8 byte-order mark",
        "{F}CRITERIA/SCRIPT.MES line 2: SUBJECT: \" free\" has blanks around it",
    };
    for (const std::string& problem : expected)
        EXPECT_NE(std::string::npos, result.out.find(InFilters(problem))) << problem;
    EXPECT_NE(std::string::npos, result.out.find("6 filters loaded, 17 problems\n")) << result.out;
}

TEST_F(FiltersCommandTest, JsonGivesTheSameAccount) {
    Write("FILTERS/FILTER.TAB", "Rule\t1\tF1\t\tSpam\n");
    Write("FILTERS/CRITERIA/F1.TAB", "0\t\tx\n1\t\t<REFERENCE><FILE>gone.txt</FILE></REFERENCE>\n");
    Write("FILTERS/ACTIONS/F1.TAB", "1\t\tx@example.com\tNOTIFY_ADDRESS\n");
    const Result result = Run({"--json"});
    EXPECT_EQ(kExitSuccess, result.code) << result.err;
    const std::string filters = Config() + "/FILTERS/";
    const std::string reference = "<REFERENCE><FILE>gone.txt</FILE></REFERENCE>";
    EXPECT_EQ(
        "{\"scope\": \"system\", \"postoffice\": \"\", \"mailbox\": \"\", "
        "\"configurationDirectory\": \"" +
            Config() +
            "\", "
            "\"filterTable\": {\"path\": \"" +
            filters +
            "FILTER.TAB\", \"exists\": true}, \"problems\": [], "
            "\"filters\": [{\"number\": 1, \"ruleName\": \"Rule\", \"filterId\": \"F1\", "
            "\"displayName\": \"Spam\", \"isScript\": false, "
            "\"criteriaFile\": {\"path\": \"" +
            filters +
            "CRITERIA/F1.TAB\", \"exists\": true}, "
            "\"criteria\": [{\"type\": \"BODY\", \"conditions\": [\"" +
            reference +
            "\"], "
            "\"threshold\": 1, \"patternFiles\": [{\"path\": \"" +
            filters +
            "PATTERNS/gone.txt\", \"exists\": false}]}], "
            "\"actionFile\": {\"path\": \"" +
            filters +
            "ACTIONS/F1.TAB\", \"exists\": true}, "
            "\"actions\": [{\"line\": 1, \"enabled\": true, \"name\": \"NOTIFY_ADDRESS\", "
            "\"known\": true, \"parameter\": \"x@example.com\", \"description\": "
            "\"NOTIFY_ADDRESS\"}], "
            "\"problems\": [\"" +
            filters + "CRITERIA/F1.TAB line 2: BODY: pattern file " + filters +
            "PATTERNS/gone.txt does not exist; create it or correct the reference\"]}]}\n",
        result.out);
}

TEST_F(FiltersCommandTest, MailboxFiltersUseTheMailboxVocabulary) {
    const std::string rules = "Postoffices/Sales/Mailboxes/ann/RULES/";
    Write(rules + "FILTER.TAB", "Rule\t1\tM1\t\tMine\n");
    Write(rules + "CRITERIA/M1.TAB", "1\t\tfree\t\t\t1\n");
    Write(rules + "ACTIONS/M1.TAB", "1\t\t\tjunk\tj\n1\t\t\tCOPY_TO_BADMAIL\tnot here\n");
    const Result result = Run({"--postoffice", "Sales", "--mailbox", "ann"});
    EXPECT_EQ(kExitSuccess, result.code) << result.err;
    EXPECT_NE(std::string::npos, result.out.find("Scope: mailbox (postoffice \"Sales\", "
                                                 "mailbox \"ann\")\n"));
    EXPECT_NE(std::string::npos,
              result.out.find("    - action line 2: unknown action \"COPY_TO_BADMAIL\" for a "
                              "mailbox filter; known actions: DELETE, JUNK, QUARANTINE, COPY, "
                              "MOVE, PREFIX-SUBJECT\n"))
        << result.out;
    EXPECT_NE(std::string::npos, result.out.find("1 filter loaded, 1 problem\n"));
}

TEST_F(FiltersCommandTest, UnusableConfigurationDirectoryFailsSayingWhatToSet) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "\"Configuration Directory\" is not set; set it with: mtafilter registry set"},
        {plugin_.tree.Join("nowhere"),
         "nowhere does not exist; correct \"Configuration "
         "Directory\" with 'mtafilter registry set'"},
    };
    for (const auto& [directory, message] : cases) {
        plugin_.registry.SetString(testing_support::kRootKey, "Configuration Directory", directory);
        const Result result = Run({});
        EXPECT_EQ(kExitFailure, result.code) << directory;
        EXPECT_NE(std::string::npos, result.err.find(message)) << result.err;
        EXPECT_EQ("", result.out) << directory;
    }
}

TEST_F(FiltersCommandTest, BadUsageExitsTwoAndHelpZero) {
    const std::vector<std::string> bad[] = {
        {"--mailbox", "ann"},
        {"--postoffice", std::string(128, 'p')},
    };
    for (const std::vector<std::string>& args : bad) {
        const Result result = Run(args);
        EXPECT_EQ(kExitUsage, result.code) << args[0];
        EXPECT_NE(std::string::npos, result.err.find("mtafilter filters --help")) << args[0];
    }
    const Result help = Run({"--help"});
    EXPECT_EQ(kExitSuccess, help.code);
    EXPECT_EQ(0u, help.out.find("usage: mtafilter filters"));
}

}  // namespace
