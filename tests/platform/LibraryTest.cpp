// tests/platform/LibraryTest.cpp: loading shared libraries by their Windows DLL names.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <utility>

#include "platform/Library.h"
#include "tests/fixtures/TempTree.h"

namespace {

using testing_support::TempTree;

const std::string kTestLibrary = std::string(MTAFILTER_HELPER_LIBS) + "/PlatformTestLibrary.so";

TEST(Library, FindsTheSharedObjectByItsDllName) {
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
        std::filesystem::copy_file(kTestLibrary, tree.Join(installedAs));
        std::string path = tree.Path() + "\\" + loadedAs;
        platform::Library library = platform::LibraryLoad(path.c_str());
        ASSERT_NE(library, nullptr) << platform::LibraryLastError();
        auto add =
            reinterpret_cast<int (*)(int, int)>(platform::LibraryEntry(library, "PlatformTestAdd"));
        ASSERT_NE(add, nullptr);
        EXPECT_EQ(add(2, 3), 5);
        EXPECT_EQ(platform::LibraryEntry(library, "NoSuchEntry"), nullptr);
        platform::LibraryUnload(library);
    }
}

TEST(Library, MissingLibraryFailsWithTextForThisThreadOnly) {
    TempTree tree;
    EXPECT_EQ(platform::LibraryLoad((tree.Path() + "\\MISSING.DLL").c_str()), nullptr);
    EXPECT_STRNE(platform::LibraryLastError(), "");
    std::string otherThread = "unset";
    std::thread([&] { otherThread = platform::LibraryLastError(); }).join();
    EXPECT_EQ(otherThread, "");
}

}  // namespace
