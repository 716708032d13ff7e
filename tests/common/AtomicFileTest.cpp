// tests/common/AtomicFileTest.cpp: replacing a file whole, and leaving it untouched when
// the scratch file cannot be made or the disk fills up.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "common/AtomicFile.h"
#include "tests/fixtures/TempTree.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempTree;

// The names in a directory, to see that no scratch file stayed behind.
int EntryCount(const std::string& directory) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(directory)) {
        (void)entry;
        ++count;
    }
    return count;
}

TEST(AtomicFile, ReplacesTheWholeFileAndLeavesNoScratchFile) {
    TempTree tree;
    tree.WriteFile("q/Messages/A1.MAI", std::string(100000, 'o'));
    const std::string bytes = "new\r\n" + std::string(5, '\0') + "end";
    std::string path = tree.Join("q/MESSAGES/A1.MAI");  // found without regard to case
    ASSERT_EQ(1, ReplaceFileAtomically(path.c_str(), bytes.data(), bytes.size()));
    EXPECT_EQ(bytes, tree.ReadFile("q/Messages/A1.MAI"));
    EXPECT_EQ(1, EntryCount(tree.Join("q/Messages")));
    ASSERT_EQ(1, ReplaceFileAtomically(path.c_str(), "", 0));
    EXPECT_TRUE(tree.Exists("q/Messages/A1.MAI"));
    EXPECT_EQ("", tree.ReadFile("q/Messages/A1.MAI"));
    ASSERT_EQ(1, ReplaceFileAtomically(tree.Join("q/Messages/B2.MAI").c_str(), "x", 1));
    EXPECT_EQ("x", tree.ReadFile("q/Messages/B2.MAI"));
}

TEST(AtomicFile, ScratchFileThatCannotBeCreatedLeavesTheOriginal) {
    TempTree tree;
    // A name so long that the scratch name passes the file system's limit.
    const std::string name = std::string(240, 'm');
    tree.WriteFile("q/" + name, "old bytes");
    EXPECT_EQ(0, ReplaceFileAtomically(tree.Join("q/" + name).c_str(), "new", 3));
    EXPECT_EQ("old bytes", tree.ReadFile("q/" + name));
    EXPECT_EQ(1, EntryCount(tree.Join("q")));
    // A directory that does not exist.
    EXPECT_EQ(0, ReplaceFileAtomically(tree.Join("none/A1.MAI").c_str(), "new", 3));
}

TEST(AtomicFile, RenameThatFailsLeavesTheTargetAndRemovesTheScratch) {
    TempTree tree;
    tree.WriteFile("q/A1.MAI/inside", "a directory is in the way");
    EXPECT_EQ(0, ReplaceFileAtomically(tree.Join("q/A1.MAI").c_str(), "new", 3));
    EXPECT_EQ("a directory is in the way", tree.ReadFile("q/A1.MAI/inside"));
    EXPECT_EQ(1, EntryCount(tree.Join("q")));
}

// A full disk, as a file-size limit in a child process: writes past it fail (EFBIG),
// which the writer sees either at the write or when the close flushes its buffer.
TEST(AtomicFile, FullDiskLeavesTheOriginalUntouched) {
    TempTree tree;
    const std::string original(4000, 'o');
    tree.WriteFile("q/A1.MAI", original);
    for (size_t size : {size_t{10}, size_t{9000}, size_t{300000}}) {
        SCOPED_TRACE(size);
        const std::string bytes(size, 'n');
        const std::string path = tree.Join("q/A1.MAI");
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit{5, 5};
            setrlimit(RLIMIT_FSIZE, &limit);
            _exit(ReplaceFileAtomically(path.c_str(), bytes.data(), bytes.size()) == 0 ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(child, waitpid(child, &status, 0));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(original, tree.ReadFile("q/A1.MAI"));
        EXPECT_EQ(1, EntryCount(tree.Join("q")));
    }
}

TEST(AtomicFile, RemovesOnlyScratchFilesOlderThanTheGivenTime) {
    TempTree tree;
    const std::string guid(32, 'A');
    const std::string stale = "q/M1.MAI.tmp-" + guid;
    const std::string young = "q/M2.MAI.tmp-" + guid;
    const std::vector<std::string> oldButNotScratch = {"q/M1.MAI", "q/notes.tmp-1",
                                                       "q/.tmp-" + guid};
    const auto longAgo = fs::file_time_type::clock::now() - std::chrono::hours(2);
    tree.WriteFile(young, "x");
    for (const std::string& name : oldButNotScratch) tree.WriteFile(name, "x");
    tree.WriteFile(stale, "x");
    for (const std::string& name : oldButNotScratch) fs::last_write_time(tree.Join(name), longAgo);
    fs::last_write_time(tree.Join(stale), longAgo);

    const int64_t anHourAgo = static_cast<int64_t>(std::time(nullptr)) - 3600;
    EXPECT_EQ(1, RemoveStaleScratchFiles(tree.Join("q").c_str(), anHourAgo));
    EXPECT_FALSE(tree.Exists(stale));
    EXPECT_EQ(4, EntryCount(tree.Join("q")));
    EXPECT_EQ(0, RemoveStaleScratchFiles(tree.Join("missing").c_str(), anHourAgo));
}

}  // namespace
