// tests/filters/FilterTablesTest.cpp: loading filter and criteria tables in the three
// scopes, script filters, pattern caching at load, and releasing filters and evaluations.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "actions/ActionContext.h"
#include "base/MessageRecord.h"
#include "base/Settings.h"
#include "common/Console.h"
#include "common/SafeText.h"
#include "filters/CriteriaLines.h"
#include "filters/FilterSet.h"
#include "filters/PatternCache.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using testing_support::PluginTree;

constexpr const char* kSystemTable = "FILTERS/FILTER.TAB";
constexpr const char* kSystemCriteria = "FILTERS/CRITERIA/";

class FilterTablesTest : public testing::Test {
protected:
    void SetUp() override {
        ResetSettings();
        RefreshDirectoryGroup(nullptr);
    }
    void TearDown() override { Quietly(ReleaseFilters); }

    void Quietly(int (*call)(FilterSet*)) {
        const int previous = SetConsoleQuiet(1);
        call(&set_);
        SetConsoleQuiet(previous);
    }
    // Loads the scope's filters into the set; returns what loading printed.
    std::string Load() { return Printed(LoadFilters); }
    std::string Printed(int (*call)(FilterSet*)) {
        testing::internal::CaptureStdout();
        call(&set_);
        return testing::internal::GetCapturedStdout();
    }
    // Starts a fresh set for a scope (filters of the previous one released).
    void Scope(const char* postoffice, const char* mailbox) {
        Quietly(DestroyFilters);
        ResetFilterSet(&set_);
        SafeCopy(set_.postoffice, postoffice);
        SafeCopy(set_.mailbox, mailbox);
    }
    void Write(const std::string& relative, const std::string& text) {
        plugin_.tree.WriteFile("config/" + relative, text);
    }
    // A system filter F with one criteria line.
    const Criterion& LoadCriterionLine(const std::string& line) {
        Write(kSystemTable, "Rule\t1\tF\t\tName\n");
        Write(std::string(kSystemCriteria) + "F.TAB", line);
        Scope("", "");
        Load();
        return set_.filters[1]->criteria[0];
    }
    std::string Config() const { return plugin_.tree.Join("config"); }

    PluginTree plugin_;
    FilterSet set_{};
};

TEST_F(FilterTablesTest, LongCriteriaLinesAreReadWholeAndNeverShiftLaterCriteria) {
    std::string words;
    for (int n = 0; n < 300; ++n) words += "spamword" + std::to_string(n) + ",";
    ASSERT_GT(words.size(), 2048u);
    const std::string huge(kCriteriaLineLimit, 'x');
    plugin_.SetLogMode(2);  // report lines on standard output
    Write(kSystemTable, "Rule\t1\tF\t\tName\t\r\n");
    Write(std::string(kSystemCriteria) + "F.TAB",
          "1\t\t" + words +
              "viagra\t\t\t1\r\n"  // SUBJECT: a 300-word list
              "1\t\t" +
              huge +
              "\t\t\t1\r\n"                         // BODY: past the limit
              "1\t\tboss@example.com\t\t\t1\r\n");  // TO
    Scope("", "");
    const std::string printed = Load();
    const Criterion* criteria = set_.filters[1]->criteria;
    EXPECT_EQ(1, criteria[kSubject].enabled);
    EXPECT_EQ(words.size() + 6, criteria[kSubject].value.size());
    EXPECT_EQ(0u, criteria[kSubject].value.rfind("spamword0\tspamword1\t", 0));
    EXPECT_EQ(0, criteria[kBody].enabled);
    EXPECT_EQ("", criteria[kBody].value);
    EXPECT_EQ(1, criteria[kBody].conditionCount);
    EXPECT_EQ(1, criteria[kTo].enabled);
    EXPECT_EQ("boss@example.com", criteria[kTo].value);
    EXPECT_EQ(0, criteria[kCc].conditionCount);
    EXPECT_NE(std::string::npos, printed.find("QP-W0301: Line 2 of the criteria table of filter F "
                                              "(criterion BODY) is longer than 65536 bytes"));
}

struct ScopeCase {
    const char* postoffice;
    const char* mailbox;
    const char* rules;  // the scope's folder below config/
};

TEST_F(FilterTablesTest, EachScopeReadsItsOwnTables) {
    const ScopeCase cases[] = {
        {"", "", "FILTERS/"},
        {"Sales", "", "Postoffices/Sales/RULES/"},
        {"Sales", "ann", "Postoffices/Sales/Mailboxes/ann/RULES/"},
    };
    for (const ScopeCase& c : cases) {
        Write(std::string(c.rules) + "FILTER.TAB", std::string("R-") + c.rules + "\t1\tF\t\tN\n");
        Write(std::string(c.rules) + "CRITERIA/F.TAB", std::string("1\t\t") + c.rules + "\n");
    }
    for (const ScopeCase& c : cases) {
        Scope(c.postoffice, c.mailbox);
        EXPECT_EQ("Loaded 1 Filters\n", Load()) << c.rules;
        ASSERT_EQ(1, set_.filterCount) << c.rules;
        EXPECT_STREQ((std::string("R-") + c.rules).c_str(), set_.filters[1]->ruleName) << c.rules;
        EXPECT_EQ(std::string(c.rules), set_.filters[1]->criteria[0].value) << c.rules;
    }
}

TEST_F(FilterTablesTest, LinesWithoutANonzeroColumnTwoAreSkippedWithoutGap) {
    Write(kSystemTable,
          "First\t1\tA\t\tOne\n"
          "Off\t0\tB\t\tTwo\n"
          "Word\tyes\tC\t\tThree\n"
          "NoTab\n"
          "TooLong\t" +
              std::string(60, '1') +
              "\tD\t\tFour\n"
              "Negative\t-2\tE\t\tFive\n"
              "Spaced\t 7\tF\t\tSix\n");
    EXPECT_EQ("Loaded 3 Filters\n", Load());
    ASSERT_EQ(3, set_.filterCount);
    EXPECT_STREQ("First", set_.filters[1]->ruleName);
    EXPECT_STREQ("Negative", set_.filters[2]->ruleName);
    EXPECT_STREQ("Spaced", set_.filters[3]->ruleName);
}

TEST_F(FilterTablesTest, LoadingAppendsAndAMissingTableReportsTheCount) {
    Write(kSystemTable, "A\t1\tA\t\tA\n");
    Load();
    EXPECT_EQ("Loaded 2 Filters\n", Load());
    SafeCopy(set_.postoffice, "Nowhere");
    EXPECT_EQ("Loaded 2 Filters\n", Load());
    EXPECT_EQ(2, set_.filterCount);
}

TEST_F(FilterTablesTest, StopsAtOneHundredFilters) {
    std::string table;
    for (int n = 1; n <= 103; ++n) table += "R" + std::to_string(n) + "\t1\tF\t\tN\n";
    Write(kSystemTable, table);
    EXPECT_EQ("Too Many Filters Defined\r\nLoaded 100 Filters\n", Load());
    EXPECT_EQ(kMaxFilters, set_.filterCount);
    EXPECT_STREQ("R100", set_.filters[100]->ruleName);
}

struct ColumnsCase {
    const char* name;
    std::string line;
    std::string ruleName;
    const char* filterId;
    const char* displayName;
};

// The line end comes off before the columns are cut: a last column is its text alone.
TEST_F(FilterTablesTest, FilterTableColumnsLoseTheLineEndAndDropWhatDoesNotFit) {
    const ColumnsCase cases[] = {
        {"CR LF kept by a text-mode reader", "Rule\t1\tF1\tx\tShown\r\r\n", "Rule", "F1", "Shown"},
        {"six columns", "Rule\t1\tF1\tx\tShown\tmore\n", "Rule", "F1", "Shown"},
        {"three columns", "Rule\t1\tF1\n", "Rule", "F1", "F1"},
        {"rule name of 64", std::string(64, 'r') + "\t1\tF\t\tN", "", "F", "N"},
        {"display of 256", "R\t1\tF\t\t" + std::string(256, 'd'), "R", "F", ""},
    };
    for (const ColumnsCase& c : cases) {
        Write(kSystemTable, c.line);
        Scope("", "");
        Load();
        ASSERT_EQ(1, set_.filterCount) << c.name;
        const FilterDefinition& filter = *set_.filters[1];
        EXPECT_EQ(c.ruleName, filter.ruleName) << c.name;
        EXPECT_STREQ(c.filterId, filter.filterId) << c.name;
        EXPECT_STREQ(c.displayName, filter.displayName) << c.name;
    }
}

TEST_F(FilterTablesTest, ALongLineArrivesInPiecesEachReadAsALine) {
    const std::string head = "A\t1\tA\t\t";
    Write(kSystemTable, head + std::string(2047 - head.size(), 'x') + "Z\t1\tB\t\tB\n");
    Load();
    ASSERT_EQ(2, set_.filterCount);
    EXPECT_STREQ("", set_.filters[1]->displayName);
    EXPECT_STREQ("Z", set_.filters[2]->ruleName);
}

TEST_F(FilterTablesTest, CriteriaLinesFillTypesInOrderUpToTwentyFive) {
    for (int lines : {30, 3}) {
        std::string table;
        for (int n = 0; n < lines; ++n) table += "1\t\tv" + std::to_string(n) + "\t\t\t1\n";
        LoadCriterionLine(table);
        const FilterDefinition& filter = *set_.filters[1];
        for (int n = 0; n < kCriterionTypeCount; ++n) {
            const bool filled = n < lines;
            EXPECT_EQ(filled ? 1 : 0, filter.criteria[n].conditionCount) << lines << " " << n;
            EXPECT_EQ(filled ? "v" + std::to_string(n) : "", filter.criteria[n].value)
                << lines << " " << n;
        }
    }
}

struct CriterionCase {
    const char* line;
    int enabled;
    const char* value;
    int threshold;
};

TEST_F(FilterTablesTest, CriterionLineColumns) {
    const CriterionCase cases[] = {
        {"1\t\tabc,def\t\t\t0\n", 1, "abc\tdef", 1},
        {"1\t\t500\n", 1, "500", 500},   // column 3 is also the last, read as column 6
        {"0\t\tfree\n", 0, "free", 0},   // not raised when disabled
        {"1\n", 1, "", 1},               // no tab: whole line is column 1, threshold 1
        {" +1\tx", 1, "x", 1},           // column 6 falls back to "x": 0 raised to 1
        {"2\t\tx\t\t\t0\n", 2, "x", 0},  // only exactly 1 raises
    };
    for (const CriterionCase& c : cases) {
        const Criterion& criterion = LoadCriterionLine(c.line);
        EXPECT_EQ(c.enabled, criterion.enabled) << c.line;
        EXPECT_EQ(c.value, criterion.value) << c.line;
        EXPECT_EQ(c.threshold, criterion.threshold) << c.line;
        EXPECT_EQ(1, criterion.conditionCount) << c.line;
    }
}

TEST_F(FilterTablesTest, ScriptFileWinsOverTableExceptInMailboxes) {
    static const char kBytes[] = "Sub X\r\n\tIf SUBJECT Then\r\n\0\xff";
    const std::string script(kBytes, sizeof kBytes - 1);  // kept byte for byte
    const ScopeCase cases[] = {
        {"", "", "FILTERS/"},
        {"Sales", "", "Postoffices/Sales/RULES/"},  // found under its lower-case layout
        {"Sales", "ann", "Postoffices/Sales/Mailboxes/ann/RULES/"},
    };
    for (const ScopeCase& c : cases) {
        const bool mailbox = c.mailbox[0] != '\0';
        Write(std::string(c.rules) + "FILTER.TAB", "S\t1\tS1\t\tN\n");
        Write(std::string(c.rules) + "CRITERIA/S1.MES", script);
        Write(std::string(c.rules) + "CRITERIA/S1.TAB", "1\t\tfrom table\n");
        Scope(c.postoffice, c.mailbox);
        Load();
        ASSERT_EQ(1, set_.filterCount) << c.rules;
        const FilterDefinition& filter = *set_.filters[1];
        EXPECT_EQ(mailbox ? 0 : 1, filter.isScript) << c.rules;
        EXPECT_EQ(mailbox ? 0 : 1, set_.usesScripts) << c.rules;
        EXPECT_EQ(mailbox ? "" : script, filter.scriptText) << c.rules;
        EXPECT_EQ(mailbox ? 1 : 0, filter.criteria[0].conditionCount) << c.rules;
    }
}

TEST_F(FilterTablesTest, PatternFilesAreCachedOnceOnlyWhenCachingIsAllowed) {
    Write("FILTERS/PATTERNS/spam.txt", "free\nmoney\n");
    LoadCriterionLine("1\t\t<REFERENCE><FILE>spam.txt</FILE></REFERENCE>\t\t\t1\n");
    EXPECT_EQ(0u, PatternCacheSize());
    Settings().allowPatternCaching = 1;
    Scope("", "");
    Write(kSystemTable, "A\t1\tA\t\tA\nB\t1\tB\t\tB\n");
    Write("FILTERS/CRITERIA/A.TAB", "1\t\t<REFERENCE><FILE>spam.txt</FILE></REFERENCE>\t\t\t1\n");
    Write("FILTERS/CRITERIA/B.TAB",
          "1\t\t<REFERENCE><FILE>SPAM.TXT</FILE></REFERENCE>\t\t\t1\n"
          "1\t\tplain\t\t\t1\n"
          "0\t\t<REFERENCE><FILE>off.txt</FILE></REFERENCE>\t\t\t1\n"
          "1\t\t\t\t\t1\n");
    const std::string path = Config() + "\\FILTERS\\PATTERNS\\spam.txt";
    EXPECT_EQ("Loading " + path + " into pattern cache from simple filter\nLoaded 2 Filters\n",
              Load());
    EXPECT_EQ(1u, PatternCacheSize());

    Write("FILTERS/PATTERNS/spam.txt", "changed\n");
    Scope("", "");
    EXPECT_EQ("Loaded 2 Filters\n", Load());
    const auto entry = FindCachedPatterns(path.c_str());
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ((std::vector<std::string>{"free", "money"}), entry->words);
}

TEST_F(FilterTablesTest, ReleasingPrintsEachFilterAndOnlyReleaseEmptiesTheCache) {
    for (bool release : {false, true}) {
        Write(kSystemTable, "A\t1\tA\t\tA\nB\t1\tB\t\tB\n");
        Scope("", "");
        Load();
        CachePatternFile(plugin_.tree.Join("none.txt").c_str());
        EXPECT_EQ("Releasing 2 Filters\nReleasing Filter 1\nReleasing Filter 2\n",
                  Printed(release ? ReleaseFilters : DestroyFilters))
            << release;
        EXPECT_EQ(2, set_.filterCount) << release;
        EXPECT_EQ(nullptr, set_.filters[1]) << release;
        EXPECT_EQ(release ? 0u : 1u, PatternCacheSize()) << release;
    }
}

// Every field as its readers see it (counts, and texts up to their terminators) is empty.
void ExpectReadsEmpty(const FilterEvaluation& evaluation, int n) {
    for (int type = 0; type < kCriterionTypeCount; ++type) {
        EXPECT_EQ(0, evaluation.matchCount[type]) << n << " " << type;
        EXPECT_EQ(0u, strnlen(evaluation.resultText[type], kResultTextCapacity))
            << n << " " << type;
        for (int j = 0; j < kMaxConditions; ++j)
            EXPECT_EQ(0u, strnlen(evaluation.conditionValues[type][j], kConditionValueCapacity))
                << n << " " << type << " " << j;
    }
}

// Records are reused from message to message: one whose every byte an earlier message
// wrote (more than any run writes) must read as a fresh one to the next message.
TEST_F(FilterTablesTest, NothingOfAnEarlierMessageShowsThroughAReusedEvaluation) {
    Write(kSystemTable, "A\t1\tA\t\tA\nB\t1\tB\t\tB\n");
    Load();
    const int previous = SetConsoleQuiet(1);
    FilterEvaluationSet evaluations{};
    AllocateEvaluations(&set_, &evaluations);
    ASSERT_EQ(2, evaluations.count);
    const FilterEvaluation* used[] = {evaluations.evaluations[1], evaluations.evaluations[2]};
    for (int n = 1; n <= 2; ++n) {
        FilterEvaluation& evaluation = *evaluations.evaluations[n];
        std::memset(&evaluation, 'X', sizeof evaluation);
        for (int32_t& count : evaluation.matchCount) count = 7;
    }
    ReleaseEvaluations(&set_, &evaluations);

    AllocateEvaluations(&set_, &evaluations);
    ASSERT_EQ(2, evaluations.count);
    // The same records came back, so the check below is not about fresh memory.
    EXPECT_TRUE((evaluations.evaluations[1] == used[0] || evaluations.evaluations[1] == used[1]) &&
                (evaluations.evaluations[2] == used[0] || evaluations.evaluations[2] == used[1]));
    const FilterEvaluation fresh{};
    MessageRecord record{};
    char expected[kActionContextCapacity];
    BuildActionContext(record, "SUBJECT", &fresh, expected);
    for (int n = 1; n <= 2; ++n) {
        ExpectReadsEmpty(*evaluations.evaluations[n], n);
        char context[kActionContextCapacity];
        BuildActionContext(record, "SUBJECT", evaluations.evaluations[n], context);
        EXPECT_STREQ(expected, context) << n;
    }
    ReleaseEvaluations(&set_, &evaluations);
    SetConsoleQuiet(previous);
}

TEST_F(FilterTablesTest, QuietConsoleDropsTheLinesOfThisThread) {
    EXPECT_EQ(0, SetConsoleQuiet(1));
    EXPECT_EQ("", Load());
    EXPECT_EQ(1, SetConsoleQuiet(0));
    EXPECT_EQ("Loaded 0 Filters\n", Load());
}

struct ConditionCase {
    int conditionCount;
    const char* value;
    int j;
    size_t capacity;
    int result;
    const char* condition;
};

TEST(GetCriterionCondition, PicksTheWholeValueOrATabField) {
    const ConditionCase cases[] = {
        {1, "a\tb", 3, 16, 1, "a\tb"},
        {2, "a\tb", 1, 16, 1, "b"},
        {2, "abcd\tb", 0, 4, 0, ""},
        {0, "x", 0, 16, 0, ""},
    };
    for (const ConditionCase& c : cases) {
        const Criterion criterion{1, c.value, 1, c.conditionCount};
        char destination[16] = "garbage";
        EXPECT_EQ(c.result, GetCriterionCondition(criterion, c.j, destination, c.capacity))
            << c.conditionCount << " " << c.value << " " << c.j;
        EXPECT_STREQ(c.condition, destination) << c.conditionCount << " " << c.value << " " << c.j;
    }
}

}  // namespace
