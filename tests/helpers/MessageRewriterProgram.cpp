// tests/helpers/MessageRewriterProgram.cpp: rewrites queued messages of the SMTP connector
// over and over, for a test that kills it at random moments. It finds the server tree
// in the registry the test set up.
//
//   MessageRewriterProgram READYFILE VALUE1 VALUE2 MESSAGEID...
//
// Every round sets the subject prefix "[SPAM] " (once) and the header X-Crash to VALUE1 or
// VALUE2 in turn in each message. READYFILE is made after the first round, so that the
// test's kill falls among rewrites rather than into the program's start.
#include <chrono>
#include <cstdio>
#include <memory>

#include "actions/MessageRewriting.h"
#include "base/MessageRecord.h"
#include "base/Settings.h"

namespace {

constexpr int kUsageError = 64;
// Never outlive a test that failed to kill it.
constexpr std::chrono::seconds kLongestRun(20);

void MakeFile(const char* path) {
    std::FILE* file = std::fopen(path, "wb");
    if (file != nullptr) std::fclose(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) return kUsageError;
    ResetSettings();
    ReadStoreSettings();
    RefreshDirectoryGroup(nullptr);
    auto record = std::make_unique<MessageRecord>();
    std::snprintf(record->connector, sizeof record->connector, "%s", "SMTP");
    const auto end = std::chrono::steady_clock::now() + kLongestRun;
    for (unsigned round = 0; std::chrono::steady_clock::now() < end; ++round) {
        if (round == 1) MakeFile(argv[1]);
        for (int n = 4; n < argc; ++n) {
            std::snprintf(record->messageId, sizeof record->messageId, "%s", argv[n]);
            PrefixQueuedSubject(record.get(), "[SPAM] ", true);
            SetMessageHeader(record.get(), "X-Crash", argv[2 + round % 2], true);
        }
    }
    return 0;
}
