// analysis/ScannerState.h: what the message scanner knows while it reads one message
// line by line, and the word delimiter sets it hands to the criterion evaluators.
#pragma once

#include <cstdint>

#include "analysis/MessageLines.h"
#include "analysis/MessageLinks.h"
#include "base/MessageRecord.h"
#include "filters/FilterSet.h"

// The characters that may stand next to a matched word, one set per kind of text. They
// are passed on byte for byte (the address set really does hold the apostrophe twice).
namespace delimiters {
constexpr const char* kText = " \r'\"\n";
constexpr const char* kAddress = "' \r'\"\n<>;";
constexpr const char* kMimeAttachment = "\r'\"\n;";
constexpr const char* kMimePresence = " \r'\"\n;";
constexpr const char* kUuencodeAttachment = " \r'\"\n;.";
}  // namespace delimiters

constexpr int kScanLineCapacity = 2048;  // a longer physical line arrives in pieces
constexpr int kBoundaryCapacity = 1024;

// One call's scan state; nothing of it outlives the call.
struct ScanState {
    const MessageRecord* record;
    const FilterSet* set;
    FilterEvaluationSet* evaluations;
    MessageLines* lines;  // the message file

    // The current line, terminator included.
    char line[kScanLineCapacity];

    bool pending;      // line holds the next line already (read ahead while unfolding)
    bool stop;         // the input ended while reading ahead
    bool finished;     // a loop mark ends the scan
    bool systemScope;  // the set is the server's own
    bool inBody;       // from the first empty line on
    bool mimeMode;     // the message header named a MIME boundary
    bool inPart;       // MIME: inside a part's header block; else inside a uuencoded block
    bool skipEncoded;  // the current MIME part is base64: its lines are not body text

    char boundary[kBoundaryCapacity];
    char boundaryDelimiter[kBoundaryCapacity];  // "--" + boundary

    uint32_t linkLookups;                // fruitless link lookups so far
    char linkWork[kLinkWorkBufferSize];  // the DNS provider's, cleared per message
    char blacklistName[kListNameSize];   // the list that listed a link

    int verdict;  // 1: the message may be acted on
};

// Reads the next line into state.line. At the end of the input (or a read error, which
// is not retried) sets `stop` and returns false.
inline bool ReadScanLine(ScanState& state) {
    if (state.lines->Next(state.line, sizeof state.line) != nullptr) return true;
    state.line[0] = '\0';
    state.stop = true;
    return false;
}
