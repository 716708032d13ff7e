// tests/filters/PatternCacheTest.cpp: reading pattern files, the case-insensitive cache
// of them, and lookups racing a reload that empties and refills it.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "filters/PatternCache.h"
#include "tests/fixtures/TempTree.h"

namespace {

using testing_support::TempTree;
using Words = std::vector<std::string>;

class PatternCacheTest : public testing::Test {
protected:
    void TearDown() override { EmptyPatternCache(); }
    std::string Path(const std::string& name) const { return tree_.Join(name); }

    TempTree tree_;
};

struct WordFileCase {
    const char* name;
    std::string bytes;
    Words words;
};

TEST_F(PatternCacheTest, LoadWordFileKeepsEveryNonEmptyLine) {
    const WordFileCase cases[] = {
        {"empty lines", "\nfree\n\n\nmoney\n\n", {"free", "money"}},
        {"CR LF", "free\r\nbig money\r\n", {"free", "big money"}},
        {"stops at NUL", std::string("free\nmo\0ney\nx\n", 14), {"free", "mo"}},
        {"empty file", "", {}},
    };
    for (const WordFileCase& c : cases) {
        tree_.WriteFile("words.txt", c.bytes);
        PatternEntry entry{{"stale"}, ""};
        EXPECT_EQ(1, LoadWordFile(Path("words.txt").c_str(), &entry)) << c.name;
        EXPECT_EQ(c.words, entry.words) << c.name;
        EXPECT_EQ(Path("words.txt"), entry.path) << c.name;
    }
}

TEST_F(PatternCacheTest, PathsCompareWithoutRegardToCaseAndMissingFilesAreEmptyLists) {
    tree_.WriteFile("Spam.txt", "free\n");
    CachePatternFile(Path("Spam.txt").c_str());
    const std::string other = tree_.Path() + "/SPAM.TXT";
    CachePatternFile(other.c_str());
    EXPECT_EQ(1u, PatternCacheSize());
    EXPECT_TRUE(IsPatternFileCached((tree_.Path() + "/spam.TXT").c_str()));
    const auto entry = FindCachedPatterns(other.c_str());
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ(Words{"free"}, entry->words);
    // A missing file is cached as an empty list.
    const std::string absent = Path("absent.txt");
    EXPECT_FALSE(IsPatternFileCached(absent.c_str()));
    EXPECT_EQ(nullptr, FindCachedPatterns(absent.c_str()));
    CachePatternFile(absent.c_str());
    ASSERT_NE(nullptr, FindCachedPatterns(absent.c_str()));
    EXPECT_TRUE(FindCachedPatterns(absent.c_str())->words.empty());
    EXPECT_EQ(absent, FindCachedPatterns(absent.c_str())->path);
}

TEST_F(PatternCacheTest, CachedFileIsNotReadAgainUntilTheCacheIsEmptied) {
    tree_.WriteFile("spam.txt", "old\n");
    CachePatternFile(Path("spam.txt").c_str());
    tree_.WriteFile("spam.txt", "new\n");
    CachePatternFile(Path("spam.txt").c_str());
    const auto found = FindCachedPatterns(Path("spam.txt").c_str());
    EXPECT_EQ(Words{"old"}, found->words);
    EmptyPatternCache();
    EXPECT_EQ(Words{"old"}, found->words);  // what a run found outlives the emptying
    EXPECT_EQ(0u, PatternCacheSize());
    CachePatternFile(Path("spam.txt").c_str());
    EXPECT_EQ(Words{"new"}, FindCachedPatterns(Path("spam.txt").c_str())->words);
}

TEST_F(PatternCacheTest, LookupsRaceAReloadThatEmptiesAndRefills) {
    const std::vector<std::string> paths = {Path("a.txt"), Path("b.txt"), Path("c.txt")};
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) tree_.WriteFile(name, "w\n");
    std::atomic<bool> stop{false};
    std::atomic<int> wrongLists{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 3; ++r) {
        readers.emplace_back([&, r] {
            while (!stop.load()) {
                for (const std::string& path : paths) {
                    if (r == 0) CachePatternFile(path.c_str());  // a second loader
                    const auto entry = FindCachedPatterns(path.c_str());
                    if (entry != nullptr && entry->words != Words{"w"}) ++wrongLists;
                    (void)IsPatternFileCached(path.c_str());
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
    EXPECT_EQ(0, wrongLists.load());
}

}  // namespace
