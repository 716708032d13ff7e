// platform/Registry.cpp: HKEY_LOCAL_MACHINE kept in an SQLite database.
// Each process shares one connection per database file among its threads, guarded by a
// mutex; the file's WAL journal lets other processes read and write at the same time.
#include "platform/Registry.h"

#include <pthread.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace platform {

// A key handle remembers the database it was opened in, so that a later change of
// QP_REGISTRY does not move it to another registry.
struct RegistryKeyState {
    std::string database;
    int64_t id = 0;
};

namespace {

// How long a call waits for a lock another connection holds. Reads wait briefly: in WAL
// mode only a recovery or a checkpoint holds them up. Writes wait longer, except those
// made under a RegistryWritesDoNotWait scope (statistics counters on the message path).
constexpr int kReadBusyTimeoutMs = 250;
constexpr int kWriteBusyTimeoutMs = 5000;
// A registry opened read-only because it could not be opened for writing is tried for
// writing again after this long, so that it recovers once its disk has room again.
constexpr int kReadWriteRetrySeconds = 30;
thread_local int tWritesDoNotWait = 0;
// The RegistryChangesCheckedOnce scope the calling thread is in (0: none). Numbers are
// never reused, so a database checked in one thread's scope is not taken for checked in
// another's.
thread_local uint64_t tCheckScope = 0;
std::atomic<uint64_t> lastCheckScope{0};
// Read caches filled, by every database of the process: an epoch is never given twice.
std::atomic<uint64_t> cacheEpochs{0};

// The hive itself: never stored, it is the parent of the top-level keys.
constexpr int64_t kHiveKey = 0;

// Key ids never repeat (AUTOINCREMENT), so a handle to a deleted key cannot reach a key
// created later. `folded` holds the lower-case form every lookup uses; `name` keeps the
// spelling the key or value was created with.
constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS registry_keys (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    parent INTEGER NOT NULL,
    name TEXT NOT NULL,
    folded TEXT NOT NULL UNIQUE
);
CREATE INDEX IF NOT EXISTS registry_keys_by_parent ON registry_keys(parent);
CREATE TABLE IF NOT EXISTS registry_values (
    id INTEGER PRIMARY KEY,
    key INTEGER NOT NULL,
    name TEXT NOT NULL,
    folded TEXT NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    UNIQUE (key, folded)
);
CREATE INDEX IF NOT EXISTS registry_values_by_key ON registry_values(key);
)sql";

constexpr const char* kCountTables =
    "SELECT count(*) FROM sqlite_master WHERE type = 'table' "
    "AND name IN ('registry_keys', 'registry_values')";

enum StatementId : int {
    kFindKey,
    kInsertKey,
    kFindValue,
    kSetValue,
    kDeleteValue,
    kValueAt,
    kSubkeyAt,
    kDeleteTreeValues,
    kDeleteTreeKeys,
    kDataVersion,
    kStatementCount,
};

// A subtree is the key itself plus every folded path in ["key\", "key]"): '\' and ']'
// are neighbours in ASCII, so the range scan stays on the index.
constexpr const char* kStatementText[kStatementCount] = {
    "SELECT id FROM registry_keys WHERE folded = ?1",
    "INSERT INTO registry_keys (parent, name, folded) VALUES (?1, ?2, ?3)",
    "SELECT type, data FROM registry_values WHERE key = ?1 AND folded = ?2",
    "INSERT INTO registry_values (key, name, folded, type, data) SELECT ?1, ?2, ?3, ?4, ?5 "
    "WHERE ?1 = 0 OR EXISTS (SELECT 1 FROM registry_keys WHERE id = ?1) "
    "ON CONFLICT (key, folded) DO UPDATE SET type = excluded.type, data = excluded.data",
    "DELETE FROM registry_values WHERE key = ?1 AND folded = ?2",
    "SELECT name FROM registry_values WHERE key = ?1 ORDER BY id LIMIT 1 OFFSET ?2",
    "SELECT name FROM registry_keys WHERE parent = ?1 ORDER BY id LIMIT 1 OFFSET ?2",
    "DELETE FROM registry_values WHERE key IN (SELECT id FROM registry_keys WHERE folded = ?1 "
    "OR (folded >= ?1 || '\\' AND folded < ?1 || ']'))",
    "DELETE FROM registry_keys WHERE folded = ?1 OR (folded >= ?1 || '\\' AND folded < ?1 || ']')",
    "PRAGMA data_version",
};

// What reads found, kept until the database changes. Settings are read on every message,
// and a lookup costs far more than asking SQLite whether anything was committed since.
constexpr size_t kCachedEntries = 1024;
constexpr size_t kCachedValueBytes = 4096;

struct CachedValue {
    RegistryStatus status = kRegNotFound;
    uint32_t type = kRegNone;
    std::string data;
};

// Every commit to a database in WAL mode, by any connection of any process, rewrites the
// header at the start of its shared-memory index (the frame count and change counter
// move), and a connection notices another's commit by finding that header changed. So an
// unchanged header answers "anything committed since?" as data_version would, with no
// read transaction and no lock. The header is kept twice, the second copy written first:
// copies that differ are a commit under way, and the full check decides.
constexpr size_t kWalIndexHeaderBytes = 48;
constexpr int kWalIndexRegionBytes = 32768;
constexpr size_t kWalIndexInitByte = 12;

struct WalIndexHeader {
    unsigned char bytes[kWalIndexHeaderBytes];
};

// The header as it stands, when its two copies agree and it has been built.
bool ReadWalIndexHeader(sqlite3* connection, WalIndexHeader* header) {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(connection, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
        file == nullptr || file->pMethods == nullptr || file->pMethods->iVersion < 2 ||
        file->pMethods->xShmMap == nullptr)
        return false;
    void volatile* region = nullptr;
    if (file->pMethods->xShmMap(file, 0, kWalIndexRegionBytes, 0, &region) != SQLITE_OK ||
        region == nullptr)
        return false;
    const auto* shared = static_cast<const volatile unsigned char*>(region);
    WalIndexHeader second;
    for (size_t i = 0; i < kWalIndexHeaderBytes; ++i) header->bytes[i] = shared[i];
    std::atomic_thread_fence(std::memory_order_acquire);
    for (size_t i = 0; i < kWalIndexHeaderBytes; ++i)
        second.bytes[i] = shared[kWalIndexHeaderBytes + i];
    return header->bytes[kWalIndexInitByte] != 0 &&
           std::memcmp(header->bytes, second.bytes, kWalIndexHeaderBytes) == 0;
}

std::string Fold(std::string_view text) {
    std::string folded(text);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

// The components of a key path; empty ones (leading, trailing or doubled '\') dropped.
std::vector<std::string_view> SplitKeyPath(std::string_view path) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The path's components folded and joined with single '\\' (empty ones dropped), in one
// pass: a key is opened on every settings read.
std::string FoldedKeyPath(std::string_view path) {
    std::string folded;
    folded.reserve(path.size());
    bool separate = false;  // a component ended, and another one may follow
    for (char c : path) {
        if (c == '\\') {
            separate = !folded.empty();
            continue;
        }
        if (separate) folded += '\\';
        separate = false;
        folded += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return folded;
}

std::string CurrentDatabasePath() {
    return RegistryDatabasePath();
}

// One use of a prepared statement: bound, stepped, and reset when it goes out of scope
// so that the connection's read snapshot ends with the call.
class Statement {
public:
    explicit Statement(sqlite3_stmt* statement) : statement_(statement) {}
    ~Statement() {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int index, int64_t number) {
        Note(sqlite3_bind_int64(statement_, index, number));
        return *this;
    }
    Statement& Bind(int index, std::string_view text) {
        Note(sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                               SQLITE_TRANSIENT));
        return *this;
    }
    // A zero-length blob still needs a non-null pointer, or SQLite binds NULL.
    Statement& BindBlob(int index, const void* data, uint32_t size) {
        static const char kNothing = 0;
        Note(sqlite3_bind_blob(statement_, index, size > 0 ? data : &kNothing,
                               static_cast<int>(size), SQLITE_TRANSIENT));
        return *this;
    }
    int Step() { return bindResult_ == SQLITE_OK ? sqlite3_step(statement_) : bindResult_; }
    sqlite3_stmt* Get() const { return statement_; }

private:
    void Note(int result) {
        if (result != SQLITE_OK && bindResult_ == SQLITE_OK) bindResult_ = result;
    }

    sqlite3_stmt* statement_;
    int bindResult_ = SQLITE_OK;
};

// One database file of this process: its connection, prepared statements and the thread
// whose transaction is open, if any. Methods other than Lock and CloseIfRemoved run with
// the lock held.
class Database {
public:
    explicit Database(std::string path) : path_(std::move(path)) {}
    ~Database() { Close(); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Waits until no other thread has a transaction open. A transaction's statements share
    // the connection, so letting another thread in would let its changes join the
    // transaction and let it read what is not committed yet.
    std::unique_lock<std::mutex> Lock() {
        std::unique_lock<std::mutex> lock(mutex_);
        idle_.wait(lock, [this] { return !HeldByOtherThread(); });
        return lock;
    }

    // Makes the connection current for the file now at the path. kRegNotFound: the
    // registry is empty (no file, or no tables yet) and `create` is false. A registry
    // that cannot be opened for writing (its disk is full, say) is still read, through a
    // read-only connection; writes then fail until it can be opened for writing again.
    RegistryStatus Refresh(bool create, bool write) {
        // Checked in this scope already: the file was there and unchanged then.
        if (!write && CheckedInThisScope() && !InTransaction()) return kRegOk;
        if (connection_ != nullptr && InTransaction()) {
            if (owned_) return kRegOk;
            // A transaction nobody owns is what a failed call left behind.
            Exec("ROLLBACK");
        }
        struct stat info {};
        bool exists = stat(path_.c_str(), &info) == 0;
        if (!exists && errno != ENOENT && errno != ENOTDIR)
            return Failed("cannot examine the file");
        // The file was replaced or removed (a new registry imported, say) since it was opened.
        if (connection_ != nullptr && (!exists || info.st_dev != device_ || info.st_ino != inode_))
            Close();
        // Writes to a read-only registry fail at once (Session) until the next retry.
        if (connection_ != nullptr && mode_ != Mode::kReadWrite &&
            std::time(nullptr) - openedAt_ >= kReadWriteRetrySeconds)
            Close();
        if (!exists && !create) return kRegNotFound;
        if (connection_ != nullptr) return EnsureSchema(create);
        return Connect(!exists, create, write);
    }

    // Sets how long the next statements (opening included) wait for another connection's
    // lock.
    void WaitForLocks(int milliseconds) {
        waitMs_ = milliseconds;
        if (connection_ != nullptr) sqlite3_busy_timeout(connection_, milliseconds);
    }
    bool ReadOnly() const { return connection_ != nullptr && mode_ != Mode::kReadWrite; }
    const std::string& Failure() const { return failure_; }

    Statement Prepared(StatementId id) { return Statement(statements_[id]); }
    int Exec(const char* sql) { return sqlite3_exec(connection_, sql, nullptr, nullptr, nullptr); }
    int64_t LastInsertId() const { return sqlite3_last_insert_rowid(connection_); }
    int Changes() const { return sqlite3_changes(connection_); }
    bool InTransaction() const { return sqlite3_get_autocommit(connection_) == 0; }

    // Closes the connection when its file is gone or replaced and nobody is using it, so
    // that a process going through many short-lived registries does not keep them all open.
    void CloseIfRemoved() {
        std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
        if (!lock.owns_lock() || owned_ || connection_ == nullptr) return;
        struct stat info {};
        if (stat(path_.c_str(), &info) != 0 || info.st_dev != device_ || info.st_ino != inode_)
            Close();
    }

    // The read cache, usable when nothing was committed since it was filled: by another
    // connection (data_version moves) or by this one (every write empties it). Inside a
    // transaction it is bypassed: reads there must see its uncommitted changes.
    bool CacheUsable() {
        if (connection_ == nullptr || !schemaReady_ || InTransaction()) return false;
        if (CheckedInThisScope()) return true;
        // Read before data_version: a commit after this read shows at the next check.
        WalIndexHeader header;
        const bool headerRead = wal_ && ReadWalIndexHeader(connection_, &header);
        if (cacheFilled_ && headerRead && walHeaderKnown_ &&
            std::memcmp(header.bytes, walHeader_.bytes, kWalIndexHeaderBytes) == 0) {
            checkedInScope_ = tCheckScope;
            return true;
        }
        Statement version(statements_[kDataVersion]);
        if (version.Step() != SQLITE_ROW) {
            ForgetCache();
            return false;
        }
        const int64_t now = sqlite3_column_int64(version.Get(), 0);
        if (!cacheFilled_ || now != cacheVersion_) {
            ForgetCache();
            cacheVersion_ = now;
            cacheFilled_ = true;
            cacheEpoch_ = ++cacheEpochs;
        }
        walHeaderKnown_ = headerRead;
        if (headerRead) walHeader_ = header;
        checkedInScope_ = tCheckScope;
        return true;
    }
    // Stands for what the read cache was filled from; 0 while it is empty.
    uint64_t CacheEpoch() const { return cacheFilled_ ? cacheEpoch_ : 0; }
    void ForgetCache() {
        cachedKeys_.clear();
        cachedValues_.clear();
        cacheFilled_ = false;
        walHeaderKnown_ = false;
        checkedInScope_ = 0;
    }
    const std::pair<RegistryStatus, int64_t>* CachedKey(const std::string& folded) const {
        const auto found = cachedKeys_.find(folded);
        return found != cachedKeys_.end() ? &found->second : nullptr;
    }
    void CacheKey(const std::string& folded, RegistryStatus status, int64_t id) {
        if (cachedKeys_.size() >= kCachedEntries) cachedKeys_.clear();
        cachedKeys_[folded] = {status, id};
    }
    const CachedValue* FindCachedValue(int64_t key, const std::string& folded) const {
        const auto found = cachedValues_.find({key, folded});
        return found != cachedValues_.end() ? &found->second : nullptr;
    }
    void CacheValue(int64_t key, const std::string& folded, CachedValue value) {
        if (value.data.size() > kCachedValueBytes) return;
        if (cachedValues_.size() >= kCachedEntries) cachedValues_.clear();
        cachedValues_[{key, folded}] = std::move(value);
    }

    void TakeOwnership() {
        owned_ = true;
        owner_ = std::this_thread::get_id();
    }
    void ReleaseOwnership() {
        owned_ = false;
        idle_.notify_all();
    }

private:
    bool HeldByOtherThread() const { return owned_ && owner_ != std::this_thread::get_id(); }

    // The cache was found current in the calling thread's scope, and nothing was written
    // by this process since (a write forgets the cache).
    bool CheckedInThisScope() const {
        return tCheckScope != 0 && checkedInScope_ == tCheckScope && cacheFilled_ &&
               connection_ != nullptr && schemaReady_;
    }

    // kReadOnly still needs the WAL index file beside the database (or room to create
    // it); kImmutable reads the database file alone, as a full disk leaves it.
    enum class Mode { kReadWrite, kReadOnly, kImmutable };

    RegistryStatus Failed(const char* what) {
        failure_ = what;
        failureCode_ = connection_ != nullptr ? sqlite3_errcode(connection_) : SQLITE_CANTOPEN;
        if (connection_ != nullptr) {
            failure_ += ": ";
            failure_ += sqlite3_errmsg(connection_);
        }
        return kRegFailed;
    }

    // Opens the connection in the best mode the file allows; reads settle for less.
    RegistryStatus Connect(bool createFile, bool create, bool write) {
        RegistryStatus status = Open(Mode::kReadWrite, createFile);
        if (status == kRegOk) status = EnsureSchema(create);
        // A lock held elsewhere is waited for, not read around: the file may be changing.
        const bool locked = failureCode_ == SQLITE_BUSY || failureCode_ == SQLITE_LOCKED;
        if (status != kRegFailed) return status;
        std::string readWriteFailure = failure_;
        Close();
        if (write || locked) return status;
        for (Mode mode : {Mode::kReadOnly, Mode::kImmutable}) {
            status = Open(mode, false);
            if (status == kRegOk) status = EnsureSchema(false);
            if (status != kRegFailed) {
                failure_ = readWriteFailure;  // why it is read-only
                return status;
            }
            Close();
        }
        failure_ = readWriteFailure;
        return kRegFailed;
    }

    RegistryStatus Open(Mode mode, bool createFile) {
        int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
        if (mode == Mode::kReadWrite)
            flags |= SQLITE_OPEN_READWRITE | (createFile ? SQLITE_OPEN_CREATE : 0);
        else
            flags |= SQLITE_OPEN_READONLY;
        std::string uri = "file:" + UriPath(path_);
        if (mode == Mode::kImmutable) uri += "?immutable=1";
        if (sqlite3_open_v2(uri.c_str(), &connection_, flags, nullptr) != SQLITE_OK) {
            Failed("cannot open the file");
            Close();
            return kRegFailed;
        }
        sqlite3_busy_timeout(connection_, waitMs_);
        struct stat info {};
        if (stat(path_.c_str(), &info) != 0) {
            Failed("cannot examine the file");
            Close();
            return kRegFailed;
        }
        device_ = info.st_dev;
        inode_ = info.st_ino;
        mode_ = mode;
        openedAt_ = std::time(nullptr);
        return kRegOk;
    }

    // The path as a URI path: the characters a URI gives a meaning escaped.
    static std::string UriPath(const std::string& path) {
        static const char kHex[] = "0123456789ABCDEF";
        std::string escaped;
        for (char c : path) {
            if (c == '%' || c == '?' || c == '#') {
                escaped += '%';
                escaped += kHex[(static_cast<unsigned char>(c) >> 4) & 0xF];
                escaped += kHex[static_cast<unsigned char>(c) & 0xF];
            } else {
                escaped += c;
            }
        }
        return escaped;
    }

    void FinalizeStatements() {
        for (sqlite3_stmt*& statement : statements_) {
            sqlite3_finalize(statement);
            statement = nullptr;
        }
    }

    void Close() {
        ForgetCache();
        FinalizeStatements();
        sqlite3_close_v2(connection_);
        connection_ = nullptr;
        schemaReady_ = false;
        wal_ = false;
    }

    // -1 when the file is not a readable SQLite database.
    int CountRegistryTables() {
        sqlite3_stmt* statement = nullptr;
        int count = -1;
        if (sqlite3_prepare_v2(connection_, kCountTables, -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            count = sqlite3_column_int(statement, 0);
        sqlite3_finalize(statement);
        return count;
    }

    RegistryStatus CreateSchema() {
        // The journal mode is kept in the file, so it is set once, when the file is new.
        Exec("PRAGMA journal_mode=WAL");
        if (Exec("BEGIN IMMEDIATE") != SQLITE_OK) return kRegFailed;
        if (Exec(kSchema) != SQLITE_OK || Exec("COMMIT") != SQLITE_OK) {
            Exec("ROLLBACK");
            return kRegFailed;
        }
        return kRegOk;
    }

    // Asked once per connection: only a database in WAL mode has the shared-memory index
    // whose header CacheUsable reads.
    bool InWalMode() {
        sqlite3_stmt* statement = nullptr;
        bool wal = false;
        if (sqlite3_prepare_v2(connection_, "PRAGMA journal_mode", -1, &statement, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            const auto* mode = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
            wal = mode != nullptr && std::strcmp(mode, "wal") == 0;
        }
        sqlite3_finalize(statement);
        return wal;
    }

    RegistryStatus EnsureSchema(bool create) {
        if (schemaReady_) return kRegOk;
        int tables = CountRegistryTables();
        if (tables < 0) return Failed("cannot read it as an SQLite database");
        if (tables < 2) {
            if (!create) return kRegNotFound;
            if (mode_ != Mode::kReadWrite) return Failed("cannot write to it");
            if (CreateSchema() != kRegOk) return Failed("cannot create the registry tables");
        }
        for (int i = 0; i < kStatementCount; ++i) {
            if (sqlite3_prepare_v3(connection_, kStatementText[i], -1, SQLITE_PREPARE_PERSISTENT,
                                   &statements_[i], nullptr) != SQLITE_OK) {
                Failed("cannot read the registry tables");
                FinalizeStatements();
                return kRegFailed;
            }
        }
        schemaReady_ = true;
        wal_ = mode_ == Mode::kReadWrite && InWalMode();
        if (mode_ == Mode::kReadWrite) failure_.clear();
        return kRegOk;
    }

    std::string path_;
    std::mutex mutex_;
    std::condition_variable idle_;
    bool owned_ = false;
    std::thread::id owner_;
    sqlite3* connection_ = nullptr;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    bool schemaReady_ = false;
    Mode mode_ = Mode::kReadWrite;
    time_t openedAt_ = 0;
    std::string failure_;  // why it could not be opened, or not for writing
    int failureCode_ = SQLITE_OK;
    int waitMs_ = kReadBusyTimeoutMs;
    sqlite3_stmt* statements_[kStatementCount] = {};
    bool cacheFilled_ = false;
    bool wal_ = false;  // the connection reads and writes and the database is in WAL mode
    bool walHeaderKnown_ = false;
    WalIndexHeader walHeader_{};  // as it stood when the cache was last found current
    int64_t cacheVersion_ = 0;
    uint64_t cacheEpoch_ = 0;
    uint64_t checkedInScope_ = 0;  // the scope whose first read found the cache current
    std::map<std::string, std::pair<RegistryStatus, int64_t>> cachedKeys_;
    std::map<std::pair<int64_t, std::string>, CachedValue> cachedValues_;
};

// Forks this process made, counted in the child, so that a registry read asks for the
// process id only after one (a system call at every read costs more than the read).
std::atomic<uint64_t> forks{0};

void CountFork() {
    forks.fetch_add(1, std::memory_order_relaxed);
}

// The databases this process has opened, by path. They live as long as the process so
// that handles and transactions can point at them.
class DatabaseCache {
public:
    DatabaseCache() { pthread_atfork(nullptr, nullptr, CountFork); }

    Database& Get(const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex_);
        const uint64_t forked = forks.load(std::memory_order_relaxed);
        if (forked != forksSeen_) {
            forksSeen_ = forked;
            const pid_t pid = getpid();
            if (pid != pid_) AbandonInherited(pid);
        }
        std::unique_ptr<Database>& slot = databases_[path];
        if (!slot) {
            for (auto& entry : databases_)
                if (entry.second) entry.second->CloseIfRemoved();
            slot = std::make_unique<Database>(path);
        }
        return *slot;
    }

private:
    // A forked child must neither use nor close the connections it inherited: SQLite
    // forbids carrying a connection across fork, and closing one could checkpoint or drop
    // state the parent still relies on. They are kept, unused, where leak checks see them.
    void AbandonInherited(pid_t pid) {
        static auto* abandoned = new std::vector<std::unique_ptr<Database>>;
        for (auto& entry : databases_) abandoned->push_back(std::move(entry.second));
        databases_.clear();
        pid_ = pid;
    }

    std::mutex mutex_;
    pid_t pid_ = getpid();
    uint64_t forksSeen_ = 0;
    std::map<std::string, std::unique_ptr<Database>> databases_;
};

Database& DatabaseAt(const std::string& path) {
    static DatabaseCache cache;
    return cache.Get(path);
}

// The database whose transaction this thread has open.
thread_local Database* threadTransaction = nullptr;

enum class Access { kRead, kWrite };

// The database at a path, locked for one call and made current. `create` makes a missing
// registry file (or its tables) for the call.
class Session {
public:
    Session(Database& database, Access access, bool create)
        : database_(database), lock_(database.Lock()) {
        // Creating the registry is a write, whatever the call is for.
        const bool write = access == Access::kWrite || create;
        database.WaitForLocks(!write                 ? kReadBusyTimeoutMs
                              : tWritesDoNotWait > 0 ? 0
                                                     : kWriteBusyTimeoutMs);
        // A write empties the read cache before it changes anything: this connection's own
        // commits do not move data_version.
        if (write) database.ForgetCache();
        status_ = database.Refresh(create, write);
        if (status_ == kRegOk && write && database.ReadOnly()) status_ = kRegFailed;
    }
    Session(const std::string& path, Access access, bool create)
        : Session(DatabaseAt(path), access, create) {}

    RegistryStatus Status() const { return status_; }
    bool Ok() const { return status_ == kRegOk; }
    Database& Db() { return database_; }
    Statement Prepared(StatementId id) { return database_.Prepared(id); }

private:
    Database& database_;
    std::unique_lock<std::mutex> lock_;
    RegistryStatus status_;
};

// Makes one call's statements land together: in a transaction of their own, or as part
// of the transaction this thread has open.
class WriteScope {
public:
    explicit WriteScope(Database& database)
        : database_(database), own_(!database.InTransaction()) {}
    ~WriteScope() {
        if (begun_ && !committed_) database_.Exec("ROLLBACK");
    }
    WriteScope(const WriteScope&) = delete;
    WriteScope& operator=(const WriteScope&) = delete;

    RegistryStatus Begin() {
        if (!own_) return kRegOk;
        if (database_.Exec("BEGIN IMMEDIATE") != SQLITE_OK) return kRegFailed;
        begun_ = true;
        return kRegOk;
    }
    RegistryStatus Commit() {
        if (!begun_) return kRegOk;
        if (database_.Exec("COMMIT") != SQLITE_OK) return kRegFailed;
        committed_ = true;
        return kRegOk;
    }

private:
    Database& database_;
    bool own_;
    bool begun_ = false;
    bool committed_ = false;
};

RegistryStatus StepStatus(int result, RegistryStatus onDone) {
    if (result == SQLITE_ROW) return kRegOk;
    return result == SQLITE_DONE ? onDone : kRegFailed;
}

RegistryStatus FindKey(Session& session, const std::string& folded, int64_t* id) {
    Statement find = session.Prepared(kFindKey);
    RegistryStatus status = StepStatus(find.Bind(1, folded).Step(), kRegNotFound);
    if (status == kRegOk) *id = sqlite3_column_int64(find.Get(), 0);
    return status;
}

RegistryStatus FindKeyCached(Session& session, const std::string& folded, int64_t* id) {
    Database& database = session.Db();
    if (!database.CacheUsable()) return FindKey(session, folded, id);
    if (const auto* cached = database.CachedKey(folded)) {
        if (cached->first == kRegOk) *id = cached->second;
        return cached->first;
    }
    int64_t found = 0;
    const RegistryStatus status = FindKey(session, folded, &found);
    if (status == kRegOk || status == kRegNotFound) database.CacheKey(folded, status, found);
    if (status == kRegOk) *id = found;
    return status;
}

RegistryStatus InsertKey(Session& session, int64_t parent, std::string_view name,
                         const std::string& folded, int64_t* id) {
    Statement insert = session.Prepared(kInsertKey);
    if (insert.Bind(1, parent).Bind(2, name).Bind(3, folded).Step() != SQLITE_DONE)
        return kRegFailed;
    *id = session.Db().LastInsertId();
    return kRegOk;
}

// Walks down from the hive, creating each missing component of `path`, whose folded
// form is `folded`.
RegistryStatus CreateKeyPath(Session& session, std::string_view path, const std::string& folded,
                             int64_t* id) {
    if (FindKey(session, folded, id) == kRegOk) return kRegOk;
    WriteScope scope(session.Db());
    if (scope.Begin() != kRegOk) return kRegFailed;
    int64_t parent = kHiveKey;
    size_t end = 0;  // of the current component in `folded`: the components match one to one
    for (const std::string_view part : SplitKeyPath(path)) {
        end = folded.find('\\', end + 1);
        const std::string prefix = folded.substr(0, end);
        RegistryStatus status = FindKey(session, prefix, &parent);
        if (status == kRegNotFound) status = InsertKey(session, parent, part, prefix, &parent);
        if (status != kRegOk) return kRegFailed;
    }
    *id = parent;
    return scope.Commit();
}

RegistryStatus OpenKey(const char* path, RegistryKey* key, bool create) {
    if (path == nullptr || key == nullptr) return kRegFailed;
    *key = nullptr;
    const std::string folded = FoldedKeyPath(path);
    std::string database = CurrentDatabasePath();
    int64_t id = kHiveKey;
    if (!folded.empty()) {
        Session session(database, create ? Access::kWrite : Access::kRead, create);
        if (!session.Ok()) return session.Status();
        RegistryStatus status = create ? CreateKeyPath(session, path, folded, &id)
                                       : FindKeyCached(session, folded, &id);
        if (status != kRegOk) return status;
    }
    *key = new RegistryKeyState{std::move(database), id};
    return kRegOk;
}

std::string FoldedName(const char* name) {
    return Fold(name == nullptr ? "" : name);
}

RegistryStatus CopyName(sqlite3_stmt* statement, char* name, size_t capacity) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    size_t length = static_cast<size_t>(sqlite3_column_bytes(statement, 0));
    if (length + 1 > capacity) return kRegMoreData;
    if (length > 0) std::memcpy(name, text, length);
    name[length] = '\0';
    return kRegOk;
}

RegistryStatus EnumName(RegistryKey key, StatementId id, uint32_t index, char* name,
                        size_t capacity) {
    if (key == nullptr || name == nullptr || capacity == 0) return kRegFailed;
    Session session(key->database, Access::kRead, false);
    if (session.Status() == kRegNotFound) return kRegNoMoreItems;
    if (!session.Ok()) return session.Status();
    Statement enumerate = session.Prepared(id);
    RegistryStatus status =
        StepStatus(enumerate.Bind(1, key->id).Bind(2, int64_t{index}).Step(), kRegNoMoreItems);
    return status == kRegOk ? CopyName(enumerate.Get(), name, capacity) : status;
}

RegistryStatus CopyValue(sqlite3_stmt* found, uint32_t* type, void* data, uint32_t* size) {
    const void* bytes = sqlite3_column_blob(found, 1);
    auto length = static_cast<uint32_t>(sqlite3_column_bytes(found, 1));
    if (type != nullptr) *type = static_cast<uint32_t>(sqlite3_column_int64(found, 0));
    RegistryStatus status = kRegOk;
    if (data != nullptr && length > *size)
        status = kRegMoreData;
    else if (data != nullptr && length > 0)
        std::memcpy(data, bytes, length);
    if (size != nullptr) *size = length;
    return status;
}

// CopyValue for a value the cache holds.
RegistryStatus CopyCachedValue(const CachedValue& value, uint32_t* type, void* data,
                               uint32_t* size) {
    if (value.status != kRegOk) return value.status;
    const auto length = static_cast<uint32_t>(value.data.size());
    if (type != nullptr) *type = value.type;
    RegistryStatus status = kRegOk;
    if (data != nullptr && length > *size)
        status = kRegMoreData;
    else if (data != nullptr && length > 0)
        std::memcpy(data, value.data.data(), length);
    if (size != nullptr) *size = length;
    return status;
}

RegistryStatus QueryValue(RegistryKey key, const char* name, uint32_t* type, void* data,
                          uint32_t* size) {
    if (key == nullptr || (data != nullptr && size == nullptr)) return kRegFailed;
    Session session(key->database, Access::kRead, false);
    if (!session.Ok()) return session.Status();
    const std::string folded = FoldedName(name);
    const bool cache = session.Db().CacheUsable();
    if (cache) {
        if (const CachedValue* cached = session.Db().FindCachedValue(key->id, folded))
            return CopyCachedValue(*cached, type, data, size);
    }
    Statement find = session.Prepared(kFindValue);
    RegistryStatus status = StepStatus(find.Bind(1, key->id).Bind(2, folded).Step(), kRegNotFound);
    if (cache && (status == kRegOk || status == kRegNotFound)) {
        CachedValue value;
        value.status = status;
        if (status == kRegOk) {
            value.type = static_cast<uint32_t>(sqlite3_column_int64(find.Get(), 0));
            const void* bytes = sqlite3_column_blob(find.Get(), 1);
            const auto length = static_cast<size_t>(sqlite3_column_bytes(find.Get(), 1));
            if (length > 0) value.data.assign(static_cast<const char*>(bytes), length);
        }
        session.Db().CacheValue(key->id, folded, std::move(value));
    }
    return status == kRegOk ? CopyValue(find.Get(), type, data, size) : status;
}

RegistryStatus SetValue(RegistryKey key, const char* name, uint32_t type, const void* data,
                        uint32_t size) {
    if (key == nullptr || (data == nullptr && size > 0) || size > INT32_MAX) return kRegFailed;
    Session session(key->database, Access::kWrite, true);
    if (!session.Ok()) return session.Status();
    Statement set = session.Prepared(kSetValue);
    std::string_view spelled = name == nullptr ? "" : name;
    set.Bind(1, key->id).Bind(2, spelled).Bind(3, Fold(spelled)).Bind(4, int64_t{type});
    if (set.BindBlob(5, data, size).Step() != SQLITE_DONE) return kRegFailed;
    // Nothing written: the key was deleted after the handle was opened.
    return session.Db().Changes() > 0 ? kRegOk : kRegNotFound;
}

RegistryStatus DeleteValue(RegistryKey key, const char* name) {
    if (key == nullptr) return kRegFailed;
    Session session(key->database, Access::kWrite, false);
    if (!session.Ok()) return session.Status();
    Statement remove = session.Prepared(kDeleteValue);
    if (remove.Bind(1, key->id).Bind(2, FoldedName(name)).Step() != SQLITE_DONE) return kRegFailed;
    return session.Db().Changes() > 0 ? kRegOk : kRegNotFound;
}

RegistryStatus RunTreeDelete(Session& session, StatementId id, const std::string& folded) {
    Statement remove = session.Prepared(id);
    return remove.Bind(1, folded).Step() == SQLITE_DONE ? kRegOk : kRegFailed;
}

RegistryStatus DeleteKeyTree(const char* path) {
    if (path == nullptr) return kRegFailed;
    const std::string folded = FoldedKeyPath(path);
    // The hive itself cannot be deleted.
    if (folded.empty()) return kRegFailed;
    Session session(CurrentDatabasePath(), Access::kWrite, false);
    if (!session.Ok()) return session.Status();
    WriteScope scope(session.Db());
    if (scope.Begin() != kRegOk) return kRegFailed;
    int64_t id = 0;
    RegistryStatus status = FindKey(session, folded, &id);
    if (status != kRegOk) return status;
    if (RunTreeDelete(session, kDeleteTreeValues, folded) != kRegOk ||
        RunTreeDelete(session, kDeleteTreeKeys, folded) != kRegOk)
        return kRegFailed;
    return scope.Commit();
}

RegistryStatus BeginTransaction() {
    if (threadTransaction != nullptr) return kRegFailed;
    Session session(CurrentDatabasePath(), Access::kWrite, true);
    if (!session.Ok()) return kRegFailed;
    if (session.Db().Exec("BEGIN IMMEDIATE") != SQLITE_OK) return kRegFailed;
    session.Db().TakeOwnership();
    threadTransaction = &session.Db();
    return kRegOk;
}

// Ends this thread's transaction; a failed commit leaves nothing of it behind.
RegistryStatus EndTransaction(const char* sql) {
    Database* database = threadTransaction;
    if (database == nullptr) return kRegFailed;
    std::unique_lock<std::mutex> lock = database->Lock();
    database->ForgetCache();
    RegistryStatus status = database->Exec(sql) == SQLITE_OK ? kRegOk : kRegFailed;
    if (database->InTransaction()) database->Exec("ROLLBACK");
    database->ReleaseOwnership();
    threadTransaction = nullptr;
    return status;
}

template <typename Work>
RegistryStatus Guarded(Work&& work) noexcept {
    try {
        return work();
    } catch (...) {
        return kRegFailed;
    }
}

}  // namespace

const char* RegistryDatabasePath() {
    const char* path = std::getenv(kRegistryPathVariable);
    return path != nullptr && *path != '\0' ? path : kDefaultRegistryPath;
}

RegistryStatus RegistryCheck(int* readOnly, char* reason, size_t capacity) {
    if (readOnly != nullptr) *readOnly = 0;
    if (reason != nullptr && capacity > 0) reason[0] = '\0';
    return Guarded([&] {
        Session session(CurrentDatabasePath(), Access::kRead, false);
        const bool limited = session.Status() == kRegOk && session.Db().ReadOnly();
        if (readOnly != nullptr) *readOnly = limited ? 1 : 0;
        if (reason != nullptr && capacity > 0 && (limited || session.Status() == kRegFailed))
            std::snprintf(reason, capacity, "%s", session.Db().Failure().c_str());
        return session.Status();
    });
}

int RegistryUnchangedSince(uint64_t* version) {
    if (version == nullptr) return 0;
    const uint64_t before = *version;
    *version = 0;
    return Guarded([&] {
               Session session(CurrentDatabasePath(), Access::kRead, false);
               if (!session.Ok() || !session.Db().CacheUsable()) return kRegFailed;
               *version = session.Db().CacheEpoch();
               return before != 0 && *version == before ? kRegOk : kRegFailed;
           }) == kRegOk
               ? 1
               : 0;
}

RegistryChangesCheckedOnce::RegistryChangesCheckedOnce() : outermost_(tCheckScope == 0) {
    if (outermost_) tCheckScope = ++lastCheckScope;
}

RegistryChangesCheckedOnce::~RegistryChangesCheckedOnce() {
    if (outermost_) tCheckScope = 0;
}

RegistryWritesDoNotWait::RegistryWritesDoNotWait() {
    ++tWritesDoNotWait;
}

RegistryWritesDoNotWait::~RegistryWritesDoNotWait() {
    --tWritesDoNotWait;
}

RegistryStatus RegistryOpenKey(const char* path, RegistryKey* key) {
    return Guarded([&] { return OpenKey(path, key, false); });
}

RegistryStatus RegistryCreateKey(const char* path, RegistryKey* key) {
    return Guarded([&] { return OpenKey(path, key, true); });
}

void RegistryCloseKey(RegistryKey key) {
    delete key;
}

RegistryStatus RegistryQueryValue(RegistryKey key, const char* name, uint32_t* type, void* data,
                                  uint32_t* size) {
    return Guarded([&] { return QueryValue(key, name, type, data, size); });
}

RegistryStatus RegistrySetValue(RegistryKey key, const char* name, uint32_t type, const void* data,
                                uint32_t size) {
    return Guarded([&] { return SetValue(key, name, type, data, size); });
}

RegistryStatus RegistryDeleteValue(RegistryKey key, const char* name) {
    return Guarded([&] { return DeleteValue(key, name); });
}

RegistryStatus RegistryDeleteKeyTree(const char* path) {
    return Guarded([&] { return DeleteKeyTree(path); });
}

RegistryStatus RegistryEnumValue(RegistryKey key, uint32_t index, char* name, size_t capacity) {
    return Guarded([&] { return EnumName(key, kValueAt, index, name, capacity); });
}

RegistryStatus RegistryEnumSubkey(RegistryKey key, uint32_t index, char* name, size_t capacity) {
    return Guarded([&] { return EnumName(key, kSubkeyAt, index, name, capacity); });
}

RegistryStatus RegistryBeginTransaction() {
    return Guarded([] { return BeginTransaction(); });
}

RegistryStatus RegistryCommitTransaction() {
    return Guarded([] { return EndTransaction("COMMIT"); });
}

RegistryStatus RegistryRollbackTransaction() {
    return Guarded([] { return EndTransaction("ROLLBACK"); });
}

}  // namespace platform
