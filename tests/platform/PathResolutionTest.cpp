// tests/platform/PathResolutionTest.cpp: Windows-style paths found on a case-sensitive file
// system, component by component.
#include <gtest/gtest.h>

#include <string>

#include "platform/Files.h"
#include "tests/fixtures/TempTree.h"

namespace {

using testing_support::TempTree;

struct PathCase {
    const char* name;
    const char* written;   // below the tree
    const char* expected;  // below the tree, as on disk
};

class HostPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(HostPathTest, ResolvesAgainstTree) {
    TempTree tree;
    tree.WriteFile("Postoffices/Domain.com/MESSAGES/in.msg", "x");
    std::string written = tree.Path() + "\\" + GetParam().written;
    EXPECT_EQ(platform::HostPath(written.c_str()), tree.Join(GetParam().expected));
}

const PathCase kPathCases[] = {
    {"EveryComponentRecased", "POSTOFFICES\\domain.COM\\messages\\IN.MSG",
     "Postoffices/Domain.com/MESSAGES/in.msg"},
    {"MissingFileKeepsItsSpelling", "postoffices\\DOMAIN.com\\Messages\\New.MSG",
     "Postoffices/Domain.com/MESSAGES/New.MSG"},
    {"ForwardSlashesAndTrailingSeparator", "postoffices/domain.com/", "Postoffices/Domain.com/"},
};

INSTANTIATE_TEST_SUITE_P(Cases, HostPathTest, ::testing::ValuesIn(kPathCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HostPath, FileCreatedInsideDifferentlyCasedDirectories) {
    TempTree tree;
    tree.WriteFile("Postoffices/Domain.com/MESSAGES/in.msg", "x");
    std::string path = tree.Path() + "\\POSTOFFICES\\domain.com\\Messages\\New.tmp";
    platform::File file = platform::FileOpen(path.c_str(), platform::FileMode::kWriteBinary);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(platform::FileWriteText(file, "body"), 1);
    EXPECT_EQ(platform::FileClose(file), 1);
    EXPECT_EQ(tree.ReadFile("Postoffices/Domain.com/MESSAGES/New.tmp"), "body");
}

}  // namespace
