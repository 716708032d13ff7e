// scanners/bayes/TokenStore.h: the classifier's token counts in an SQLite database.
//
// The database runs in WAL mode: any number of readers (classifications, in this and
// other processes) proceed while one writer trains. Each training step is one
// transaction, so a process killed mid-training leaves the store as it was before or
// after that message, never between.
#pragma once

#include <cstdint>
#include <set>
#include <string>

struct sqlite3;

namespace bayes {

enum class MessageClass : int { kHam = 0, kSpam = 1 };

struct TokenCounts {
    int64_t spam;  // spam messages that held the token
    int64_t ham;   // ham messages that held the token
};

struct StoreTotals {
    int64_t spamMessages;  // spam messages learned
    int64_t hamMessages;   // ham messages learned
    int64_t tokens;        // distinct tokens kept
};

// What a training step did.
enum class TrainOutcome { kLearned, kAlreadyLearned, kRelearned, kForgotten, kNotLearned, kFailed };

class TokenStore {
public:
    TokenStore() = default;
    ~TokenStore();
    TokenStore(const TokenStore&) = delete;
    TokenStore& operator=(const TokenStore&) = delete;

    // Opens (creating when missing) the store at the host path `path`. Returns 1 when
    // usable; 0 with the reason in Error().
    [[nodiscard]] int Open(const std::string& path);
    const std::string& Error() const { return error_; }

    // Totals; 0 on a read failure.
    [[nodiscard]] int Totals(StoreTotals* totals);
    // Counts of one token (zeros when unknown); 0 on a read failure.
    [[nodiscard]] int Counts(const std::string& token, TokenCounts* counts);

    // Learns a message known by `digest` as `messageClass`; one learned as the other
    // class is moved over. kFailed leaves the store unchanged.
    TrainOutcome Learn(const std::string& digest, const std::set<std::string>& tokens,
                       MessageClass messageClass);
    // Takes back what learning the message added.
    TrainOutcome Forget(const std::string& digest, const std::set<std::string>& tokens);

private:
    [[nodiscard]] int Execute(const char* sql);
    [[nodiscard]] int LearnedClass(const std::string& digest, int* messageClass);
    [[nodiscard]] int Adjust(const std::set<std::string>& tokens, MessageClass messageClass,
                             int delta);
    [[nodiscard]] int RecordMessage(const std::string& digest, MessageClass messageClass,
                                    int delta);

    sqlite3* db_ = nullptr;
    std::string error_;
};

}  // namespace bayes
