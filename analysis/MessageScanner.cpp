// analysis/MessageScanner.cpp: the single pass over a queued message: the whole-message
// criteria first, then every line of the file, header lines and body lines each to
// their own handler (analysis/ScannerHeader.cpp, analysis/ScannerBody.cpp).
#include "analysis/MessageScanner.h"

#include <cstdio>
#include <optional>

#include "analysis/ContentCriteria.h"
#include "analysis/ScannerBody.h"
#include "analysis/ScannerHeader.h"
#include "analysis/ScannerState.h"
#include "base/MessageEnvelope.h"
#include "base/Settings.h"
#include "common/Console.h"
#include "common/FileQueries.h"
#include "platform/Ownership.h"
#include "providers/ScannerCriteria.h"

namespace {

constexpr size_t kMessagePathCapacity = 1024;

void BuildMessagePath(const MessageRecord& record, const FilterSet& set, char* path) {
    char connectorRoot[kMessagePathCapacity];
    CurrentConnectorRoot(connectorRoot, sizeof connectorRoot);
    if (!MessageFilePath(connectorRoot, record.connector, record.messageId,
                         QueueOfScope(set.postoffice), path, kMessagePathCapacity))
        path[0] = '\0';  // opens nothing, so the message is left alone
}

void EvaluateWholeMessage(MessageRecord* record, const FilterSet* set,
                          FilterEvaluationSet* evaluations, int size) {
    EvaluateSize(kSize, size, set, evaluations);
    EvaluateBayesian(kSpamProbability, record, set, evaluations);
    EvaluateSpamAssassin(kSpamAssassin, record, set, evaluations);
    EvaluateDkim(kDkim, record, set, evaluations);
    EvaluateAntivirus(kHasVirus, record, set, evaluations);
}

void ScanLines(ScanState& state) {
    while (!state.stop && !state.finished) {
        if (!state.pending && !ReadScanLine(state)) return;
        state.pending = false;
        if (state.inBody) {
            ScanBodyLine(state);
        } else {
            ScanHeaderLine(state);
        }
    }
}

}  // namespace

int ScanMessage(MessageRecord* record, const FilterSet* set, FilterEvaluationSet* evaluations) {
    if (record == nullptr || set == nullptr || evaluations == nullptr) return 0;
    char path[kMessagePathCapacity];
    BuildMessagePath(*record, *set, path);
    ConsoleLine("Processing Message... \r\n");
    // A scanning provider may open the message by its name, and may replace it: with one
    // ready, the message is opened after them, so that it is not held open while they run
    // (Windows refuses to replace a file that is open). Without one it is opened first, and
    // its first block tells the size.
    const bool providersFirst = ScanningProvidersReady() != 0;
    // Closed however the scan ends: a provider's exception passes through it.
    platform::OwnedInputFile file;
    std::optional<MessageLines> lines;
    auto open = [&] {
        file = platform::OwnedInputFile(path);
        if (file) lines.emplace(file.Get());
    };
    if (!providersFirst) open();
    EvaluateWholeMessage(record, set, evaluations,
                         lines ? SizeAsCallersTakeIt(lines->FileSize()) : FileSizeByName(path));
    if (providersFirst) open();

    ScanState state{};
    state.record = record;
    state.set = set;
    state.evaluations = evaluations;
    state.systemScope = set->postoffice[0] == '\0';
    ConsoleLine("Processing Message Content... \r\n");
    if (!lines) return 0;
    state.lines = &*lines;
    state.verdict = 1;
    ScanLines(state);
    return state.verdict;
}
