// tests/platform/LibraryTest.cpp: loading shared libraries by their Windows DLL names.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

#include "platform/Library.h"
#include "tests/fixtures/TempTree.h"

namespace {

using testing_support::TempTree;

const std::string kTestLibrary = std::string(MTAFILTER_HELPER_LIBS) + "/PlatformTestLibrary.so";

struct DllNameCase {
    const char* name;
    const char* installedAs;  // below the tree
    const char* loadedAs;     // below the tree
};

class DllNameTest : public ::testing::TestWithParam<DllNameCase> {};

TEST_P(DllNameTest, FindsTheSharedObject) {
    TempTree tree;
    std::filesystem::create_directories(tree.Join("Filters"));
    std::filesystem::copy_file(kTestLibrary, tree.Join(GetParam().installedAs));
    std::string path = tree.Path() + "\\" + GetParam().loadedAs;
    platform::Library library = platform::LibraryLoad(path.c_str());
    ASSERT_NE(library, nullptr) << platform::LibraryLastError();
    auto add =
        reinterpret_cast<int (*)(int, int)>(platform::LibraryEntry(library, "PlatformTestAdd"));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(2, 3), 5);
    EXPECT_EQ(platform::LibraryEntry(library, "NoSuchEntry"), nullptr);
    platform::LibraryUnload(library);
}

const DllNameCase kDllNameCases[] = {
    {"LowerCaseSharedObject", "Filters/qpfltmbf.so", "FILTERS\\QPFLTMBF.DLL"},
    {"UpperCaseNameLowerSuffix", "Filters/QPFLTMBF.so", "filters\\qpfltmbf.dll"},
    {"ElfFileNamedDll", "Filters/legacy.DLL", "Filters\\legacy.dll"},
};

INSTANTIATE_TEST_SUITE_P(Cases, DllNameTest, ::testing::ValuesIn(kDllNameCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Library, MissingLibraryFailsWithTextForThisThreadOnly) {
    TempTree tree;
    EXPECT_EQ(platform::LibraryLoad((tree.Path() + "\\MISSING.DLL").c_str()), nullptr);
    EXPECT_STRNE(platform::LibraryLastError(), "");
    std::string otherThread = "unset";
    std::thread([&] { otherThread = platform::LibraryLastError(); }).join();
    EXPECT_EQ(otherThread, "");
}

}  // namespace
