// tests/platform/FilesTest.cpp: text-mode translation, line reading, copying, moving and
// wildcards on Windows-style paths.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/Files.h"
#include "tests/fixtures/TempTree.h"

namespace {

using platform::FileMode;
using testing_support::TempTree;

using Strings = std::vector<std::string>;

// What reading file "f" of the tree in text mode delivers, `chunk` bytes a read.
std::string ReadAll(const TempTree& tree, size_t chunk) {
    platform::File file = platform::FileOpen(tree.Join("f").c_str(), FileMode::kReadText);
    std::string text;
    std::vector<char> buffer(chunk);
    while (size_t got = platform::FileRead(file, buffer.data(), chunk))
        text.append(buffer.data(), got);
    platform::FileClose(file);
    return text;
}

// The pieces FileReadLine delivers from a file holding `onDisk`, read in text mode.
Strings ReadLines(const std::string& onDisk, size_t capacity) {
    TempTree tree;
    tree.WriteFile("f", onDisk);
    platform::File file = platform::FileOpen(tree.Join("f").c_str(), FileMode::kReadText);
    Strings lines;
    std::vector<char> buffer(capacity);
    while (platform::FileReadLine(file, buffer.data(), capacity)) lines.push_back(buffer.data());
    platform::FileClose(file);
    return lines;
}

// Text mode writes CR LF and drops the CR of each CR LF it reads, also when the read size
// cuts the pair; a line is read as fgets would.
TEST(TextMode, WritesCrLfAndReadsItBackAndReadsLinesAsFgets) {
    TempTree tree;
    platform::File file = platform::FileOpen(tree.Join("f").c_str(), FileMode::kWriteText);
    platform::FileWriteText(file, "x\ny\n\nlast");
    ASSERT_EQ(platform::FileClose(file), 1);
    EXPECT_EQ(tree.ReadFile("f"), "x\r\ny\r\n\r\nlast");
    EXPECT_EQ(ReadAll(tree, 5), "x\ny\n\nlast");
    const std::pair<std::string, std::string> translations[] = {
        {"a\rb", "a\rb"}, {"a\r\r\nb", "a\r\nb"}, {"a\r", "a\r"}, {"ab\r\ncd", "ab\ncd"}};
    for (const auto& [onDisk, read] : translations)
        for (size_t chunk : {size_t{4096}, size_t{3}}) {
            tree.WriteFile("f", onDisk);
            EXPECT_EQ(ReadAll(tree, chunk), read) << onDisk << " " << chunk;
        }
    EXPECT_EQ(ReadLines("one\r\ntwo\n\r\nthree", 80), (Strings{"one\n", "two\n", "\n", "three"}));
    EXPECT_EQ(ReadLines("abcdefg\r\nh", 4), (Strings{"abc", "def", "g\n", "h"}));
    EXPECT_EQ(ReadLines("ab\r\nd", 4), (Strings{"ab\n", "d"}));
    EXPECT_EQ(ReadLines("ab\rde", 4), (Strings{"ab\r", "de"}));
}

TEST(Sync, FileAndDirectoryReachTheDiskOrSaySoNot) {
    TempTree tree;
    platform::File file = platform::FileOpen(tree.Join("f").c_str(), FileMode::kWriteBinary);
    ASSERT_NE(file, nullptr);
    platform::FileWriteText(file, "kept");
    EXPECT_EQ(platform::FileSync(file), 1);
    EXPECT_EQ(platform::FileClose(file), 1);
    EXPECT_EQ(platform::DirectorySync(tree.Join("").c_str()), 1);
    EXPECT_EQ(platform::DirectorySync(tree.Join("missing").c_str()), 0);
    EXPECT_EQ(platform::FileSync(nullptr), 0);
    file = platform::FileOpen("/dev/full", FileMode::kWriteBinary);
    if (file == nullptr) GTEST_SKIP() << "no /dev/full";
    platform::FileWriteText(file, "lost");
    EXPECT_EQ(platform::FileSync(file), 0);
    EXPECT_EQ(platform::FileClose(file), 0);
}

// Both on paths spelled in another case than on disk.
TEST(CopyMove, FailOverAnExistingTargetOrReplaceIt) {
    TempTree tree;
    auto spool = [&] {
        Strings names;
        platform::DirectoryList(tree.Join("Spool").c_str(), 1, &names);
        return names;
    };
    const std::string source = tree.Join("SPOOL\\Source.msg"),
                      target = tree.Join("spool\\TARGET.MSG");
    tree.WriteFile("Spool/source.msg", "new");
    tree.WriteFile("Spool/target.msg", "old");
    EXPECT_EQ(platform::FileCopy(source.c_str(), target.c_str(), 1), 0);
    EXPECT_EQ(platform::FileMove(source.c_str(), target.c_str(), 0), 0);
    EXPECT_EQ(tree.ReadFile("Spool/target.msg"), "old");
    tree.WriteFile("Spool/source.msg", "copied");
    EXPECT_EQ(platform::FileCopy(source.c_str(), target.c_str(), 0), 1);
    EXPECT_EQ(tree.ReadFile("Spool/target.msg"), "copied");
    EXPECT_EQ(spool(), (Strings{"source.msg", "target.msg"}));  // no temporary copy left
    tree.WriteFile("Spool/source.msg", "moved");
    EXPECT_EQ(platform::FileMove(source.c_str(), target.c_str(), 1), 1);
    EXPECT_EQ(spool(), (Strings{"target.msg"}));
    EXPECT_EQ(tree.ReadFile("Spool/target.msg"), "moved");
}

TEST(Wildcard, MatchesAsFindFirstFile) {
    TempTree tree;
    for (const char* name : {"report.TXT", "data.bin", "README", "a[1].log"})
        tree.WriteFile(std::string("Spool/") + name, "");
    const std::pair<const char*, int> cases[] = {
        {"SPOOL\\*.txt", 1},      // star and extension without case
        {"Spool\\data?.bin", 0},  // ? needs a character
        {"Spool\\readme.*", 1},   // name.* matches the bare name
        {"Spool\\a[1].*", 1},     // brackets are literal
        {"spool\\readme", 1},
    };
    for (const auto& [pattern, expected] : cases)
        EXPECT_EQ(platform::FileExistsMatching((tree.Path() + "\\" + pattern).c_str()), expected)
            << pattern;
}

}  // namespace
