// tests/platform/DirectoryWatchTest.cpp: a directory watch's count moves with every change
// to the directory's files and to the folders on its path, and with nothing else.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/DirectoryWatch.h"
#include "tests/fixtures/TempTree.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempTree;

TEST(DirectoryWatch, OnlyAFileKnownByOneNameIsSeenWhole) {
    TempTree tree;
    tree.WriteFile("config/FILTERS/ACTIONS/F1.TAB", "one");
    const std::string file = tree.Path() + "\\config\\FILTERS\\ACTIONS\\F1.TAB";
    EXPECT_EQ(1, platform::WatchSeesEveryChange(file.c_str()));
    fs::create_directories(tree.Join("config/other"));
    fs::create_hard_link(tree.Join("config/FILTERS/ACTIONS/F1.TAB"), tree.Join("config/other/F1"));
    EXPECT_EQ(0, platform::WatchSeesEveryChange(file.c_str()));
    EXPECT_EQ(0, platform::WatchSeesEveryChange((tree.Path() + "\\config\\FILTERS").c_str()));
}

// Windows watches no directory (a watched path could not be renamed): files are examined by
// their stamps there.
#ifndef _WIN32
class DirectoryWatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.WriteFile("config/FILTERS/ACTIONS/F1.TAB", "one");
        tree.WriteFile("config/other/x.txt", "x");
        // Spelled as the plug-in spells it; the folders on disk differ in case.
        ASSERT_EQ(1, platform::OpenDirectoryWatch(
                         (tree.Path() + "\\CONFIG\\filters\\actions").c_str(), &watch));
        ASSERT_EQ(1, platform::DirectoryChangeCount(watch, &last));
    }
    void TearDown() override { platform::CloseDirectoryWatch(watch); }

    // Whether the count moved since the last call; false too when the watch is lost.
    bool Moved() {
        uint64_t now = 0;
        if (platform::DirectoryChangeCount(watch, &now) != 1) return false;
        const bool moved = now != last;
        last = now;
        return moved;
    }

    TempTree tree;
    platform::DirectoryWatch* watch = nullptr;
    uint64_t last = 0;
};

TEST_F(DirectoryWatchTest, EveryChangeToTheFilesMovesTheCountAndNothingElseDoes) {
    EXPECT_FALSE(Moved());
    tree.WriteFile("config/other/x.txt", "changed elsewhere");
    tree.WriteFile("config/FILTERS/unrelated.txt", "beside the path");
    EXPECT_FALSE(Moved());
    tree.WriteFile("config/FILTERS/ACTIONS/F1.TAB", "two");  // same size, in place
    EXPECT_TRUE(Moved());
    EXPECT_FALSE(Moved());
    tree.WriteFile("config/FILTERS/ACTIONS/F1.new", "three");
    EXPECT_TRUE(Moved());
    fs::rename(tree.Join("config/FILTERS/ACTIONS/F1.new"),
               tree.Join("config/FILTERS/ACTIONS/F1.TAB"));
    EXPECT_TRUE(Moved());
    fs::permissions(tree.Join("config/FILTERS/ACTIONS/F1.TAB"), fs::perms::owner_write,
                    fs::perm_options::remove);
    EXPECT_TRUE(Moved());
    fs::remove(tree.Join("config/FILTERS/ACTIONS/F1.TAB"));
    EXPECT_TRUE(Moved());
}

TEST_F(DirectoryWatchTest, AFolderOnThePathReplacedEndsTheWatch) {
    fs::rename(tree.Join("config"), tree.Join("old"));
    tree.WriteFile("config/FILTERS/ACTIONS/F1.TAB", "new tree");
    uint64_t now = 0;
    EXPECT_EQ(0, platform::DirectoryChangeCount(watch, &now));
    platform::DirectoryWatch* again = nullptr;
    ASSERT_EQ(1, platform::OpenDirectoryWatch(tree.Join("config/FILTERS/ACTIONS").c_str(), &again));
    ASSERT_EQ(1, platform::DirectoryChangeCount(again, &now));
    EXPECT_NE(last, now);  // never a number the lost watch gave
    platform::CloseDirectoryWatch(again);
}
#endif

}  // namespace
