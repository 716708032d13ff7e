// scanners/bayes/TokenStore.cpp: SQLite storage of token counts.
#include "scanners/bayes/TokenStore.h"

#include <sqlite3.h>

namespace bayes {
namespace {

// Long enough for a training burst of another process to finish, short enough that a
// stuck writer does not hold a message for long.
constexpr int kBusyTimeoutMs = 5000;

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS tokens(token TEXT PRIMARY KEY, spam INTEGER NOT NULL DEFAULT 0,"
    " ham INTEGER NOT NULL DEFAULT 0) WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS messages(digest TEXT PRIMARY KEY, class INTEGER NOT NULL)"
    " WITHOUT ROWID;";

class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK)
            statement_ = nullptr;
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return statement_; }

private:
    sqlite3_stmt* statement_ = nullptr;
};

}  // namespace

TokenStore::~TokenStore() {
    sqlite3_close_v2(db_);
}

int TokenStore::Execute(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return 1;
    error_ = message != nullptr ? message : sqlite3_errmsg(db_);
    sqlite3_free(message);
    return 0;
}

int TokenStore::Open(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        error_ = "cannot open the token store " + path + " (" +
                 (db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory") +
                 "): check that its folder exists and is writable";
        return 0;
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    // NORMAL keeps every committed transaction across a process crash in WAL mode; only
    // a power cut may lose the last ones, which costs a few learned messages at most.
    if (!Execute("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;") || !Execute(kSchema)) {
        error_ = "the token store " + path + " cannot be used (" + error_ +
                 "): check the file, or move it away to start a new store";
        return 0;
    }
    return 1;
}

int TokenStore::Totals(StoreTotals* totals) {
    *totals = StoreTotals{};
    Statement byClass(db_, "SELECT class, COUNT(*) FROM messages GROUP BY class");
    Statement tokens(db_, "SELECT COUNT(*) FROM tokens");
    if (byClass.get() == nullptr || tokens.get() == nullptr) return 0;
    int rc;
    while ((rc = sqlite3_step(byClass.get())) == SQLITE_ROW) {
        int64_t count = sqlite3_column_int64(byClass.get(), 1);
        if (sqlite3_column_int(byClass.get(), 0) == static_cast<int>(MessageClass::kSpam))
            totals->spamMessages = count;
        else
            totals->hamMessages = count;
    }
    if (rc != SQLITE_DONE || sqlite3_step(tokens.get()) != SQLITE_ROW) return 0;
    totals->tokens = sqlite3_column_int64(tokens.get(), 0);
    return 1;
}

int TokenStore::Counts(const std::string& token, TokenCounts* counts) {
    *counts = TokenCounts{};
    Statement select(db_, "SELECT spam, ham FROM tokens WHERE token = ?");
    if (select.get() == nullptr) return 0;
    sqlite3_bind_text(select.get(), 1, token.data(), static_cast<int>(token.size()), SQLITE_STATIC);
    int rc = sqlite3_step(select.get());
    if (rc == SQLITE_ROW) {
        counts->spam = sqlite3_column_int64(select.get(), 0);
        counts->ham = sqlite3_column_int64(select.get(), 1);
        return 1;
    }
    return rc == SQLITE_DONE ? 1 : 0;
}

int TokenStore::LearnedClass(const std::string& digest, int* messageClass) {
    *messageClass = -1;
    Statement select(db_, "SELECT class FROM messages WHERE digest = ?");
    if (select.get() == nullptr) return 0;
    sqlite3_bind_text(select.get(), 1, digest.c_str(), -1, SQLITE_STATIC);
    int rc = sqlite3_step(select.get());
    if (rc == SQLITE_ROW) *messageClass = sqlite3_column_int(select.get(), 0);
    return rc == SQLITE_ROW || rc == SQLITE_DONE;
}

int TokenStore::Adjust(const std::set<std::string>& tokens, MessageClass messageClass, int delta) {
    const bool spam = messageClass == MessageClass::kSpam;
    const char* sql = delta > 0
                          ? (spam ? "INSERT INTO tokens(token, spam) VALUES(?, 1) "
                                    "ON CONFLICT(token) DO UPDATE SET spam = spam + 1"
                                  : "INSERT INTO tokens(token, ham) VALUES(?, 1) "
                                    "ON CONFLICT(token) DO UPDATE SET ham = ham + 1")
                          : (spam ? "UPDATE tokens SET spam = MAX(spam - 1, 0) WHERE token = ?"
                                  : "UPDATE tokens SET ham = MAX(ham - 1, 0) WHERE token = ?");
    Statement update(db_, sql);
    if (update.get() == nullptr) return 0;
    for (const std::string& token : tokens) {
        sqlite3_reset(update.get());
        sqlite3_bind_text(update.get(), 1, token.data(), static_cast<int>(token.size()),
                          SQLITE_STATIC);
        if (sqlite3_step(update.get()) != SQLITE_DONE) return 0;
    }
    return delta > 0 || Execute("DELETE FROM tokens WHERE spam = 0 AND ham = 0");
}

int TokenStore::RecordMessage(const std::string& digest, MessageClass messageClass, int delta) {
    Statement change(db_, delta > 0 ? "INSERT OR REPLACE INTO messages(digest, class) VALUES(?, ?)"
                                    : "DELETE FROM messages WHERE digest = ?");
    if (change.get() == nullptr) return 0;
    sqlite3_bind_text(change.get(), 1, digest.c_str(), -1, SQLITE_STATIC);
    if (delta > 0) sqlite3_bind_int(change.get(), 2, static_cast<int>(messageClass));
    return sqlite3_step(change.get()) == SQLITE_DONE;
}

TrainOutcome TokenStore::Learn(const std::string& digest, const std::set<std::string>& tokens,
                               MessageClass messageClass) {
    if (!Execute("BEGIN IMMEDIATE")) return TrainOutcome::kFailed;
    int learned = -1;
    bool ok = LearnedClass(digest, &learned);
    if (ok && learned == static_cast<int>(messageClass)) {
        ok = Execute("ROLLBACK");
        return ok ? TrainOutcome::kAlreadyLearned : TrainOutcome::kFailed;
    }
    const bool moving = learned >= 0;
    if (ok && moving) ok = Adjust(tokens, static_cast<MessageClass>(learned), -1);
    ok = ok && Adjust(tokens, messageClass, +1) && RecordMessage(digest, messageClass, +1) &&
         Execute("COMMIT");
    if (!ok) {
        std::string reason = error_.empty() ? sqlite3_errmsg(db_) : error_;
        (void)Execute("ROLLBACK");
        error_ = reason;
        return TrainOutcome::kFailed;
    }
    return moving ? TrainOutcome::kRelearned : TrainOutcome::kLearned;
}

TrainOutcome TokenStore::Forget(const std::string& digest, const std::set<std::string>& tokens) {
    if (!Execute("BEGIN IMMEDIATE")) return TrainOutcome::kFailed;
    int learned = -1;
    bool ok = LearnedClass(digest, &learned);
    if (ok && learned < 0) {
        ok = Execute("ROLLBACK");
        return ok ? TrainOutcome::kNotLearned : TrainOutcome::kFailed;
    }
    ok = ok && Adjust(tokens, static_cast<MessageClass>(learned), -1) &&
         RecordMessage(digest, MessageClass::kHam, -1) && Execute("COMMIT");
    if (!ok) {
        std::string reason = error_.empty() ? sqlite3_errmsg(db_) : error_;
        (void)Execute("ROLLBACK");
        error_ = reason;
        return TrainOutcome::kFailed;
    }
    return TrainOutcome::kForgotten;
}

}  // namespace bayes
