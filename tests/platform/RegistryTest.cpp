// tests/platform/RegistryTest.cpp: the SQLite-backed registry: types and bytes, case,
// enumeration, deletion, transactions, many threads and processes at once, and its
// faults (a full disk, a file that is not a database, a write lock held elsewhere).
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/Registry.h"
#include "tests/fixtures/TempTree.h"

namespace {

using namespace platform;
using testing_support::ScopedRegistry;
using testing_support::TempTree;
using Names = std::vector<std::string>;

// A key handle closed at the end of the test.
struct Key {
    ~Key() { RegistryCloseKey(key); }
    RegistryKey key = nullptr;
};

RegistryStatus Set(RegistryKey key, const char* name, uint32_t type, const std::string& bytes) {
    return RegistrySetValue(key, name, type, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

std::string Dword(uint32_t value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

// Creates the key and sets a DWORD value in it.
RegistryStatus Write(const char* path, const char* name, uint32_t value) {
    Key key;
    RegistryStatus status = RegistryCreateKey(path, &key.key);
    return status == kRegOk ? Set(key.key, name, kRegDword, Dword(value)) : status;
}

// The value's type and bytes, or its failure status with no bytes.
struct Read {
    RegistryStatus status;
    uint32_t type;
    std::string bytes;
};

Read Query(RegistryKey key, const char* name) {
    Read read{kRegOk, 0, {}};
    char buffer[256];
    uint32_t size = sizeof buffer;
    read.status = RegistryQueryValue(key, name, &read.type, buffer, &size);
    if (read.status == kRegOk) read.bytes.assign(buffer, size);
    return read;
}

Read QueryPath(const char* path, const char* name) {
    Key key;
    RegistryStatus status = RegistryOpenKey(path, &key.key);
    return status == kRegOk ? Query(key.key, name) : Read{status, 0, {}};
}

Names List(const char* path, bool subkeys) {
    Names names;
    Key key;
    RegistryOpenKey(path, &key.key);
    char name[64];
    for (uint32_t i = 0;; ++i) {
        RegistryStatus status = subkeys ? RegistryEnumSubkey(key.key, i, name, sizeof name)
                                        : RegistryEnumValue(key.key, i, name, sizeof name);
        if (status != kRegOk) return names;
        names.push_back(name);
    }
}

class RegistryTest : public testing::Test {
protected:
    TempTree tree_;
    ScopedRegistry registry_{tree_};
};

TEST_F(RegistryTest, AbsentOrEmptyDatabaseReadsAsEmptyUntilTheFirstWrite) {
    EXPECT_EQ(kRegNotFound, QueryPath("SOFTWARE\\Quill Post", "v").status);
    EXPECT_EQ(kRegNotFound, QueryPath("", "Reload").status);
    EXPECT_EQ(kRegNotFound, RegistryDeleteKeyTree("SOFTWARE"));
    EXPECT_TRUE(List("", true).empty());
    EXPECT_EQ(kRegNotFound, RegistryCheck(nullptr, nullptr, 0));
    EXPECT_FALSE(tree_.Exists("registry.db"));
    tree_.WriteFile("registry.db", "");
    EXPECT_EQ(kRegNotFound, QueryPath("SOFTWARE", "v").status);
    ASSERT_EQ(kRegOk, Write("SOFTWARE", "v", 1));
    EXPECT_EQ(Dword(1), QueryPath("SOFTWARE", "v").bytes);
    ScopedRegistry elsewhere(tree_, "missing/registry.db");
    Key key;
    EXPECT_EQ(kRegFailed, RegistryCreateKey("SOFTWARE", &key.key));
    EXPECT_EQ(nullptr, key.key);
}

TEST_F(RegistryTest, ValuesKeepTypeAndBytesAndReportTheirSize) {
    const std::pair<uint32_t, std::string> values[] = {
        {kRegDword, Dword(0xDEADBEEF)},
        {kRegBinary, std::string("\0\x01\xff\0", 4)},
        {kRegMultiSz, std::string("a\0bc\0\0", 6)},
        {kRegBinary, ""},
    };
    Key key;
    ASSERT_EQ(kRegOk, RegistryCreateKey("SOFTWARE\\Types", &key.key));
    for (size_t i = 0; i < std::size(values); ++i)
        ASSERT_EQ(kRegOk,
                  Set(key.key, std::to_string(i).c_str(), values[i].first, values[i].second));
    for (size_t i = 0; i < std::size(values); ++i) {
        Read read = QueryPath("SOFTWARE\\Types", std::to_string(i).c_str());
        EXPECT_EQ(kRegOk, read.status) << i;
        EXPECT_EQ(values[i].first, read.type) << i;
        EXPECT_EQ(values[i].second, read.bytes) << i;
    }
    ASSERT_EQ(kRegOk, Set(key.key, "v", kRegSz, "12345678"));
    ASSERT_EQ(kRegOk, Set(key.key, "V", kRegBinary, "87654321"));  // replaces type and bytes
    uint32_t type = 0, size = 0;
    EXPECT_EQ(kRegOk, RegistryQueryValue(key.key, "v", &type, nullptr, &size));
    EXPECT_EQ(8u, size);
    EXPECT_EQ(uint32_t{kRegBinary}, type);
    char small[4] = {'-', '-', '-', '-'};
    size = sizeof small;
    EXPECT_EQ(kRegMoreData, RegistryQueryValue(key.key, "v", nullptr, small, &size));
    EXPECT_EQ(8u, size);
    EXPECT_EQ('-', small[0]);
    char exact[8];
    size = sizeof exact;
    EXPECT_EQ(kRegOk, RegistryQueryValue(key.key, "v", nullptr, exact, &size));
    EXPECT_EQ(std::string(exact, 8), "87654321");
    EXPECT_EQ(kRegFailed, RegistryQueryValue(key.key, "v", nullptr, exact, nullptr));
    ASSERT_EQ(kRegOk, Set(key.key, nullptr, kRegDword, Dword(3)));  // the default value
    EXPECT_EQ(Dword(3), Query(key.key, "").bytes);
}

TEST_F(RegistryTest, PathsIgnoreCaseAndExtraBackslashesAndKeepTheirFirstSpellingAndOrder) {
    ASSERT_EQ(kRegOk, Write("\\SOFTWARE\\Quill Post\\", "Value", 1));
    EXPECT_EQ(Dword(1), QueryPath("software\\\\QUILL POST", "vALUE").bytes);
    ASSERT_EQ(kRegOk, Write("software\\quill post\\Zeta", "v", 1));
    EXPECT_EQ(Names{"SOFTWARE"}, List("", true));
    EXPECT_EQ(Names{"Quill Post"}, List("software", true));
    for (const char* name : {"alpha", "Mid"}) {
        ASSERT_EQ(kRegOk, Write((std::string("SOFTWARE\\Quill Post\\") + name).c_str(), "v", 1));
        ASSERT_EQ(kRegOk, Write("SOFTWARE\\Quill Post", name, 1));
    }
    ASSERT_EQ(kRegOk, Write("SOFTWARE\\Quill Post", "VALUE", 2));  // replacing keeps its place
    EXPECT_EQ((Names{"Value", "alpha", "Mid"}), List("SOFTWARE\\Quill Post", false));
    EXPECT_EQ((Names{"Zeta", "alpha", "Mid"}), List("SOFTWARE\\Quill Post", true));
    Key key;
    ASSERT_EQ(kRegOk, RegistryOpenKey("SOFTWARE\\Quill Post", &key.key));
    char name[64];
    EXPECT_EQ(kRegNoMoreItems, RegistryEnumValue(key.key, 3, name, sizeof name));
    EXPECT_EQ(kRegMoreData, RegistryEnumValue(key.key, 0, name, 5));  // "Value" needs 6
    EXPECT_EQ(kRegOk, RegistryDeleteValue(key.key, "ALPHA"));
    EXPECT_EQ(kRegNotFound, RegistryDeleteValue(key.key, "alpha"));
    EXPECT_EQ((Names{"Value", "Mid"}), List("SOFTWARE\\Quill Post", false));
}

TEST_F(RegistryTest, DeleteKeyTreeRemovesSubkeysButNotNeighboursNorReachesLaterKeys) {
    for (const char* path : {"S\\A", "S\\A\\B", "S\\A\\B\\C", "S\\AB", "S\\A B", "S\\A[", "T\\A"})
        ASSERT_EQ(kRegOk, Write(path, "v", 1)) << path;
    Key old;
    ASSERT_EQ(kRegOk, RegistryOpenKey("S\\A", &old.key));
    ASSERT_EQ(kRegOk, RegistryDeleteKeyTree("s\\a"));
    for (const char* gone : {"S\\A", "S\\A\\B", "S\\A\\B\\C"})
        EXPECT_EQ(kRegNotFound, QueryPath(gone, "v").status) << gone;
    for (const char* kept : {"S\\AB", "S\\A B", "S\\A[", "T\\A"})
        EXPECT_EQ(kRegOk, QueryPath(kept, "v").status) << kept;
    EXPECT_EQ(kRegNotFound, RegistryDeleteKeyTree("S\\A"));
    EXPECT_EQ(kRegFailed, RegistryDeleteKeyTree(""));
    // A handle of the deleted key does not reach the key created again in its place.
    ASSERT_EQ(kRegOk, Write("S\\A\\B", "w", 1));
    EXPECT_EQ(kRegNotFound, Set(old.key, "v", kRegDword, Dword(1)));
    EXPECT_TRUE(List("S\\A", false).empty());
}

TEST_F(RegistryTest, HandleStaysWithItsDatabaseAndARemovedDatabaseIsMadeAfresh) {
    Key key;
    ASSERT_EQ(kRegOk, RegistryCreateKey("SOFTWARE", &key.key));
    {
        ScopedRegistry other(tree_, "other.db");
        ASSERT_EQ(kRegOk, Set(key.key, "v", kRegDword, Dword(5)));
        EXPECT_EQ(kRegNotFound, QueryPath("SOFTWARE", "v").status);
    }
    EXPECT_EQ(Dword(5), QueryPath("SOFTWARE", "v").bytes);
    EXPECT_FALSE(tree_.Exists("other.db"));
    for (const char* suffix : {"", "-wal", "-shm"})
        std::remove((registry_.Path() + suffix).c_str());
    EXPECT_EQ(kRegNotFound, QueryPath("SOFTWARE", "v").status);
    ASSERT_EQ(kRegOk, Write("SOFTWARE", "w", 2));
    EXPECT_EQ(kRegNotFound, QueryPath("SOFTWARE", "v").status);
    EXPECT_EQ(Dword(2), QueryPath("SOFTWARE", "w").bytes);
}

// Reads are cached until the database changes: what a read found before a transaction
// must not hide the transaction's changes from its own reads, nor outlive its rollback.
TEST_F(RegistryTest, TransactionsSeeTheirOwnChangesRollBackWholeAndKeepOtherThreadsOut) {
    EXPECT_EQ(kRegFailed, RegistryCommitTransaction());
    EXPECT_EQ(kRegFailed, RegistryRollbackTransaction());
    ASSERT_EQ(kRegOk, Write("SOFTWARE", "kept", 1));
    EXPECT_EQ(Dword(1), QueryPath("SOFTWARE", "kept").bytes);
    EXPECT_EQ(kRegNotFound, QueryPath("SOFTWARE\\New", "v").status);
    for (bool commit : {false, true}) {
        ASSERT_EQ(kRegOk, RegistryBeginTransaction());
        EXPECT_EQ(kRegFailed, RegistryBeginTransaction());
        ASSERT_EQ(kRegOk, commit ? kRegOk : RegistryDeleteKeyTree("SOFTWARE"));
        ASSERT_EQ(kRegOk, Write("SOFTWARE", "kept", 2));
        ASSERT_EQ(kRegOk, Write("SOFTWARE\\New", "v", 3));
        EXPECT_EQ(Dword(2), QueryPath("SOFTWARE", "kept").bytes);
        EXPECT_EQ(Dword(3), QueryPath("SOFTWARE\\New", "v").bytes);
        ASSERT_EQ(kRegOk, commit ? RegistryCommitTransaction() : RegistryRollbackTransaction());
        EXPECT_EQ(Dword(commit ? 2 : 1), QueryPath("SOFTWARE", "kept").bytes) << commit;
        EXPECT_EQ(commit ? kRegOk : kRegNotFound, QueryPath("SOFTWARE\\New", "v").status) << commit;
    }
    // Another thread's write waits for the transaction and stays out of it.
    ASSERT_EQ(kRegOk, RegistryBeginTransaction());
    std::atomic<bool> started{false};
    std::thread writer([&] {
        started = true;
        EXPECT_EQ(kRegOk, Write("SOFTWARE\\Other", "v", 9));
    });
    while (!started) std::this_thread::yield();
    ASSERT_EQ(kRegOk, Write("SOFTWARE\\Mine", "v", 1));
    ASSERT_EQ(kRegOk, RegistryRollbackTransaction());
    writer.join();
    EXPECT_EQ(Dword(9), QueryPath("SOFTWARE\\Other", "v").bytes);
    EXPECT_EQ(kRegNotFound, QueryPath("SOFTWARE\\Mine", "v").status);
}

TEST(RegistryConnectionsTest, RemovedRegistriesDoNotKeepFilesOpen) {
    auto openFiles = [] {
        auto fds = std::filesystem::directory_iterator("/proc/self/fd");
        return std::distance(begin(fds), end(fds));
    };
    const auto before = openFiles();
    for (int i = 0; i < 21; ++i) {
        TempTree tree;
        ScopedRegistry registry(tree);
        registry.SetDword("SOFTWARE", "v", 1);
    }
    EXPECT_LT(openFiles(), before + 10);
}

// Runs `work` in a child process and returns its exit status.
template <typename Work>
int InChild(Work work) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) std::exit(work());  // exit, not _exit: the registry closes cleanly
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

constexpr int kRounds = 100;

// Each writer sets its own value round after round and must read back what it wrote,
// while reading the others' values too.
bool WriteAndReadBack(int writer) {
    const std::string name = "writer" + std::to_string(writer);
    for (int round = 1; round <= kRounds; ++round) {
        if (Write("SOFTWARE\\Shared", name.c_str(), round) != kRegOk) return false;
        if (QueryPath("SOFTWARE\\Shared", name.c_str()).bytes != Dword(round)) return false;
        RegistryStatus other = QueryPath("SOFTWARE\\Shared", "writer0").status;
        if (other != kRegOk && other != kRegNotFound) return false;
    }
    return true;
}

TEST_F(RegistryTest, ThreadsAndProcessesWriteAndReadAtOnce) {
    std::fflush(nullptr);
    const pid_t child = fork();  // before any thread: a fork copies no lock held
    ASSERT_GE(child, 0);
    if (child == 0) _exit(WriteAndReadBack(100) ? 0 : 1);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int writer = 0; writer < 8; ++writer)
        threads.emplace_back([&, writer] { failures += WriteAndReadBack(writer) ? 0 : 1; });
    for (std::thread& thread : threads) thread.join();
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(0, failures.load());
    for (const char* name : {"writer0", "writer7", "writer100"})
        EXPECT_EQ(Dword(kRounds), QueryPath("SOFTWARE\\Shared", name).bytes) << name;
}

// A child process that carries out each step it is sent (a number: set SOFTWARE "Reload"
// to it; 'c' and 'd': create and delete SOFTWARE\Late) and answers once it is committed.
// It is forked before this process opens the database: connections must not cross a fork.
class ChildWriter {
public:
    ChildWriter() {
        if (pipe(toChild_) != 0 || pipe(toParent_) != 0) return;
        child_ = fork();
        if (child_ != 0) return;
        close(toChild_[1]);
        char step = 0;
        while (read(toChild_[0], &step, 1) == 1)
            if (!Carry(step) || write(toParent_[1], &step, 1) != 1) _exit(1);
        _exit(0);
    }
    bool Started() const { return child_ > 0; }
    bool Do(char step) {
        char done = 0;
        return write(toChild_[1], &step, 1) == 1 && read(toParent_[0], &done, 1) == 1;
    }
    // Ends the child; true when it carried out every step it was sent.
    bool Finish() {
        close(toChild_[1]);
        int status = 0;
        const bool ended = waitpid(child_, &status, 0) == child_;
        for (int fd : {toChild_[0], toParent_[0], toParent_[1]}) close(fd);
        return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    static bool Carry(char step) {
        if (step == 'd') return RegistryDeleteKeyTree("SOFTWARE\\Late") == kRegOk;
        return step == 'c' ? Write("SOFTWARE\\Late", "v", 1) == kRegOk
                           : Write("SOFTWARE", "Reload", step) == kRegOk;
    }
    int toChild_[2] = {-1, -1};
    int toParent_[2] = {-1, -1};
    pid_t child_ = -1;
};

// This process's open connection sees each value and key another process writes or
// deletes after this one looked it up, and is told that anything changed.
TEST_F(RegistryTest, ChangesOfAnotherProcessAreSeenByTheNextRead) {
    ChildWriter child;
    ASSERT_TRUE(child.Started());
    ASSERT_EQ(kRegOk, Write("SOFTWARE", "Reload", 0));
    EXPECT_EQ(Dword(0), QueryPath("SOFTWARE", "Reload").bytes);
    uint64_t version = 0;
    EXPECT_EQ(0, RegistryUnchangedSince(&version));
    for (char round = 1; round <= 10; ++round) {
        ASSERT_TRUE(child.Do(round));
        EXPECT_EQ(0, RegistryUnchangedSince(&version)) << round;
        EXPECT_EQ(1, RegistryUnchangedSince(&version)) << round;
        EXPECT_EQ(Dword(static_cast<uint32_t>(round)), QueryPath("SOFTWARE", "Reload").bytes);
        EXPECT_EQ(kRegNotFound, QueryPath("SOFTWARE\\Late", "v").status) << round;
        ASSERT_TRUE(child.Do('c'));
        EXPECT_EQ(Dword(1), QueryPath("SOFTWARE\\Late", "v").bytes) << round;
        ASSERT_TRUE(child.Do('d'));
    }
    EXPECT_EQ(kRegNotFound, QueryPath("SOFTWARE\\Late", "v").status);
    EXPECT_TRUE(child.Finish());
    // Another connection of this process, each commit after the journal was emptied and
    // started afresh.
    sqlite3* other = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(registry_.Path().c_str(), &other));
    EXPECT_EQ(0, RegistryUnchangedSince(&version));  // the child's last steps
    for (const char* bytes : {"2a000000", "2b000000", "2c000000"}) {
        EXPECT_EQ(1, RegistryUnchangedSince(&version)) << bytes;
        const std::string update = std::string("PRAGMA wal_checkpoint(TRUNCATE); ") +
                                   "UPDATE registry_values SET data = x'" + bytes +
                                   "' WHERE folded = 'reload'";
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(other, update.c_str(), nullptr, nullptr, nullptr));
        EXPECT_EQ(0, RegistryUnchangedSince(&version)) << bytes;
        EXPECT_EQ(static_cast<char>(std::stoi(std::string(bytes, 2), nullptr, 16)),
                  QueryPath("SOFTWARE", "Reload").bytes[0]);
    }
    sqlite3_close(other);
}

// Inside a RegistryChangesCheckedOnce scope the registry is asked for changes once: a
// commit of another process is seen from the next scope on; this process's writes at once.
TEST_F(RegistryTest, ChangesCheckedOnceScopeSeesOtherProcessesFromTheNextScope) {
    ChildWriter child;
    ASSERT_TRUE(child.Started());
    ASSERT_EQ(kRegOk, Write("SOFTWARE", "Reload", 0));
    for (char round = 1; round <= 3; ++round) {
        {
            const RegistryChangesCheckedOnce scope;
            const std::string before = Dword(static_cast<uint32_t>(round - 1));
            EXPECT_EQ(before, QueryPath("SOFTWARE", "Reload").bytes);
            ASSERT_TRUE(child.Do(round));
            EXPECT_EQ(before, QueryPath("SOFTWARE", "Reload").bytes);  // as the scope began
            const RegistryChangesCheckedOnce nested;
            ASSERT_EQ(kRegOk, Write("SOFTWARE", "Own", round));
            EXPECT_EQ(Dword(static_cast<uint32_t>(round)), QueryPath("SOFTWARE", "Own").bytes);
        }
        EXPECT_EQ(Dword(static_cast<uint32_t>(round)), QueryPath("SOFTWARE", "Reload").bytes);
    }
    EXPECT_TRUE(child.Finish());
}

TEST_F(RegistryTest, AFullDiskLeavesTheRegistryReadableAndItSaysWhy) {
    // Written and closed by another process, as a restarted service finds it: no WAL
    // index file beside it, and none can be made on a full disk.
    ASSERT_EQ(0, InChild([] { return Write("SOFTWARE", "Value", 7) == kRegOk ? 0 : 1; }));
    ASSERT_FALSE(std::filesystem::exists(registry_.Path() + "-shm"));
    const int result = InChild([] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit full{0, 0};  // no file may grow: what a full disk does to a new one
        if (setrlimit(RLIMIT_FSIZE, &full) != 0) return 10;
        if (QueryPath("SOFTWARE", "Value").bytes != Dword(7)) return 1;
        int readOnly = 0;
        char reason[256] = "";
        if (RegistryCheck(&readOnly, reason, sizeof reason) != kRegOk || !readOnly) return 2;
        if (reason[0] == '\0') return 3;
        if (Write("SOFTWARE", "Value", 8) != kRegFailed) return 4;
        return QueryPath("SOFTWARE", "Missing").status == kRegNotFound ? 0 : 5;
    });
    EXPECT_EQ(0, result) << "1: no read, 2: not read-only, 3: no reason, 4: write, 5: lookup";
}

TEST_F(RegistryTest, AFileThatIsNotADatabaseIsAFailureNotAnEmptyRegistry) {
    tree_.WriteFile("registry.db", std::string(8192, 'x'));
    int readOnly = 1;
    char reason[256];
    EXPECT_EQ(kRegFailed, RegistryCheck(&readOnly, reason, sizeof reason));
    EXPECT_EQ(0, readOnly);
    EXPECT_NE(std::string::npos, std::string(reason).find("SQLite")) << reason;
    EXPECT_EQ(kRegFailed, QueryPath("SOFTWARE", "Value").status);
    EXPECT_EQ(kRegFailed, Write("SOFTWARE", "Value", 1));
    EXPECT_EQ(kRegFailed, RegistryDeleteKeyTree("SOFTWARE"));
    EXPECT_EQ(kRegFailed, RegistryBeginTransaction());
}

// Another program holds the write lock for two seconds. Reads go on; a write that must
// not wait fails at once (a write that waited would succeed once the lock is let go).
TEST_F(RegistryTest, AHeldWriteLockStopsNeitherReadsNorWritesThatMustNotWait) {
    ASSERT_EQ(kRegOk, Write("SOFTWARE", "Value", 7));
    sqlite3* other = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(registry_.Path().c_str(), &other));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));
    std::thread holder([other] {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    });
    EXPECT_EQ(Dword(7), QueryPath("SOFTWARE", "Value").bytes);
    {
        RegistryWritesDoNotWait withoutWaiting;
        EXPECT_EQ(kRegFailed, Write("SOFTWARE", "Value", 8));
    }
    holder.join();
    sqlite3_close(other);
    EXPECT_EQ(Dword(7), QueryPath("SOFTWARE", "Value").bytes);
    EXPECT_EQ(kRegOk, Write("SOFTWARE", "Value", 9));
    EXPECT_EQ(Dword(9), QueryPath("SOFTWARE", "Value").bytes);
}

}  // namespace
