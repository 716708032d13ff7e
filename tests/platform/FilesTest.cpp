// tests/platform/FilesTest.cpp: text-mode translation, line reading, copying, moving and
// wildcards on Windows-style paths.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Files.h"
#include "tests/fixtures/TempTree.h"

namespace {

using platform::FileMode;
using testing_support::TempTree;

using Strings = std::vector<std::string>;

std::string ReadAll(platform::File file, size_t chunk) {
    std::string text;
    std::vector<char> buffer(chunk);
    while (size_t got = platform::FileRead(file, buffer.data(), chunk))
        text.append(buffer.data(), got);
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

struct TranslationCase {
    const char* name;
    std::string onDisk;
    std::string read;
};

class TextReadTest : public ::testing::TestWithParam<TranslationCase> {};

TEST_P(TextReadTest, DropsTheCrOfEachCrLf) {
    TempTree tree;
    tree.WriteFile("f", GetParam().onDisk);
    platform::File file = platform::FileOpen(tree.Join("f").c_str(), FileMode::kReadText);
    EXPECT_EQ(ReadAll(file, 4096), GetParam().read);
    platform::FileClose(file);
}

const TranslationCase kTranslationCases[] = {
    {"CrLfBecomesLf", "a\r\nb\r\n", "a\nb\n"},
    {"LoneCrStays", "a\rb", "a\rb"},
    {"CrCrLfKeepsFirstCr", "a\r\r\nb", "a\r\nb"},
    {"CrAtEndOfFileStays", "a\r", "a\r"},
};

INSTANTIATE_TEST_SUITE_P(Cases, TextReadTest, ::testing::ValuesIn(kTranslationCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TextRead, CrLfCutByTheReadSizeStillPairs) {
    TempTree tree;
    tree.WriteFile("f", "ab\r\ncd");
    platform::File file = platform::FileOpen(tree.Join("f").c_str(), FileMode::kReadText);
    EXPECT_EQ(ReadAll(file, 3), "ab\ncd");
    platform::FileClose(file);
}

struct LineCase {
    const char* name;
    std::string onDisk;
    size_t capacity;
    Strings lines;
};

class ReadLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(ReadLineTest, ReadsAsFgets) {
    EXPECT_EQ(ReadLines(GetParam().onDisk, GetParam().capacity), GetParam().lines);
}

const LineCase kLineCases[] = {
    {"LinesEndInLf", "one\r\ntwo\n\r\nthree", 80, {"one\n", "two\n", "\n", "three"}},
    {"LongLineInPieces", "abcdefg\r\nh", 4, {"abc", "def", "g\n", "h"}},
    {"CrLfCutByCapacity", "ab\r\nd", 4, {"ab\n", "d"}},
    {"LoneCrCutByCapacity", "ab\rde", 4, {"ab\r", "de"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ReadLineTest, ::testing::ValuesIn(kLineCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Write, TextModeWritesCrLfAndReadsBackTheSame) {
    const std::string text = "x\ny\n\nlast";
    TempTree tree;
    platform::File file = platform::FileOpen(tree.Join("f").c_str(), FileMode::kWriteText);
    platform::FileWriteText(file, text.c_str());
    ASSERT_EQ(platform::FileClose(file), 1);
    EXPECT_EQ(tree.ReadFile("f"), "x\r\ny\r\n\r\nlast");
    file = platform::FileOpen(tree.Join("f").c_str(), FileMode::kReadText);
    EXPECT_EQ(ReadAll(file, 5), text);
    platform::FileClose(file);
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

class CopyMoveTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree_.WriteFile("Spool/source.msg", "new");
        tree_.WriteFile("Spool/target.msg", "old");
    }
    std::string Path(const char* relative) const { return tree_.Join(relative); }
    Strings Spool() const {
        Strings names;
        platform::DirectoryList(Path("Spool").c_str(), 1, &names);
        return names;
    }
    TempTree tree_;  // first: the paths below are made from it
    const std::string source_ = Path("SPOOL\\Source.msg");
    const std::string target_ = Path("spool\\TARGET.MSG");
};

TEST_F(CopyMoveTest, CopyFailsOverAnExistingTargetOrReplacesIt) {
    EXPECT_EQ(platform::FileCopy(source_.c_str(), target_.c_str(), 1), 0);
    EXPECT_EQ(tree_.ReadFile("Spool/target.msg"), "old");
    EXPECT_EQ(platform::FileCopy(source_.c_str(), target_.c_str(), 0), 1);
    EXPECT_EQ(tree_.ReadFile("Spool/target.msg"), "new");
    EXPECT_EQ(Spool(), (Strings{"source.msg", "target.msg"}));  // no temporary copy left
}

TEST_F(CopyMoveTest, MoveFailsOverAnExistingTargetOrReplacesIt) {
    EXPECT_EQ(platform::FileMove(source_.c_str(), target_.c_str(), 0), 0);
    EXPECT_EQ(Spool(), (Strings{"source.msg", "target.msg"}));
    EXPECT_EQ(platform::FileMove(source_.c_str(), target_.c_str(), 1), 1);
    EXPECT_EQ(Spool(), (Strings{"target.msg"}));
    EXPECT_EQ(tree_.ReadFile("Spool/target.msg"), "new");
}

struct WildcardCase {
    const char* name;
    const char* pattern;  // below the tree
    int expected;
};

class WildcardTest : public ::testing::TestWithParam<WildcardCase> {};

TEST_P(WildcardTest, MatchesAsFindFirstFile) {
    TempTree tree;
    for (const char* name : {"report.TXT", "data.bin", "README", "a[1].log"}) {
        tree.WriteFile(std::string("Spool/") + name, "");
    }
    std::string pattern = tree.Path() + "\\" + GetParam().pattern;
    EXPECT_EQ(platform::FileExistsMatching(pattern.c_str()), GetParam().expected);
}

const WildcardCase kWildcardCases[] = {
    {"StarAndExtensionWithoutCase", "SPOOL\\*.txt", 1},
    {"QuestionMarkNeedsACharacter", "Spool\\data?.bin", 0},
    {"NameDotStarMatchesBareName", "Spool\\readme.*", 1},
    {"BracketsAreLiteral", "Spool\\a[1].*", 1},
    {"PlainNameFoundWithoutCase", "spool\\readme", 1},
};

INSTANTIATE_TEST_SUITE_P(Cases, WildcardTest, ::testing::ValuesIn(kWildcardCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
