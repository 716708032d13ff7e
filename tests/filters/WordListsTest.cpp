// tests/filters/WordListsTest.cpp: pattern files (read, cached case-insensitively, and read
// line by line) and inline word lists, as the text criteria record their hits; lookups and
// matches racing a reload that empties and refills the cache; and the compiled lists
// against the word-by-word walk they replace.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "analysis/MessageScanner.h"
#include "base/Settings.h"
#include "common/Console.h"
#include "common/SafeText.h"
#include "filters/EvaluationRecords.h"
#include "filters/PatternCache.h"
#include "filters/SenderAddress.h"
#include "filters/WordLists.h"
#include "tests/filters/HandBuiltRun.h"
#include "tests/filters/ListDifferential.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using testing_support::ConsoleCapture;
using testing_support::HandBuiltRun;
using testing_support::Pick;
using testing_support::PluginTree;
using Words = std::vector<std::string>;

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
    std::string Path(const std::string& name) const { return plugin.tree.Join(name); }
    Words Cached(const std::string& name) const {
        const auto entry = FindCachedPatterns(Path(name).c_str());
        return entry != nullptr ? entry->words : Words{"(none)"};
    }
    // Filter 1's hits on `type` when a run with it holding `value` meets `text`.
    int Hits(int type, const std::string& value, const char* text, HandBuiltRun&& run = {}) {
        run.AddFilter(type, value);
        (void)EvaluateWordListCriterion(type, text, kTextDelimiters, &run.set, &run.evaluations);
        result = run.Result(1).resultText[type];
        return run.Result(1).matchCount[type];
    }

    testing_support::PluginTree plugin;
    FilterEvaluation evaluation{};
    std::string result;
};

TEST_F(WordListsTest, WordFileCountsEveryWordThatMatchesAndAMissingOneIsReported) {
    for (const char* lines : {"free\n\ncheap\n", "free\r\n\r\ncheap"}) {
        SCOPED_TRACE(lines);
        evaluation = FilterEvaluation{};
        const std::string path = WriteWords("words.txt", lines);
        CaptureStdout();
        EXPECT_EQ(1, MatchWordFile("free and cheap", kTextDelimiters, path.c_str(), kBody, 2,
                                   &evaluation, tags::kWord));
        (void)GetCapturedStdout();
        EXPECT_EQ(2, evaluation.matchCount[kBody]);
        EXPECT_STREQ("<MF-W>cheap</MF-W>", evaluation.resultText[kBody]);
        EXPECT_STREQ("1", evaluation.conditionValues[kBody][2]);
        EXPECT_STREQ("", evaluation.conditionValues[kBody][0]);
    }
    const std::string missing = plugin.tree.Join("missing.txt");
    EXPECT_EQ(0, MatchWordFile("free", kTextDelimiters, missing.c_str(), kBody, 0, &evaluation,
                               tags::kWord));
    EXPECT_EQ(0, MatchCachedWordList("free", kTextDelimiters, missing.c_str(), kBody, 0,
                                     &evaluation, tags::kWord));
}

TEST_F(WordListsTest, CachedWordListNamesItsTagAndACachedMissingFileMatchesNothing) {
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
    const std::string missing = plugin.tree.Join("missing.txt");
    CachePatternFile(missing.c_str());
    EXPECT_EQ(1, MatchCachedWordList("free", kTextDelimiters, missing.c_str(), kBody, 0,
                                     &evaluation, tags::kWord));
    EXPECT_EQ(0, evaluation.matchCount[kBody]);
}

TEST_F(WordListsTest, InlineAlternativesRecordEachHitPerCondition) {
    const struct {
        const char* value;
        int conditionCount, enabled;
        const char* text;
        int count;
        const char* result;
        const char* value0;
        const char* value1;
    } cases[] = {
        {"free\tcheap", 1, 1, "free and cheap", 2, "<MF-W>cheap</MF-W>", "1", ""},
        {"free\tcheap", 2, 1, "cheap", 1, "<MF-W>cheap</MF-W>", "", "1"},  // conditions apart
        {"free", 1, 2, "free", 0, "", "", ""},  // enabled must be exactly 1
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value + std::to_string(c.conditionCount));
        HandBuiltRun run;
        run.AddFilter(kSubject, "unrelated");
        run.AddFilter(kSubject, c.value, c.conditionCount, c.enabled);
        EXPECT_EQ(1, EvaluateWordListCriterion(kSubject, c.text, kTextDelimiters, &run.set,
                                               &run.evaluations));
        EXPECT_EQ(0, run.Result(1).matchCount[kSubject]);
        const FilterEvaluation& second = run.Result(2);
        EXPECT_EQ(c.count, second.matchCount[kSubject]);
        EXPECT_STREQ(c.result, second.resultText[kSubject]);
        EXPECT_STREQ(c.value0, second.conditionValues[kSubject][0]);
        EXPECT_STREQ(c.value1, second.conditionValues[kSubject][1]);
    }
}

TEST(SenderAddress, FirstColonDecidesAndAnAddressThatDoesNotFitIsRefusedWhole) {
    char first[kSenderAddressCapacity];
    EXPECT_EQ(1, ExtractSenderAddress("[X400:c=de:o=acme]", first));
    EXPECT_STREQ("c=de:o=acme", first);
    EXPECT_EQ(1, ExtractSenderAddress("SMTP:alice@example.com", first));  // no bracket to drop
    EXPECT_STREQ("alice@example.co", first);
    const std::string exact = "[SMTP:" + std::string(kSenderAddressCapacity - 1, 'a') + "]";
    const std::string over = "[SMTP:" + std::string(kSenderAddressCapacity, 'a') + "]";
    char address[kSenderAddressCapacity];
    EXPECT_EQ(1, ExtractSenderAddress(exact.c_str(), address));
    EXPECT_EQ(kSenderAddressCapacity - 1, std::string(address).size());
    EXPECT_EQ(1, ExtractSenderAddress(over.c_str(), address));
    EXPECT_STREQ("", address);
}

TEST_F(WordListsTest, EmptyConditionUsesTheGeneralPatternFileAndAReferenceWinsOverText) {
    plugin.tree.WriteFile("config/FILTERS/PATTERNS/MTAFILTER-GENERAL.TXT", "viagra\n");
    RefreshDirectoryGroup(nullptr);
    char general[1024];
    HandBuiltRun scope;
    ASSERT_EQ(1, ResolvePatternPath(&scope.set, "", general, sizeof general));
    const struct {
        uint32_t caching;
        bool cached;
        int count;
    } cases[] = {{0, false, 1}, {1, false, 0}, {1, true, 1}};  // off: read line by line
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.caching) + (c.cached ? " cached" : ""));
        EmptyPatternCache();
        if (c.cached) CachePatternFile(general);
        Settings().allowPatternCaching = c.caching;
        EXPECT_EQ(c.count, Hits(kBody, "", "cheap viagra"));
    }
    Settings().allowPatternCaching = 0;
    WriteWords("lists/words.txt", "cheap\n");
    EXPECT_EQ(
        1, Hits(kSubject,
                "<REFERENCE><FILE>words.txt</FILE><PATH>" + plugin.tree.Join("lists") + "</PATH>",
                "cheap"));
    EXPECT_EQ("<MF-W>cheap</MF-W>", result);
}

TEST_F(WordListsTest, CaseSensitivityOneAloneComparesExactly) {
    for (uint32_t setting : {1u, 2u}) {
        plugin.registry.SetDword(testing_support::kPluginKey, "Case Sensitivity", setting);
        ForgetFirstUseSettings();
        EXPECT_EQ(setting == 1 ? 0 : 1, Hits(kSubject, "FREE", "free")) << setting;
    }
}

TEST_F(WordListsTest, LoadWordFileKeepsEveryNonEmptyLineUpToANul) {
    const std::pair<std::string, Words> cases[] = {
        {"free\r\nbig money\r\n", {"free", "big money"}},
        {std::string("free\nmo\0ney\nx\n", 14), {"free", "mo"}},
    };
    for (const auto& [bytes, words] : cases) {
        plugin.tree.WriteFile("words.txt", bytes);
        PatternEntry entry{{"stale"}, ""};
        EXPECT_EQ(1, LoadWordFile(Path("words.txt").c_str(), &entry)) << bytes;
        EXPECT_EQ(words, entry.words) << bytes;
        EXPECT_EQ(Path("words.txt"), entry.path) << bytes;
    }
}

TEST_F(WordListsTest, PathsIgnoreCaseAndAFileIsReadOnceAndMissingOnesAreEmptyLists) {
    plugin.tree.WriteFile("Spam.txt", "old\n");
    CachePatternFile(Path("Spam.txt").c_str());
    plugin.tree.WriteFile("Spam.txt", "new\n");
    CachePatternFile(Path("SPAM.TXT").c_str());
    EXPECT_EQ(1u, PatternCacheSize());
    EXPECT_TRUE(IsPatternFileCached(Path("spam.TXT").c_str()));
    const auto found = FindCachedPatterns(Path("sPAM.txt").c_str());
    ASSERT_NE(nullptr, found);
    EXPECT_EQ(Words{"old"}, found->words);
    EXPECT_FALSE(IsPatternFileCached(Path("absent.txt").c_str()));
    EXPECT_EQ(Words{"(none)"}, Cached("absent.txt"));
    CachePatternFile(Path("absent.txt").c_str());
    EXPECT_EQ(Words{}, Cached("absent.txt"));
    EmptyPatternCache();
    EXPECT_EQ(Words{"old"}, found->words);  // what a run found outlives the emptying
    EXPECT_EQ(0u, PatternCacheSize());
    CachePatternFile(Path("Spam.txt").c_str());
    EXPECT_EQ(Words{"new"}, Cached("Spam.txt"));
}

TEST_F(WordListsTest, LookupsAndMatchesRaceAReloadThatEmptiesAndRefills) {
    const std::vector<std::string> paths = {Path("a.txt"), Path("b.txt"), Path("c.txt")};
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) plugin.tree.WriteFile(name, "w\n");
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 3; ++r) {
        readers.emplace_back([&, r] {
            SetConsoleQuiet(1);  // no line for each hit
            while (!stop.load()) {
                for (const std::string& path : paths) {
                    if (r == 0) CachePatternFile(path.c_str());  // a second loader
                    const auto entry = FindCachedPatterns(path.c_str());
                    if (entry != nullptr && entry->words != Words{"w"}) ++wrong;
                    FilterEvaluation local{};
                    const int rc =
                        MatchCachedWordList("w", " ", path.c_str(), kBody, 0, &local, tags::kWord);
                    if (rc != local.matchCount[kBody]) ++wrong;
                }
            }
        });
    }
    for (int round = 0; round < 200; ++round) {
        for (const std::string& path : paths) CachePatternFile(path.c_str());
        EXPECT_LE(PatternCacheSize(), paths.size());
        EmptyPatternCache();
    }
    stop = true;
    for (std::thread& reader : readers) reader.join();
    EXPECT_EQ(0, wrong.load());
}

// The compiled word lists against the word-by-word walk they replace: a fixed-seed
// sample of generated lists and texts, whole messages through the scanner, and lists
// compiled again when what they were built from changes.
class CompiledListsTest : public WordListsTest {
protected:
    void TearDown() override {
        UseCompiledLists(true);
        WordListsTest::TearDown();
    }
    void SetCaseSensitivity(uint32_t value) {
        plugin.registry.SetDword(testing_support::kPluginKey, "Case Sensitivity", value);
        ForgetFirstUseSettings();
    }
};

TEST_F(CompiledListsTest, GeneratedListsMatchAsWordByWord) {
    constexpr int kCasesPerSetting = 60000;
    std::mt19937 generator(20261207);
    Pick pick = [&generator](uint32_t bound) {
        return bound <= 1 ? 0u : static_cast<uint32_t>(generator() % bound);
    };
    int failures = 0;
    for (uint32_t setting : {0u, 1u}) {
        SetCaseSensitivity(setting);
        ConsoleCapture console;
        for (int n = 0; n < kCasesPerSetting && failures < 5; ++n) {
            const std::string difference =
                CompareListCase(testing_support::MakeListCase(pick), console);
            if (difference.empty()) continue;
            ++failures;
            ADD_FAILURE() << "case " << n << ", Case Sensitivity " << setting << "\n" << difference;
        }
    }
}

// Messages of a small alphabet with the headers the scanner gives to word lists, MIME
// parts and folded address headers.
std::string GeneratedMessage(std::mt19937& generator) {
    auto pick = [&generator](uint32_t bound) { return static_cast<uint32_t>(generator() % bound); };
    static const char* const kWords[] = {"free",  "Free",    "carefree",     "cheap",
                                         "x@y.z", "<x@y.z>", "me@here.test", "pills",
                                         "a**b",  "buy",     "now!",         "FREE"};
    auto words = [&](int count) {
        std::string line;
        for (int i = 0; i < count; ++i) line += (i ? " " : "") + std::string(kWords[pick(12)]);
        return line;
    };
    std::string m = "From: " + words(2) + "\r\nTo: " + words(1) + "\r\n\t" + words(2) +
                    "\r\nCc: " + words(1) + "\r\nSubject: " + words(3) +
                    "\r\nX-Priority: " + std::to_string(1 + pick(5)) +
                    "\r\nReceived-SPF: " + words(1) + "\r\nX-Other: " + words(2) + "\r\n";
    const bool mime = pick(2) == 0;
    if (mime) m += "Content-Type: multipart/mixed; boundary=\"BB\"\r\n";
    m += "\r\n";
    for (int line = 0; line < 12; ++line) {
        if (mime && pick(6) == 0)
            m += "--BB\r\nContent-Type: text/plain; name=\"" + words(1) + "\"\r\n\r\n";
        m += words(static_cast<int>(pick(6))) + "\r\n";
    }
    return m;
}

TEST_F(CompiledListsTest, WholeMessagesRecordAndPrintAsWordByWord) {
    Settings().allowPatternCaching = 1;
    plugin.tree.WriteFile("lists/a.txt", "free\ncheap\n\nFREE\nbuy*\n*pills\na**b\nfree\n");
    plugin.tree.WriteFile("lists/b.txt", "x@y.z\r\n<x@y.z>\r\nme@*\r\n");
    const std::string folder = plugin.tree.Join("lists");
    const std::string fileA =
        "<REFERENCE><FILE>a.txt</FILE><PATH>" + folder + "</PATH></REFERENCE>";
    const std::string fileB =
        "<REFERENCE><FILE>b.txt</FILE><PATH>" + folder + "</PATH></REFERENCE>";
    const std::string notCached =
        "<REFERENCE><FILE>none.txt</FILE><PATH>" + folder + "</PATH></REFERENCE>";
    const int kTypes[] = {kSubject, kBody,
                          kTo,      kCc,
                          kToOrCc,  kPriority,
                          kFrom,    kHeadersContain,
                          kSpf,     kBoundaryHeadersContain};
    const std::string kValues[] = {fileA,
                                   fileB,
                                   "free\tcheap\tbuy*",
                                   "[QP_SENDER]\tfree",
                                   "High \tNormal \t*",
                                   notCached,
                                   "*cheap*\tpills\tx@*"};
    std::mt19937 generator(7);
    for (int message = 0; message < 150; ++message) {
        SCOPED_TRACE(message);
        HandBuiltRun runs[2];
        std::string console[2];
        const std::string text = GeneratedMessage(generator);
        plugin.tree.WriteFile("connectors/SMTP/Inbound/Messages/M1.MAI", text);
        const uint32_t seed = generator();
        for (int path = 0; path < 2; ++path) {
            std::mt19937 filters(seed);  // the same filters for both paths
            for (int f = 0; f < 6; ++f) {
                FilterDefinition& filter =
                    runs[path].AddFilter(kTypes[filters() % 10], kValues[filters() % 7]);
                for (int extra = 0; extra < 3; ++extra)
                    filter.criteria[kTypes[filters() % 10]] = {1, kValues[filters() % 7], 1, 1};
            }
            for (int f = 1; f <= runs[path].set.filterCount; ++f)
                for (const Criterion& c : runs[path].set.filters[f]->criteria)
                    if (c.enabled == 1) PreloadPatternFile(&runs[path].set, c.value.c_str(), "");
            SafeCopy(runs[path].message.messageId, "M1.MAI");
            SafeCopy(runs[path].message.connector, "SMTP");
            SafeCopy(runs[path].message.sender, "me@here.test");
            UseCompiledLists(path == 0);
            testing::internal::CaptureStdout();
            (void)ScanMessage(&runs[path].message, &runs[path].set, &runs[path].evaluations);
            console[path] = testing::internal::GetCapturedStdout();
        }
        ASSERT_EQ(console[1], console[0]);
        for (int f = 1; f <= runs[0].set.filterCount; ++f)
            ASSERT_EQ(0,
                      std::memcmp(&runs[0].Result(f), &runs[1].Result(f), sizeof(FilterEvaluation)))
                << "filter " << f;
    }
}

// A reload empties the pattern cache and fills it again: the next text must see the new
// words, not what the set compiled before.
TEST_F(CompiledListsTest, ListsAreCompiledAgainWhenTheCacheChanges) {
    Settings().allowPatternCaching = 1;
    const std::string folder = plugin.tree.Join("");
    const std::string condition =
        "<REFERENCE><FILE>w.txt</FILE><PATH>" + folder + "</PATH></REFERENCE>";
    HandBuiltRun run;
    run.AddFilter(kBody, condition);
    testing::internal::CaptureStdout();
    plugin.tree.WriteFile("w.txt", "free\n");
    PreloadPatternFile(&run.set, condition.c_str(), "");
    (void)EvaluateWordListCriterion(kBody, "free cheap", kTextDelimiters, &run.set,
                                    &run.evaluations);
    EmptyPatternCache();  // uncached: the condition is matched as inline text
    (void)EvaluateWordListCriterion(kBody, "free cheap", kTextDelimiters, &run.set,
                                    &run.evaluations);
    plugin.tree.WriteFile("w.txt", "cheap\n");
    PreloadPatternFile(&run.set, condition.c_str(), "");
    (void)EvaluateWordListCriterion(kBody, "free cheap", kTextDelimiters, &run.set,
                                    &run.evaluations);
    (void)testing::internal::GetCapturedStdout();
    EXPECT_EQ(2, run.Result(1).matchCount[kBody]);
    EXPECT_STREQ("<MF-W>cheap</MF-W>", run.Result(1).resultText[kBody]);
}

// Texts of different sets alternate on one thread, and a set takes the place of one that
// ended: each finds its own words, never the lists compiled for another set.
TEST_F(CompiledListsTest, EachSetMatchesItsOwnListsWhenSetsAlternateAndEnd) {
    testing::internal::CaptureStdout();
    for (int round = 0; round < 3; ++round) {
        const std::string own = "w" + std::to_string(round);
        auto first = std::make_unique<HandBuiltRun>();
        HandBuiltRun second;
        first->AddFilter(kBody, own + "a");
        second.AddFilter(kBody, own + "b");
        for (HandBuiltRun* run : {first.get(), &second, first.get()})
            (void)EvaluateWordListCriterion(kBody, (own + "a " + own + "b").c_str(),
                                            kTextDelimiters, &run->set, &run->evaluations);
        EXPECT_EQ(2, first->Result(1).matchCount[kBody]);
        EXPECT_EQ(1, second.Result(1).matchCount[kBody]);
        EXPECT_EQ("<MF-W>" + own + "b</MF-W>", std::string(second.Result(1).resultText[kBody]));
        first.reset();
        HandBuiltRun third;  // often where the first was
        third.AddFilter(kBody, own + "c");
        (void)EvaluateWordListCriterion(kBody, (own + "a " + own + "c").c_str(), kTextDelimiters,
                                        &third.set, &third.evaluations);
        EXPECT_EQ("<MF-W>" + own + "c</MF-W>", std::string(third.Result(1).resultText[kBody]));
    }
    (void)testing::internal::GetCapturedStdout();
}

// Runs on several threads share one set's compiled lists while a reload empties and
// fills the pattern cache under them: each text sees either the whole list or none of it.
TEST_F(CompiledListsTest, RunsShareCompiledListsWhileTheCacheIsReloaded) {
    Settings().allowPatternCaching = 1;
    plugin.tree.WriteFile("w.txt", "free\ncheap\n");
    const std::string condition =
        "<REFERENCE><FILE>w.txt</FILE><PATH>" + plugin.tree.Join("") + "</PATH></REFERENCE>";
    HandBuiltRun run;
    run.AddFilter(kBody, condition);
    testing::internal::CaptureStdout();
    PreloadPatternFile(&run.set, condition.c_str(), "");
    constexpr int kTexts = 2000;
    std::vector<std::thread> threads;
    std::vector<FilterEvaluation> results(4);
    for (FilterEvaluation& result : results)
        threads.emplace_back([&run, &result] {
            FilterEvaluationSet evaluations{};
            evaluations.count = 1;
            evaluations.evaluations[1] = &result;
            for (int n = 0; n < kTexts; ++n)
                (void)EvaluateWordListCriterion(kBody, "free cheap", kTextDelimiters, &run.set,
                                                &evaluations);
        });
    for (int reload = 0; reload < 100; ++reload) {
        EmptyPatternCache();
        PreloadPatternFile(&run.set, condition.c_str(), "");
    }
    for (std::thread& thread : threads) thread.join();
    (void)testing::internal::GetCapturedStdout();
    for (const FilterEvaluation& result : results) {
        EXPECT_EQ(0, result.matchCount[kBody] % 2);
        EXPECT_LE(result.matchCount[kBody], 2 * kTexts);
    }
}

}  // namespace
