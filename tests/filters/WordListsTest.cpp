// tests/filters/WordListsTest.cpp: pattern files (cached and read line by line) and inline
// word lists, as the text criteria record their hits.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "base/Settings.h"
#include "common/SafeText.h"
#include "filters/EvaluationRecords.h"
#include "filters/PatternCache.h"
#include "filters/WordLists.h"
#include "tests/filters/HandBuiltRun.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using testing_support::HandBuiltRun;
using testing_support::PluginTree;

constexpr const char* kTextDelimiters = " \r'\"\n";

class WordListsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSettings();
        ForgetFirstUseSettings();
        RefreshDirectoryGroup(nullptr);
        EmptyPatternCache();
    }
    void TearDown() override {
        EmptyPatternCache();
        ForgetFirstUseSettings();
    }

    // A pattern file below the tree; returns its path.
    std::string WriteWords(const std::string& name, const std::string& lines) {
        plugin.tree.WriteFile(name, lines);
        return plugin.tree.Join(name);
    }

    PluginTree plugin;
    FilterEvaluation evaluation{};
};

TEST_F(WordListsTest, WordFileCountsEveryWordThatMatches) {
    struct Case {
        const char* name;
        const char* lines;
    };
    const Case kCases[] = {
        {"line feeds and an empty line", "free\n\ncheap\n"},
        {"carriage returns, no final line feed", "free\r\n\r\ncheap"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        evaluation = FilterEvaluation{};
        const std::string path = WriteWords("words.txt", c.lines);
        CaptureStdout();
        EXPECT_EQ(1, MatchWordFile("free and cheap", kTextDelimiters, path.c_str(), kBody, 2,
                                   &evaluation, tags::kWord));
        EXPECT_EQ(
            "Message General Criteria met against [free] in specified word file.\n"
            "Message General Criteria met against [cheap] in specified word file.\n",
            GetCapturedStdout());
        EXPECT_EQ(2, evaluation.matchCount[kBody]);
        EXPECT_STREQ("<MF-W>cheap</MF-W>", evaluation.resultText[kBody]);
        EXPECT_STREQ("1", evaluation.conditionValues[kBody][2]);
        EXPECT_STREQ("", evaluation.conditionValues[kBody][0]);
    }
}

TEST_F(WordListsTest, UnavailableWordFileIsReportedToTheCaller) {
    const std::string missing = plugin.tree.Join("missing.txt");
    EXPECT_EQ(0, MatchWordFile("free", kTextDelimiters, missing.c_str(), kBody, 0, &evaluation,
                               tags::kWord));
    EXPECT_EQ(0, MatchCachedWordList("free", kTextDelimiters, missing.c_str(), kBody, 0,
                                     &evaluation, tags::kWord));
    // A cached file that was missing is an empty list: usable, matching nothing.
    CachePatternFile(missing.c_str());
    EXPECT_EQ(1, MatchCachedWordList("free", kTextDelimiters, missing.c_str(), kBody, 0,
                                     &evaluation, tags::kWord));
    EXPECT_EQ(0, evaluation.matchCount[kBody]);
}

TEST_F(WordListsTest, CachedWordListNamesItsTag) {
    const std::string path = WriteWords("words.txt", "free\ncheap\n");
    CachePatternFile(path.c_str());
    CaptureStdout();
    EXPECT_EQ(1, MatchCachedWordList("cheap", ":]\r\n", path.c_str(), kIpAddress, 0, &evaluation,
                                     "MF-E"));
    EXPECT_EQ("Message Criteria (Tag=MF-E) met against [cheap] in specified word file.\n",
              GetCapturedStdout());
    EXPECT_EQ(1, evaluation.matchCount[kIpAddress]);
    EXPECT_STREQ("<MF-E>cheap</MF-E>", evaluation.resultText[kIpAddress]);
    EXPECT_STREQ("1", evaluation.conditionValues[kIpAddress][0]);
}

TEST_F(WordListsTest, CachedListOutlivesAConcurrentReload) {
    const std::string path = WriteWords("words.txt", "free\ncheap\n");
    std::atomic<bool> done{false};
    // A reload empties and refills the cache while runs are matching from it.
    std::thread reload([&] {
        while (!done) {
            CachePatternFile(path.c_str());
            EmptyPatternCache();
        }
    });
    int used = 0;
    for (int round = 0; round < 2000; ++round) {
        FilterEvaluation local{};
        const int rc = MatchCachedWordList("free", kTextDelimiters, path.c_str(), kBody, 0, &local,
                                           tags::kWord);
        used += rc;
        EXPECT_EQ(rc, local.matchCount[kBody]);
    }
    done = true;
    reload.join();
    SUCCEED() << used << " rounds found the list cached";
}

TEST_F(WordListsTest, InlineAlternativesRecordEachHitPerCondition) {
    struct Case {
        const char* name;
        const char* value;
        int conditionCount;
        int enabled;
        const char* text;
        int wantCount;
        const char* wantResult;
        const char* wantValue0;
        const char* wantValue1;
    };
    const Case kCases[] = {
        {"both alternatives count", "free\tcheap", 1, 1, "free and cheap", 2, "<MF-W>cheap</MF-W>",
         "1", ""},
        {"script conditions apart", "free\tcheap", 2, 1, "cheap", 1, "<MF-W>cheap</MF-W>", "", "1"},
        {"enabled must be exactly 1", "free", 1, 2, "free", 0, "", "", ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        HandBuiltRun run;
        run.AddFilter(kSubject, "unrelated");
        run.AddFilter(kSubject, c.value, c.conditionCount, c.enabled);
        EXPECT_EQ(1, EvaluateWordListCriterion(kSubject, c.text, kTextDelimiters, &run.set,
                                               &run.evaluations));
        EXPECT_EQ(0, run.Result(1).matchCount[kSubject]);
        EXPECT_EQ(c.wantCount, run.Result(2).matchCount[kSubject]);
        EXPECT_STREQ(c.wantResult, run.Result(2).resultText[kSubject]);
        EXPECT_STREQ(c.wantValue0, run.Result(2).conditionValues[kSubject][0]);
        EXPECT_STREQ(c.wantValue1, run.Result(2).conditionValues[kSubject][1]);
    }
}

TEST_F(WordListsTest, HitsAreAnnouncedAndAccumulateOverThePiecesOfAMessage) {
    HandBuiltRun run;
    run.AddFilter(kBody, "free");
    CaptureStdout();
    for (const char* line : {"free", "nothing", "free again"})
        (void)EvaluateWordListCriterion(kBody, line, kTextDelimiters, &run.set, &run.evaluations);
    const std::string hit = "Message General Criteria met against [free] in specified word list.\n";
    EXPECT_EQ(hit + hit, GetCapturedStdout());
    EXPECT_EQ(2, run.Result(1).matchCount[kBody]);
    EXPECT_STREQ("1", run.Result(1).conditionValues[kBody][0]);
}

TEST_F(WordListsTest, SenderPlaceholderBecomesTheBareSenderAddress) {
    struct Case {
        const char* name;
        const char* value;
        int wantCount;
        const char* wantResult;
    };
    const Case kCases[] = {
        {"beside other words", "free\t[QP_SENDER]", 1, "<MF-W>alice@example.com</MF-W>"},
        // Found in any case, but replaced only as written.
        {"lower case stays", "[qp_sender]", 0, ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        HandBuiltRun run;
        SafeCopy(run.message.sender, "[SMTP:alice@example.com]");
        run.AddFilter(kHeadersContain, c.value);
        (void)EvaluateWordListCriterion(kHeadersContain, "Reply-To: alice@example.com",
                                        kTextDelimiters, &run.set, &run.evaluations);
        EXPECT_EQ(c.wantCount, run.Result(1).matchCount[kHeadersContain]);
        EXPECT_STREQ(c.wantResult, run.Result(1).resultText[kHeadersContain]);
    }
}

TEST_F(WordListsTest, EmptyConditionUsesTheGeneralPatternFile) {
    plugin.tree.WriteFile("config/FILTERS/PATTERNS/MTAFILTER-GENERAL.TXT", "viagra\n");
    RefreshDirectoryGroup(nullptr);
    struct Case {
        const char* name;
        uint32_t caching;
        bool cached;
        int wantCount;
    };
    const Case kCases[] = {
        {"caching off: read line by line", 0, false, 1},
        {"caching on, never loaded", 1, false, 0},
        {"caching on, loaded", 1, true, 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        HandBuiltRun run;
        run.AddFilter(kBody, "");
        char path[1024];
        ASSERT_EQ(1, ResolvePatternPath(&run.set, "", path, sizeof path));
        EmptyPatternCache();
        if (c.cached) CachePatternFile(path);
        Settings().allowPatternCaching = c.caching;
        (void)EvaluateWordListCriterion(kBody, "cheap viagra", kTextDelimiters, &run.set,
                                        &run.evaluations);
        EXPECT_EQ(c.wantCount, run.Result(1).matchCount[kBody]);
    }
}

TEST_F(WordListsTest, ReferencedFileTakesPrecedenceOverInlineText) {
    WriteWords("lists/words.txt", "cheap\n");
    const std::string reference =
        "<REFERENCE><FILE>words.txt</FILE><PATH>" + plugin.tree.Join("lists") + "</PATH>";
    HandBuiltRun run;
    run.AddFilter(kSubject, reference);
    (void)EvaluateWordListCriterion(kSubject, "cheap", kTextDelimiters, &run.set, &run.evaluations);
    EXPECT_EQ(1, run.Result(1).matchCount[kSubject]);
    EXPECT_STREQ("<MF-W>cheap</MF-W>", run.Result(1).resultText[kSubject]);
}

TEST_F(WordListsTest, CaseSensitivityOneAloneComparesExactly) {
    struct Case {
        const char* name;
        uint32_t setting;
        int wantCount;
    };
    const Case kCases[] = {{"1: exact", 1, 0}, {"2: any case", 2, 1}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        plugin.registry.SetDword(testing_support::kPluginKey, "Case Sensitivity", c.setting);
        ForgetFirstUseSettings();
        HandBuiltRun run;
        run.AddFilter(kSubject, "FREE");
        (void)EvaluateWordListCriterion(kSubject, "free", kTextDelimiters, &run.set,
                                        &run.evaluations);
        EXPECT_EQ(c.wantCount, run.Result(1).matchCount[kSubject]);
    }
}

}  // namespace
