// tests/platform/RegistryFaultTest.cpp: the registry when its disk is full, when it is
// not a database, and when another program holds its write lock.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/Registry.h"
#include "tests/fixtures/TempTree.h"

namespace {

using namespace platform;
using testing_support::ScopedRegistry;
using testing_support::TempTree;

constexpr const char* kKey = "SOFTWARE\\Test";

uint32_t ReadDword(const char* name, RegistryStatus* status) {
    RegistryKey key = nullptr;
    uint32_t value = 0;
    uint32_t size = sizeof value;
    *status = RegistryOpenKey(kKey, &key);
    if (*status == kRegOk) *status = RegistryQueryValue(key, name, nullptr, &value, &size);
    RegistryCloseKey(key);
    return value;
}

RegistryStatus WriteDword(const char* name, uint32_t value) {
    RegistryKey key = nullptr;
    RegistryStatus status = RegistryCreateKey(kKey, &key);
    if (status == kRegOk) status = RegistrySetValue(key, name, kRegDword, &value, sizeof value);
    RegistryCloseKey(key);
    return status;
}

// Runs `work` in a child process and returns its exit status (the child's own
// connections end with it).
template <typename Work>
int InChild(Work work) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) std::exit(work());  // exit, not _exit: the registry closes cleanly
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

TEST(RegistryFaults, AFullDiskLeavesTheRegistryReadableAndItSaysWhy) {
    TempTree tree;
    ScopedRegistry registry(tree);
    // Written and closed by another process, as a restarted service finds it: no WAL
    // index file beside it, and none can be made on a full disk.
    ASSERT_EQ(0, InChild([] { return WriteDword("Value", 7) == kRegOk ? 0 : 1; }));
    ASSERT_FALSE(std::filesystem::exists(registry.Path() + "-shm"));

    const int result = InChild([] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit full{0, 0};  // no file may grow: what a full disk does to a new one
        if (setrlimit(RLIMIT_FSIZE, &full) != 0) return 10;
        RegistryStatus status = kRegFailed;
        if (ReadDword("Value", &status) != 7 || status != kRegOk) return 1;
        int readOnly = 0;
        char reason[256];
        if (RegistryCheck(&readOnly, reason, sizeof reason) != kRegOk || !readOnly) return 2;
        if (reason[0] == '\0') return 3;
        if (WriteDword("Value", 8) != kRegFailed) return 4;
        ReadDword("Missing", &status);
        return status == kRegNotFound ? 0 : 5;
    });
    EXPECT_EQ(0, result) << "1: no read, 2: not read-only, 3: no reason, 4: write, 5: lookup";
}

TEST(RegistryFaults, AFileThatIsNotADatabaseIsAFailureNotAnEmptyRegistry) {
    TempTree tree;
    ScopedRegistry registry(tree, "garbage.db");
    tree.WriteFile("garbage.db", std::string(8192, 'x'));
    int readOnly = 1;
    char reason[256];
    EXPECT_EQ(kRegFailed, RegistryCheck(&readOnly, reason, sizeof reason));
    EXPECT_EQ(0, readOnly);
    EXPECT_NE(nullptr, std::strstr(reason, "SQLite")) << reason;
    RegistryStatus status = kRegOk;
    ReadDword("Value", &status);
    EXPECT_EQ(kRegFailed, status);
    EXPECT_EQ(kRegFailed, WriteDword("Value", 1));
    EXPECT_EQ(kRegFailed, RegistryDeleteKeyTree("SOFTWARE"));
    EXPECT_EQ(kRegFailed, RegistryBeginTransaction());
}

// Another program holds the write lock for two seconds. Reads go on; a write that must
// not wait fails at once (a write that waited would succeed once the lock is let go).
TEST(RegistryFaults, AHeldWriteLockStopsNeitherReadsNorWritesThatMustNotWait) {
    TempTree tree;
    ScopedRegistry registry(tree);
    ASSERT_EQ(kRegOk, WriteDword("Value", 7));
    sqlite3* other = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(registry.Path().c_str(), &other));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));
    std::thread holder([other] {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    });

    RegistryStatus status = kRegFailed;
    EXPECT_EQ(7u, ReadDword("Value", &status));
    EXPECT_EQ(kRegOk, status);
    {
        RegistryWritesDoNotWait withoutWaiting;
        EXPECT_EQ(kRegFailed, WriteDword("Value", 8));
    }
    holder.join();
    sqlite3_close(other);
    EXPECT_EQ(7u, ReadDword("Value", &status));
    EXPECT_EQ(kRegOk, WriteDword("Value", 9));
    EXPECT_EQ(9u, ReadDword("Value", &status));
}

}  // namespace
