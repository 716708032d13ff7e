// tests/filters/FilterTablesTest.cpp: loading filter and criteria tables in the three
// scopes, script filters, pattern caching at load, releasing filters and evaluations, and
// the paths of a scope's files.
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
#include "filters/ScopePaths.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using testing_support::PluginTree;

constexpr const char* kSystemTable = "FILTERS/FILTER.TAB";
constexpr const char* kSystemCriteria = "FILTERS/CRITERIA/";
constexpr auto kPattern = static_cast<ScopeFile>(-1);  // a case resolving a pattern file

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
    plugin_.SetLogMode(2);  // report lines on standard output
    Write(kSystemTable, "Rule\t1\tF\t\tName\t\r\n");
    Write(std::string(kSystemCriteria) + "F.TAB",
          "1\t\t" + words + "viagra\t\t\t1\r\n" +  // SUBJECT: 300 words
              "1\t\t" + std::string(kCriteriaLineLimit, 'x') + "\t\t\t1\r\n" +  // BODY: too long
              "1\t\tboss@example.com\t\t\t1\r\n");                              // TO
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

// Each scope reads its own tables; a script file wins over the table but in mailboxes.
TEST_F(FilterTablesTest, EachScopeReadsItsOwnTablesAndScriptsOutsideMailboxes) {
    static const char kBytes[] = "Sub X\r\n\tIf SUBJECT Then\r\n\0\xff";
    const std::string script(kBytes, sizeof kBytes - 1);  // kept byte for byte
    const struct {
        const char* postoffice;
        const char* mailbox;
        std::string rules;  // the scope's folder below config/
    } cases[] = {
        {"", "", "FILTERS/"},
        {"Sales", "", "Postoffices/Sales/RULES/"},  // scripts found under the lower-case layout
        {"Sales", "ann", "Postoffices/Sales/Mailboxes/ann/RULES/"},
    };
    for (const auto& c : cases) {
        Write(c.rules + "FILTER.TAB", "R-" + c.rules + "\t1\tF\t\tN\nS\t1\tS1\t\tN\n");
        Write(c.rules + "CRITERIA/F.TAB", "1\t\t" + c.rules + "\n");
        Write(c.rules + "CRITERIA/S1.MES", script);
        Write(c.rules + "CRITERIA/S1.TAB", "1\t\tfrom table\n");
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rules);
        const bool mailbox = c.mailbox[0] != '\0';
        Scope(c.postoffice, c.mailbox);
        EXPECT_EQ("Loaded 2 Filters\n", Load());
        ASSERT_EQ(2, set_.filterCount);
        EXPECT_EQ("R-" + c.rules, set_.filters[1]->ruleName);
        EXPECT_EQ(c.rules, set_.filters[1]->criteria[0].value);
        const FilterDefinition& filter = *set_.filters[2];
        EXPECT_EQ(mailbox ? 0 : 1, filter.isScript);
        EXPECT_EQ(mailbox ? 0 : 1, set_.usesScripts);
        EXPECT_EQ(mailbox ? "" : script, filter.scriptText);
        EXPECT_EQ(mailbox ? 1 : 0, filter.criteria[0].conditionCount);
    }
}

TEST_F(FilterTablesTest,
       LinesWithoutANonzeroColumnTwoAreSkippedWithoutGapAndLoadingStopsAtOneHundred) {
    Write(kSystemTable,
          "First\t1\tA\t\tOne\n"
          "Off\t0\tB\t\tTwo\n"
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
    Scope("", "");
    std::string table;
    for (int n = 1; n <= 103; ++n) table += "R" + std::to_string(n) + "\t1\tF\t\tN\n";
    Write(kSystemTable, table);
    EXPECT_EQ("Too Many Filters Defined\r\nLoaded 100 Filters\n", Load());
    EXPECT_EQ(kMaxFilters, set_.filterCount);
    EXPECT_STREQ("R100", set_.filters[100]->ruleName);
}

// The line end comes off before the columns are cut: a last column is its text alone.
// A line longer than the reader's 2047 bytes arrives in pieces, each read as a line.
TEST_F(FilterTablesTest, FilterTableColumnsLoseTheLineEndAndDropWhatDoesNotFit) {
    const std::string head = "A\t1\tA\t\t";
    const struct {
        std::string line;
        std::string ruleName;
        const char* filterId;
        const char* displayName;
    } cases[] = {
        {"Rule\t1\tF1\tx\tShown\r\r\n", "Rule", "F1", "Shown"},
        {"Rule\t1\tF1\n", "Rule", "F1", "F1"},
        {std::string(64, 'r') + "\t1\tF\t\tN", "", "F", "N"},
        {head + std::string(2047 - head.size(), 'x') + "Z\t1\tB\t\tB\n", "A", "A", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.substr(0, 20));
        Write(kSystemTable, c.line);
        Scope("", "");
        Load();
        ASSERT_EQ(c.line.size() > 2047 ? 2 : 1, set_.filterCount);
        const FilterDefinition& filter = *set_.filters[1];
        EXPECT_EQ(c.ruleName, filter.ruleName);
        EXPECT_STREQ(c.filterId, filter.filterId);
        EXPECT_STREQ(c.displayName, filter.displayName);
    }
    EXPECT_STREQ("Z", set_.filters[2]->ruleName);
}

TEST_F(FilterTablesTest, CriteriaLinesFillTypesInOrderUpToTwentyFive) {
    for (int lines : {30, 3}) {
        std::string table;
        for (int n = 0; n < lines; ++n) table += "1\t\tv" + std::to_string(n) + "\t\t\t1\n";
        LoadCriterionLine(table);
        for (int n = 0; n < kCriterionTypeCount; ++n) {
            const Criterion& criterion = set_.filters[1]->criteria[n];
            EXPECT_EQ(n < lines ? 1 : 0, criterion.conditionCount) << lines << " " << n;
            EXPECT_EQ(n < lines ? "v" + std::to_string(n) : "", criterion.value) << n;
        }
    }
}

TEST_F(FilterTablesTest, CriterionLineColumns) {
    const struct {
        const char* line;
        int enabled;
        const char* value;
        int threshold;
    } cases[] = {
        {"1\t\tabc,def\t\t\t0\n", 1, "abc\tdef", 1},
        {"1\t\t500\n", 1, "500", 500},   // column 3 is also the last, read as column 6
        {" +1\tx", 1, "x", 1},           // column 6 falls back to "x": 0 raised to 1
        {"2\t\tx\t\t\t0\n", 2, "x", 0},  // only exactly 1 raises
    };
    for (const auto& c : cases) {
        const Criterion& criterion = LoadCriterionLine(c.line);
        EXPECT_EQ(c.enabled, criterion.enabled) << c.line;
        EXPECT_EQ(c.value, criterion.value) << c.line;
        EXPECT_EQ(c.threshold, criterion.threshold) << c.line;
        EXPECT_EQ(1, criterion.conditionCount) << c.line;
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

// Both print each filter they release (read by the filter run's test).
TEST_F(FilterTablesTest, OnlyReleasingEmptiesThePatternCache) {
    for (int (*release)(FilterSet*) : {DestroyFilters, ReleaseFilters}) {
        Write(kSystemTable, "A\t1\tA\t\tA\nB\t1\tB\t\tB\n");
        Scope("", "");
        Load();
        CachePatternFile(plugin_.tree.Join("none.txt").c_str());
        Quietly(release);
        EXPECT_EQ(2, set_.filterCount);
        EXPECT_EQ(nullptr, set_.filters[1]);
        EXPECT_EQ(release == ReleaseFilters ? 0u : 1u, PatternCacheSize());
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

// Every scope's layout is read through the loader above; here what differs by file kind.
TEST_F(FilterTablesTest, ScopePathsAndPatternFilesFollowTheirLayoutsOrAreRefused) {
    const std::string spam = "<REFERENCE><FILE>spam.txt</FILE></REFERENCE>";
    const struct {
        const char* postoffice;
        const char* mailbox;
        ScopeFile file;  // or a pattern file
        std::string condition;
        int result;
        const char* path;  // the configuration directory written as "C"
    } cases[] = {
        {"", "MB", ScopeFile::kFilterTable, "", 1, "C\\FILTERS\\FILTER.TAB"},  // no postoffice
        // Templates are the server's whatever the scope.
        {"PO", "MB", ScopeFile::kTemplate, "", 1, "C\\FILTERS\\Templates\\F7.TXT"},
        {"PO", "", kPattern, spam, 1, "C\\Postoffices\\PO\\RULES\\spam.txt"},
        {"PO", "MB", kPattern, spam, 1, "C\\Postoffices\\PO\\Mailboxes\\MB\\RULES\\spam.txt"},
        {"PO", "MB", kPattern, "", 1, "C\\FILTERS\\PATTERNS\\MTAFILTER-GENERAL.TXT"},
        {"", "", kPattern, "<REFERENCE><PATH>D:\\x</PATH></REFERENCE>", 0, ""},
        {"", "", kPattern, "<reference><FILE>spam.txt</FILE>", 0, ""},
        {"", "", kPattern, "<REFERENCE><FILE>" + std::string(255, 'f') + "</FILE>", 0, ""},
    };
    const std::string config = Config();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.postoffice) + "/" + c.mailbox + " " + c.condition.substr(0, 30));
        FilterSet set{};
        SafeCopy(set.postoffice, c.postoffice);
        SafeCopy(set.mailbox, c.mailbox);
        char path[kFilterPathCapacity] = "garbage";
        EXPECT_EQ(c.result, c.file == kPattern
                                ? ResolvePatternPath(&set, c.condition.c_str(), path, sizeof path)
                                : BuildScopePath(set, c.file, "F7", path));
        std::string text = path;
        if (text.rfind(config, 0) == 0) text = "C" + text.substr(config.size());
        if (c.path != nullptr) {
            EXPECT_EQ(c.path, text);
        }
    }
    // A path that does not fit is refused, not cut.
    const FilterSet system{};
    const size_t length = config.size() + std::string("\\FILTERS\\FILTER.TAB").size();
    char path[kFilterPathCapacity];
    EXPECT_EQ(0, BuildScopePath(system, ScopeFile::kFilterTable, "", path, length));
    EXPECT_STREQ("", path);
    EXPECT_EQ(1, BuildScopePath(system, ScopeFile::kFilterTable, "", path, length + 1));
    const char* condition = "<REFERENCE><FILE>spam.txt</FILE><PATH>D:\\lists</PATH>";
    EXPECT_EQ(0, ResolvePatternPath(&system, condition, path, 17));  // "D:\lists\spam.txt" is 17
    EXPECT_STREQ("", path);
    EXPECT_EQ(1, ResolvePatternPath(&system, condition, path, 18));
    EXPECT_STREQ("D:\\lists\\spam.txt", path);
}

TEST(GetCriterionCondition, PicksTheWholeValueOrATabFieldThatFits) {
    char destination[16] = "garbage";
    EXPECT_EQ(1, GetCriterionCondition(Criterion{1, "a\tb", 1, 1}, 3, destination, 16));
    EXPECT_STREQ("a\tb", destination);  // one condition: the whole value, whatever j
    EXPECT_EQ(0, GetCriterionCondition(Criterion{1, "abcd\tb", 1, 2}, 0, destination, 4));
    EXPECT_STREQ("", destination);
    EXPECT_EQ(0, GetCriterionCondition(Criterion{1, "x", 1, 0}, 0, destination, 16));
}

}  // namespace
