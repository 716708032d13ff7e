// analysis/ScannerHeader.cpp: the message header as the scanner reads it: every header
// line is offered to HEADERS_CONTAIN, the named ones also to their own criteria.
#include "analysis/ScannerHeader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "analysis/ContentCriteria.h"
#include "base/LoopMark.h"
#include "common/Console.h"
#include "common/DelimitedField.h"
#include "common/SafeText.h"
#include "common/TextSearch.h"
#include "filters/WordLists.h"

namespace {

constexpr int kPostofficeMarkCapacity = 128;

constexpr const char* kBoundaryParameter = "boundary=";
constexpr size_t kBoundaryParameterLength = 9;

// A header whose value and folded continuation lines (RFC 5322 2.2.3) go to address
// criteria; `label` names it on the console (none for Cc).
struct AddressHeader {
    const char* name;
    const char* label;
    int types[2];
    int typeCount;
};
constexpr AddressHeader kAddressHeaders[] = {
    {"From:", "From Found:", {kFrom, 0}, 1},
    {"To:", "To Found:", {kTo, kToOrCc}, 2},
    {"Cc:", nullptr, {kCc, kToOrCc}, 2},
};

// X-Priority carries a number; the PRIORITY word lists are written for the words that
// X-MSMail-Priority uses, so the usual numbers are translated (trailing blank included).
const char* PriorityWord(const char* value) {
    switch (value[0]) {
        case '5':
            return "Low ";
        case '3':
            return "Normal ";
        case '1':
            return "High ";
        default:
            return nullptr;
    }
}
const char* SameValue(const char* value) {
    return value;
}

// A header whose (first-line) value goes to a word-list criterion, as given by `word`.
struct TextHeader {
    const char* name;
    int type;
    const char* (*word)(const char* value);
};
constexpr TextHeader kTextHeaders[] = {
    {"Subject:", kSubject, SameValue},
    {"X-MSMail-Priority:", kPriority, SameValue},
    {"X-Priority:", kPriority, PriorityWord},
    {"Received-SPF:", kSpf, SameValue},
};

// The text after the first colon with leading blanks and tabs skipped; the line end stays.
const char* HeaderValue(const char* line) {
    const char* colon = std::strchr(line, ':');
    const char* value = colon != nullptr ? colon + 1 : line + std::strlen(line);
    while (*value == ' ' || *value == '\t') ++value;
    return value;
}

void EvaluateText(const ScanState& state, int type, const char* text) {
    EvaluateWordListCriterion(type, text, delimiters::kText, state.set, state.evaluations);
}

// A postoffice-level run leaves alone what its own postoffice has filtered already; the
// mark's value is the postoffice name, compared without its line end.
bool HasPostofficeMark(const ScanState& state) {
    const FilterSet& set = *state.set;
    if (set.postoffice[0] == '\0' || set.mailbox[0] != '\0') return false;
    if (!StartsWithNoCase(state.line, kPostofficeMarkStart)) return false;
    char mark[kPostofficeMarkCapacity];
    if (!GetDelimitedField(state.line, ": ", 2, mark)) return false;
    (void)ReplaceAll(mark, "\r\n", "", sizeof mark);  // only shortens: cannot fail
    return SameTextNoCase(mark, set.postoffice);
}

// The marks the plug-in writes into messages it generates or has filtered, so that they
// are not filtered again at the same level when they come back through the queue.
bool HasLoopMark(const ScanState& state) {
    if (state.systemScope && StartsWithNoCase(state.line, kLoopMarkStart)) return true;
    return HasPostofficeMark(state);
}

// A later boundary parameter replaces an earlier one; nested multiparts are not followed.
void NoteBoundary(ScanState& state) {
    (void)ExtractBoundary(state.line, state.boundary, sizeof state.boundary);
    SafeCopy(state.boundaryDelimiter, "--");
    SafeAppend(state.boundaryDelimiter, state.boundary);
    state.mimeMode = true;
    ConsoleLine("Mime Encapsulatation detected\n");
}

// Offers the header's value, then each folded continuation line whole, to its address
// criteria, and every one of its lines to HEADERS_CONTAIN. Leaves the first line after
// the header read ahead (pending), or sets `stop` when the input ends.
void ScanAddressHeader(ScanState& state, const AddressHeader& header) {
    const char* value = HeaderValue(state.line);
    if (header.label != nullptr) ConsoleLine("%s%s\n", header.label, value);
    for (;;) {
        for (int t = 0; t < header.typeCount; ++t)
            EvaluateAddressCriterion(header.types[t], value, delimiters::kAddress, state.set,
                                     state.evaluations);
        EvaluateText(state, kHeadersContain, state.line);
        if (!ReadScanLine(state)) return;
        state.pending = true;
        if (state.line[0] != '\t' && state.line[0] != ' ') return;
        value = state.line;
    }
}

// Lines of any other name (continuations of such headers included) reach HEADERS_CONTAIN.
void ScanTextHeaders(const ScanState& state) {
    for (const TextHeader& header : kTextHeaders) {
        if (!StartsWithNoCase(state.line, header.name)) continue;
        const char* word = header.word(HeaderValue(state.line));
        if (word != nullptr) EvaluateText(state, header.type, word);
    }
    EvaluateText(state, kHeadersContain, state.line);
}

const AddressHeader* FindAddressHeader(const char* line) {
    for (const AddressHeader& header : kAddressHeaders)
        if (StartsWithNoCase(line, header.name)) return &header;
    return nullptr;
}

}  // namespace

void ScanHeaderLine(ScanState& state) {
    if (HasLoopMark(state)) {
        state.verdict = 0;
        state.finished = true;
        return;
    }
    if (FindNoCase(state.line, kMeasureLength, kBoundaryParameter, kMeasureLength) != nullptr)
        NoteBoundary(state);
    if (const AddressHeader* header = FindAddressHeader(state.line)) {
        ScanAddressHeader(state, *header);
        return;
    }
    ScanTextHeaders(state);
    // The empty line that ends the header (RFC 5322 2.1) is not body text itself.
    if (state.line[0] == '\r' || state.line[0] == '\n') {
        state.inBody = true;
        state.inPart = false;
    }
}

int ExtractBoundary(const char* line, char* destination, size_t capacity) {
    if (destination == nullptr || capacity == 0) return 0;
    destination[0] = '\0';
    if (line == nullptr) return 0;
    const char* hit = FindNoCase(line, kMeasureLength, kBoundaryParameter, kMeasureLength);
    if (hit == nullptr) return 0;
    const char* value = hit + kBoundaryParameterLength;
    while (*value != '\0' && std::isspace(static_cast<unsigned char>(*value))) ++value;
    if (*value == '\0') return 0;
    const char* stops = "\r\n;";
    if (*value == '"') {
        ++value;
        stops = "\r\n;\"";
    }
    const size_t length = std::min(std::strcspn(value, stops), capacity - 1);
    std::memcpy(destination, value, length);
    destination[length] = '\0';
    return 1;
}
