// tests/platform/PathResolutionTest.cpp: Windows-style paths found on a case-sensitive file
// system, component by component.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/Files.h"
#include "tests/fixtures/TempTree.h"

namespace {

using testing_support::TempTree;

TEST(HostPath, ResolvesEveryComponentAgainstTheTree) {
    TempTree tree;
    tree.WriteFile("Postoffices/Domain.com/MESSAGES/in.msg", "x");
    const std::pair<const char*, const char*> cases[] = {
        // written, as on disk (both below the tree)
        {"POSTOFFICES\\domain.COM\\messages\\IN.MSG", "Postoffices/Domain.com/MESSAGES/in.msg"},
        {"postoffices\\DOMAIN.com\\Messages\\New.MSG",  // a missing file keeps its spelling
         "Postoffices/Domain.com/MESSAGES/New.MSG"},
        {"postoffices/domain.com/", "Postoffices/Domain.com/"},
    };
    for (const auto& [written, expected] : cases)
        EXPECT_EQ(platform::HostPath((tree.Path() + "\\" + written).c_str()), tree.Join(expected));
}

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
