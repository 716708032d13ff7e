// tests/filters/CompiledListsTest.cpp: the compiled word lists against the word-by-word
// walk they replace: a fixed-seed sample of generated lists and texts, whole messages
// through the scanner, and lists compiled again when what they were built from changes.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "analysis/MessageScanner.h"
#include "base/Settings.h"
#include "common/SafeText.h"
#include "filters/EvaluationRecords.h"
#include "filters/PatternCache.h"
#include "tests/filters/HandBuiltRun.h"
#include "tests/filters/ListDifferential.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/PluginTree.h"

namespace {

using testing_support::ConsoleCapture;
using testing_support::HandBuiltRun;
using testing_support::Pick;
using testing_support::PluginTree;

constexpr const char* kTextDelimiters = " \r'\"\n";

class CompiledListsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSettings();
        ForgetFirstUseSettings();
        RefreshDirectoryGroup(nullptr);
        EmptyPatternCache();
    }
    void TearDown() override {
        UseCompiledLists(true);
        EmptyPatternCache();
        ForgetFirstUseSettings();
        ResetSettings();
    }
    void SetCaseSensitivity(uint32_t value) {
        plugin.registry.SetDword(testing_support::kPluginKey, "Case Sensitivity", value);
        ForgetFirstUseSettings();
    }

    PluginTree plugin;
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
