// tests/platform/RegistryTest.cpp: the SQLite-backed registry: types and bytes, case,
// enumeration, deletion, transactions, and many threads and processes at once.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
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

// A key handle closed at the end of the test.
class Key {
public:
    ~Key() { RegistryCloseKey(key_); }
    RegistryKey* Out() { return &key_; }
    RegistryKey Get() const { return key_; }

private:
    RegistryKey key_ = nullptr;
};

RegistryStatus Create(const char* path, Key* key) {
    return RegistryCreateKey(path, key->Out());
}

RegistryStatus Set(RegistryKey key, const char* name, uint32_t type, const std::string& bytes) {
    return RegistrySetValue(key, name, type, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

// The value's type and bytes, or its failure status as the type with no bytes.
struct Read {
    RegistryStatus status;
    uint32_t type = 0;
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
    RegistryStatus status = RegistryOpenKey(path, key.Out());
    return status == kRegOk ? Query(key.Get(), name) : Read{status, 0, {}};
}

std::vector<std::string> Names(RegistryKey key, bool subkeys) {
    std::vector<std::string> names;
    char name[64];
    for (uint32_t i = 0;; ++i) {
        RegistryStatus status = subkeys ? RegistryEnumSubkey(key, i, name, sizeof name)
                                        : RegistryEnumValue(key, i, name, sizeof name);
        if (status != kRegOk) break;
        names.push_back(name);
    }
    return names;
}

std::string Dword(uint32_t value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

class RegistryTest : public testing::Test {
protected:
    TempTree tree_;
    ScopedRegistry registry_{tree_};
};

TEST_F(RegistryTest, MissingDatabaseReadsAsEmptyWithoutCreatingIt) {
    Key key;
    EXPECT_EQ(kRegNotFound, RegistryOpenKey("SOFTWARE\\Quill Post", key.Out()));
    EXPECT_EQ(kRegNotFound, RegistryDeleteKeyTree("SOFTWARE"));
    Key hive;
    ASSERT_EQ(kRegOk, RegistryOpenKey("", hive.Out()));
    EXPECT_EQ(kRegNotFound, Query(hive.Get(), "Reload").status);
    EXPECT_TRUE(Names(hive.Get(), true).empty());
    EXPECT_EQ(kRegNotFound, RegistryCheck(nullptr, nullptr, 0));
    EXPECT_FALSE(tree_.Exists("registry.db"));
    ASSERT_EQ(kRegOk, Create("SOFTWARE\\Quill Post", &key));  // the first write makes it
    EXPECT_TRUE(tree_.Exists("registry.db"));
}

TEST_F(RegistryTest, WriteFailsWhenTheDatabaseDirectoryIsMissing) {
    ScopedRegistry elsewhere(tree_, "missing/registry.db");
    Key key;
    EXPECT_EQ(kRegFailed, Create("SOFTWARE", &key));
    EXPECT_EQ(nullptr, key.Get());
}

TEST_F(RegistryTest, EmptyFileIsAnEmptyRegistryUntilWritten) {
    tree_.WriteFile("registry.db", "");
    EXPECT_EQ(kRegNotFound, QueryPath("SOFTWARE", "x").status);
    Key key;
    ASSERT_EQ(kRegOk, Create("SOFTWARE", &key));
    EXPECT_EQ(kRegOk, Set(key.Get(), "x", kRegSz, std::string("y\0", 2)));
    EXPECT_EQ(kRegOk, QueryPath("SOFTWARE", "x").status);
}

struct BytesCase {
    const char* label;
    uint32_t type;
    std::string bytes;
};

TEST_F(RegistryTest, ValuesKeepTheirTypeAndBytes) {
    const BytesCase cases[] = {
        {"sz_without_terminator", kRegSz, "text"},
        {"dword", kRegDword, Dword(0xDEADBEEF)},
        {"binary_with_nuls", kRegBinary, std::string("\0\x01\xff\0", 4)},
        {"multi_sz", kRegMultiSz, std::string("a\0bc\0\0", 6)},
        {"empty", kRegBinary, ""},
        {"qword", 11, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)},
    };
    Key key;
    ASSERT_EQ(kRegOk, Create("SOFTWARE\\Types", &key));
    for (const BytesCase& c : cases) ASSERT_EQ(kRegOk, Set(key.Get(), c.label, c.type, c.bytes));
    for (const BytesCase& c : cases) {
        Read read = QueryPath("SOFTWARE\\Types", c.label);
        EXPECT_EQ(kRegOk, read.status) << c.label;
        EXPECT_EQ(c.type, read.type) << c.label;
        EXPECT_EQ(c.bytes, read.bytes) << c.label;
    }
}

TEST_F(RegistryTest, QueryReportsSizeAndMoreData) {
    Key key;
    ASSERT_EQ(kRegOk, Create("SOFTWARE", &key));
    ASSERT_EQ(kRegOk, Set(key.Get(), "v", kRegBinary, "12345678"));
    uint32_t type = 0;
    uint32_t size = 0;
    EXPECT_EQ(kRegOk, RegistryQueryValue(key.Get(), "v", &type, nullptr, &size));
    EXPECT_EQ(8u, size);
    EXPECT_EQ(uint32_t{kRegBinary}, type);
    char small[4] = {'-', '-', '-', '-'};
    size = sizeof small;
    EXPECT_EQ(kRegMoreData, RegistryQueryValue(key.Get(), "v", nullptr, small, &size));
    EXPECT_EQ(8u, size);
    EXPECT_EQ('-', small[0]);
    char exact[8];
    size = sizeof exact;
    EXPECT_EQ(kRegOk, RegistryQueryValue(key.Get(), "v", nullptr, exact, &size));
    EXPECT_EQ(std::string(exact, 8), "12345678");
    EXPECT_EQ(kRegFailed, RegistryQueryValue(key.Get(), "v", nullptr, exact, nullptr));
    EXPECT_EQ(kRegNotFound, RegistryQueryValue(key.Get(), "w", nullptr, nullptr, &size));
}

TEST_F(RegistryTest, SetValueReplacesTypeAndBytes) {
    Key key;
    ASSERT_EQ(kRegOk, Create("SOFTWARE", &key));
    ASSERT_EQ(kRegOk, Set(key.Get(), "v", kRegSz, std::string("long text\0", 10)));
    ASSERT_EQ(kRegOk, Set(key.Get(), "V", kRegDword, Dword(7)));
    Read read = Query(key.Get(), "v");
    EXPECT_EQ(uint32_t{kRegDword}, read.type);
    EXPECT_EQ(Dword(7), read.bytes);
    ASSERT_EQ(kRegOk, Set(key.Get(), nullptr, kRegDword, Dword(3)));  // the default value
    EXPECT_EQ(Dword(3), Query(key.Get(), "").bytes);
}

struct PathCase {
    const char* created;
    const char* lookedUp;
};

TEST_F(RegistryTest, KeyPathsCompareWithoutCaseAndExtraBackslashes) {
    const PathCase cases[] = {
        {"SOFTWARE\\Quill Post", "software\\QUILL POST"},
        {"SOFTWARE\\A\\B", "\\SOFTWARE\\A\\B\\"},
        {"\\SOFTWARE\\E\\", "SOFTWARE\\e"},
    };
    for (const PathCase& c : cases) {
        Key key;
        ASSERT_EQ(kRegOk, Create(c.created, &key)) << c.created;
        ASSERT_EQ(kRegOk, Set(key.Get(), "Value", kRegDword, Dword(1))) << c.created;
        EXPECT_EQ(Dword(1), QueryPath(c.lookedUp, "vALUE").bytes) << c.lookedUp;
    }
}

TEST_F(RegistryTest, CreatingAnExistingKeyInOtherCaseKeepsItsSpelling) {
    Key first;
    ASSERT_EQ(kRegOk, Create("SOFTWARE\\Quill Post", &first));
    Key second;
    ASSERT_EQ(kRegOk, Create("software\\quill post\\Filter", &second));
    Key hive;
    ASSERT_EQ(kRegOk, RegistryOpenKey("", hive.Out()));
    EXPECT_EQ(std::vector<std::string>{"SOFTWARE"}, Names(hive.Get(), true));
    Key software;
    ASSERT_EQ(kRegOk, RegistryOpenKey("software", software.Out()));
    EXPECT_EQ(std::vector<std::string>{"Quill Post"}, Names(software.Get(), true));
}

TEST_F(RegistryTest, EnumerationFollowsCreationOrder) {
    Key key;
    ASSERT_EQ(kRegOk, Create("SOFTWARE\\Order", &key));
    for (const char* name : {"Zeta", "alpha", "Mid"}) {
        ASSERT_EQ(kRegOk, Set(key.Get(), name, kRegDword, Dword(1)));
        Key sub;
        ASSERT_EQ(kRegOk, Create((std::string("SOFTWARE\\Order\\") + name).c_str(), &sub));
    }
    ASSERT_EQ(kRegOk, Set(key.Get(), "ALPHA", kRegDword, Dword(2)));  // replacing keeps its place
    std::vector<std::string> expected = {"Zeta", "alpha", "Mid"};
    EXPECT_EQ(expected, Names(key.Get(), false));
    EXPECT_EQ(expected, Names(key.Get(), true));
    char name[64];
    EXPECT_EQ(kRegNoMoreItems, RegistryEnumValue(key.Get(), 3, name, sizeof name));
    EXPECT_EQ(kRegMoreData, RegistryEnumValue(key.Get(), 0, name, 4));  // "Zeta" needs 5
}

TEST_F(RegistryTest, DeleteValueRemovesOnlyThatValue) {
    Key key;
    ASSERT_EQ(kRegOk, Create("SOFTWARE", &key));
    ASSERT_EQ(kRegOk, Set(key.Get(), "a", kRegDword, Dword(1)));
    ASSERT_EQ(kRegOk, Set(key.Get(), "b", kRegDword, Dword(2)));
    EXPECT_EQ(kRegOk, RegistryDeleteValue(key.Get(), "A"));
    EXPECT_EQ(kRegNotFound, RegistryDeleteValue(key.Get(), "a"));
    EXPECT_EQ(std::vector<std::string>{"b"}, Names(key.Get(), false));
}

TEST_F(RegistryTest, DeleteKeyTreeRemovesSubkeysButNotNeighbours) {
    for (const char* path : {"S\\A", "S\\A\\B", "S\\A\\B\\C", "S\\AB", "S\\A B", "S\\A[", "T\\A"}) {
        Key key;
        ASSERT_EQ(kRegOk, Create(path, &key)) << path;
        ASSERT_EQ(kRegOk, Set(key.Get(), "v", kRegDword, Dword(1))) << path;
    }
    ASSERT_EQ(kRegOk, RegistryDeleteKeyTree("s\\a"));
    for (const char* gone : {"S\\A", "S\\A\\B", "S\\A\\B\\C"})
        EXPECT_EQ(kRegNotFound, QueryPath(gone, "v").status) << gone;
    for (const char* kept : {"S\\AB", "S\\A B", "S\\A[", "T\\A"})
        EXPECT_EQ(kRegOk, QueryPath(kept, "v").status) << kept;
    EXPECT_EQ(kRegNotFound, RegistryDeleteKeyTree("S\\A"));
    EXPECT_EQ(kRegFailed, RegistryDeleteKeyTree(""));
}

TEST_F(RegistryTest, HandleOfADeletedKeyFindsNothing) {
    Key key;
    ASSERT_EQ(kRegOk, Create("SOFTWARE\\Gone", &key));
    ASSERT_EQ(kRegOk, RegistryDeleteKeyTree("SOFTWARE\\Gone"));
    Key again;
    ASSERT_EQ(kRegOk, Create("SOFTWARE\\Gone", &again));  // a new key, not the old one
    EXPECT_EQ(kRegNotFound, Set(key.Get(), "v", kRegDword, Dword(1)));
    EXPECT_TRUE(Names(again.Get(), false).empty());
}

TEST_F(RegistryTest, HandleStaysWithItsDatabaseWhenTheVariableChanges) {
    Key key;
    ASSERT_EQ(kRegOk, Create("SOFTWARE", &key));
    {
        ScopedRegistry other(tree_, "other.db");
        ASSERT_EQ(kRegOk, Set(key.Get(), "v", kRegDword, Dword(5)));
        EXPECT_EQ(kRegNotFound, QueryPath("SOFTWARE", "v").status);
    }
    EXPECT_EQ(Dword(5), QueryPath("SOFTWARE", "v").bytes);
    EXPECT_FALSE(tree_.Exists("other.db"));
}

TEST_F(RegistryTest, RemovedDatabaseIsEmptyAndMadeAfresh) {
    registry_.SetDword("SOFTWARE", "v", 1);
    EXPECT_EQ(Dword(1), QueryPath("SOFTWARE", "v").bytes);
    for (const char* suffix : {"", "-wal", "-shm"})
        std::remove((registry_.Path() + suffix).c_str());
    EXPECT_EQ(kRegNotFound, QueryPath("SOFTWARE", "v").status);
    registry_.SetDword("SOFTWARE", "w", 2);
    EXPECT_EQ(kRegNotFound, QueryPath("SOFTWARE", "v").status);
    EXPECT_EQ(Dword(2), QueryPath("SOFTWARE", "w").bytes);
}

TEST_F(RegistryTest, RolledBackTransactionLeavesNothingAndCallsOutOfOrderFail) {
    EXPECT_EQ(kRegFailed, RegistryCommitTransaction());
    EXPECT_EQ(kRegFailed, RegistryRollbackTransaction());
    registry_.SetDword("SOFTWARE", "kept", 1);
    ASSERT_EQ(kRegOk, RegistryBeginTransaction());
    EXPECT_EQ(kRegFailed, RegistryBeginTransaction());
    {
        Key key;
        ASSERT_EQ(kRegOk, Create("SOFTWARE\\New", &key));
        ASSERT_EQ(kRegOk, Set(key.Get(), "v", kRegDword, Dword(1)));
    }
    ASSERT_EQ(kRegOk, RegistryDeleteKeyTree("SOFTWARE"));
    ASSERT_EQ(kRegOk, RegistryRollbackTransaction());
    EXPECT_EQ(Dword(1), QueryPath("SOFTWARE", "kept").bytes);
    EXPECT_EQ(kRegNotFound, QueryPath("SOFTWARE\\New", "v").status);
}

// Reads are cached until the database changes: what a read found before a transaction
// must not hide the transaction's changes from its own reads, nor outlive its rollback.
TEST_F(RegistryTest, ReadsBeforeInAndAfterATransactionSeeItsChanges) {
    registry_.SetDword("SOFTWARE", "kept", 1);
    EXPECT_EQ(Dword(1), QueryPath("SOFTWARE", "kept").bytes);
    EXPECT_EQ(kRegNotFound, QueryPath("SOFTWARE\\New", "v").status);
    for (bool commit : {false, true}) {
        ASSERT_EQ(kRegOk, RegistryBeginTransaction());
        registry_.SetDword("SOFTWARE", "kept", 2);
        registry_.SetDword("SOFTWARE\\New", "v", 3);
        EXPECT_EQ(Dword(2), QueryPath("SOFTWARE", "kept").bytes);
        EXPECT_EQ(Dword(3), QueryPath("SOFTWARE\\New", "v").bytes);
        ASSERT_EQ(kRegOk, commit ? RegistryCommitTransaction() : RegistryRollbackTransaction());
        EXPECT_EQ(Dword(commit ? 2 : 1), QueryPath("SOFTWARE", "kept").bytes) << commit;
        EXPECT_EQ(commit ? kRegOk : kRegNotFound, QueryPath("SOFTWARE\\New", "v").status) << commit;
    }
}

TEST_F(RegistryTest, OtherThreadsWritesStayOutOfATransaction) {
    ASSERT_EQ(kRegOk, RegistryBeginTransaction());
    std::atomic<bool> started{false};
    std::thread writer([&] {
        started = true;
        registry_.SetDword("SOFTWARE\\Other", "v", 9);
    });
    while (!started) std::this_thread::yield();
    registry_.SetDword("SOFTWARE\\Mine", "v", 1);
    ASSERT_EQ(kRegOk, RegistryRollbackTransaction());
    writer.join();
    EXPECT_EQ(Dword(9), QueryPath("SOFTWARE\\Other", "v").bytes);
    EXPECT_EQ(kRegNotFound, QueryPath("SOFTWARE\\Mine", "v").status);
}

size_t OpenFileCount() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

TEST(RegistryConnectionsTest, RemovedRegistriesDoNotKeepFilesOpen) {
    size_t before = OpenFileCount();
    for (int i = 0; i < 20; ++i) {
        TempTree tree;
        ScopedRegistry registry(tree);
        registry.SetDword("SOFTWARE", "v", 1);
    }
    TempTree tree;
    ScopedRegistry registry(tree);
    registry.SetDword("SOFTWARE", "v", 1);
    EXPECT_LT(OpenFileCount(), before + 10);
}

constexpr int kThreads = 8;
constexpr int kRounds = 100;

// Each writer sets its own value round after round and must read back what it wrote,
// while reading the others' values too.
bool WriteAndReadBack(const std::string& key, int writer) {
    std::string name = "writer" + std::to_string(writer);
    Key handle;
    if (Create(key.c_str(), &handle) != kRegOk) return false;
    for (int round = 1; round <= kRounds; ++round) {
        if (Set(handle.Get(), name.c_str(), kRegDword, Dword(round)) != kRegOk) return false;
        if (QueryPath(key.c_str(), name.c_str()).bytes != Dword(round)) return false;
        RegistryStatus other = QueryPath(key.c_str(), "writer0").status;
        if (other != kRegOk && other != kRegNotFound) return false;
    }
    return true;
}

TEST_F(RegistryTest, ThreadsAndProcessesWriteAndReadAtOnce) {
    const std::string key = "SOFTWARE\\Shared";
    std::vector<pid_t> children;
    for (int process = 0; process < 2; ++process) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) _exit(WriteAndReadBack(key, 100 + process) ? 0 : 1);
        children.push_back(child);
    }
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int writer = 0; writer < kThreads; ++writer)
        threads.emplace_back([&, writer] {
            if (!WriteAndReadBack(key, writer)) ++failures;
        });
    for (std::thread& thread : threads) thread.join();
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(child, waitpid(child, &status, 0));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(0, failures.load());
    for (const char* name : {"writer0", "writer7", "writer100", "writer101"})
        EXPECT_EQ(Dword(kRounds), QueryPath(key.c_str(), name).bytes) << name;
}

// A child process that carries out each step it is sent (by default: set SOFTWARE "Reload"
// to the step's number) and answers once the write is committed. It is forked before this
// process opens the database: SQLite connections must not cross a fork.
class ChildWriter {
public:
    explicit ChildWriter(bool (*step)(char) = SetReload) {
        if (pipe(toChild_) != 0 || pipe(toParent_) != 0) return;
        child_ = fork();
        if (child_ != 0) return;
        close(toChild_[1]);
        char round = 0;
        while (read(toChild_[0], &round, 1) == 1)
            if (!step(round) || write(toParent_[1], &round, 1) != 1) _exit(1);
        _exit(0);
    }
    bool Started() const { return child_ > 0; }
    // Has the child carry out `round` and waits until it has.
    bool Write(char round) {
        char done = 0;
        return write(toChild_[1], &round, 1) == 1 && read(toParent_[0], &done, 1) == 1;
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
    static bool SetReload(char round) {
        Key key;
        return Create("SOFTWARE", &key) == kRegOk &&
               Set(key.Get(), "Reload", kRegDword, Dword(round)) == kRegOk;
    }
    int toChild_[2] = {-1, -1};
    int toParent_[2] = {-1, -1};
    pid_t child_ = -1;
};

// What is tested is that this process's open connection sees each write.
TEST_F(RegistryTest, WriteInAnotherProcessIsSeenByTheNextRead) {
    ChildWriter child;
    ASSERT_TRUE(child.Started());
    registry_.SetDword("SOFTWARE", "Reload", 0);
    EXPECT_EQ(Dword(0), QueryPath("SOFTWARE", "Reload").bytes);
    for (char round = 1; round <= 20; ++round) {
        ASSERT_TRUE(child.Write(round));
        EXPECT_EQ(Dword(static_cast<uint32_t>(round)), QueryPath("SOFTWARE", "Reload").bytes);
    }
    EXPECT_TRUE(child.Finish());
}

// Keys another process creates and deletes after this one looked them up (and found
// nothing, or found them) are seen as they are now by the next read.
TEST_F(RegistryTest, KeysAnotherProcessCreatesOrDeletesAreSeenByTheNextRead) {
    ChildWriter child([](char step) {
        Key key;
        return step == 'c' ? Create("SOFTWARE\\Late", &key) == kRegOk &&
                                 Set(key.Get(), "v", kRegSz, "new") == kRegOk
                           : RegistryDeleteKeyTree("SOFTWARE\\Late") == kRegOk;
    });
    ASSERT_TRUE(child.Started());
    registry_.SetDword("SOFTWARE", "other", 1);
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(kRegNotFound, QueryPath("SOFTWARE\\Late", "v").status) << round;
        ASSERT_TRUE(child.Write('c'));
        EXPECT_EQ("new", QueryPath("SOFTWARE\\Late", "v").bytes) << round;
        ASSERT_TRUE(child.Write('d'));
    }
    EXPECT_EQ(kRegNotFound, QueryPath("SOFTWARE\\Late", "v").status);
    EXPECT_TRUE(child.Finish());
}

// Inside a RegistryChangesCheckedOnce scope the registry is asked for changes once: a
// commit of another process is seen from the next scope on; this process's writes at once.
TEST_F(RegistryTest, ChangesCheckedOnceScopeSeesOtherProcessesFromTheNextScope) {
    ChildWriter child;
    ASSERT_TRUE(child.Started());
    registry_.SetDword("SOFTWARE", "Reload", 0);
    for (char round = 1; round <= 3; ++round) {
        {
            const RegistryChangesCheckedOnce scope;
            EXPECT_EQ(Dword(static_cast<uint32_t>(round - 1)),
                      QueryPath("SOFTWARE", "Reload").bytes);
            ASSERT_TRUE(child.Write(round));
            // Taken as it stood when the scope began.
            EXPECT_EQ(Dword(static_cast<uint32_t>(round - 1)),
                      QueryPath("SOFTWARE", "Reload").bytes);
            const RegistryChangesCheckedOnce nested;
            registry_.SetDword("SOFTWARE", "Own", static_cast<uint32_t>(round));
            EXPECT_EQ(Dword(static_cast<uint32_t>(round)), QueryPath("SOFTWARE", "Own").bytes);
        }
        EXPECT_EQ(Dword(static_cast<uint32_t>(round)), QueryPath("SOFTWARE", "Reload").bytes);
    }
    EXPECT_TRUE(child.Finish());
}

}  // namespace
