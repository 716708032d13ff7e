// tests/platform/HostPathTest.cpp: Windows-style paths and DLL names found on a
// case-sensitive file system, component by component.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <utility>

#include "platform/Files.h"
#include "platform/Library.h"
#include "tests/fixtures/TempTree.h"

namespace {

using testing_support::TempTree;

TEST(HostPath, AMissingFileKeepsItsSpellingAndIsCreatedInsideDifferentlyCasedDirectories) {
    TempTree tree;
    tree.WriteFile("Postoffices/Domain.com/MESSAGES/in.msg", "x");
    // Existing files found in another case are pinned through the files, tables and atomic
    // replacement tests; a missing one keeps its spelling below the directories found.
    EXPECT_EQ(
        platform::HostPath((tree.Path() + "\\postoffices\\DOMAIN.com\\Messages\\New.MSG").c_str()),
        tree.Join("Postoffices/Domain.com/MESSAGES/New.MSG"));
    std::string path = tree.Path() + "\\POSTOFFICES\\domain.com\\Messages\\New.tmp";
    platform::File file = platform::FileOpen(path.c_str(), platform::FileMode::kWriteBinary);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(platform::FileWriteText(file, "body"), 1);
    EXPECT_EQ(platform::FileClose(file), 1);
    EXPECT_EQ(tree.ReadFile("Postoffices/Domain.com/MESSAGES/New.tmp"), "body");
}

TEST(Library, FindsTheSharedObjectByItsDllNameOrSaysWhyInThisThreadOnly) {
    const std::pair<const char*, const char*> cases[] = {
        // installed as, loaded as (both below the tree)
        {"Filters/qpfltmbf.so", "FILTERS\\QPFLTMBF.DLL"},
        {"Filters/QPFLTMBF.so", "filters\\qpfltmbf.dll"},
        {"Filters/legacy.DLL", "Filters\\legacy.dll"},  // an ELF file named .DLL
    };
    for (const auto& [installedAs, loadedAs] : cases) {
        SCOPED_TRACE(loadedAs);
        TempTree tree;
        std::filesystem::create_directories(tree.Join("Filters"));
        std::filesystem::copy_file(std::string(MTAFILTER_HELPER_LIBS) + "/PlatformTestLibrary.so",
                                   tree.Join(installedAs));
        platform::Library library = platform::LibraryLoad((tree.Path() + "\\" + loadedAs).c_str());
        ASSERT_NE(library, nullptr) << platform::LibraryLastError();
        auto add =
            reinterpret_cast<int (*)(int, int)>(platform::LibraryEntry(library, "PlatformTestAdd"));
        ASSERT_NE(add, nullptr);
        EXPECT_EQ(add(2, 3), 5);
        EXPECT_EQ(platform::LibraryEntry(library, "NoSuchEntry"), nullptr);
        platform::LibraryUnload(library);
    }
    TempTree tree;
    EXPECT_EQ(platform::LibraryLoad((tree.Path() + "\\MISSING.DLL").c_str()), nullptr);
    EXPECT_STRNE(platform::LibraryLastError(), "");
    std::string otherThread = "unset";
    std::thread([&] { otherThread = platform::LibraryLastError(); }).join();
    EXPECT_EQ(otherThread, "");
}

}  // namespace
