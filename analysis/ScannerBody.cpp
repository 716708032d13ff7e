// analysis/ScannerBody.cpp: body lines as the scanner reads them. MIME messages (RFC
// 2046 5.1) go through the part automaton: outside a part, a line holding the boundary
// delimiter opens a part's header block, which the first empty line closes. Other
// messages go through the uuencode automaton: "begin" opens a block, "end" closes it.
#include "analysis/ScannerBody.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "analysis/ContentCriteria.h"
#include "analysis/MessageLinks.h"
#include "base/Settings.h"
#include "common/Console.h"
#include "common/TextSearch.h"
#include "filters/WordLists.h"

namespace {

// How a part header or uuencoded block names its file: a quoted name parameter.
constexpr const char* kMimeNameForms[] = {"filename=\"", "name=\"", "name = \""};
constexpr const char* kUuencodeNameForms[] = {"filename=\"", "name=\""};
constexpr const char* kTransferEncoding = "Content-Transfer-Encoding: ";
constexpr const char* kBase64 = "base64";
constexpr const char* kUuencodeBegin = "begin \r\n";
constexpr const char* kUuencodeEnd = "end \r\n";
constexpr const char* kLinkTag = "MF-SBLURI";

bool Contains(const char* line, const char* text) {
    return FindNoCase(line, kMeasureLength, text, kMeasureLength) != nullptr;
}

template <size_t N>
bool ContainsAny(const char* line, const char* const (&texts)[N]) {
    for (const char* text : texts)
        if (Contains(line, text)) return true;
    return false;
}

bool IsLineEnd(char c) {
    return c == '\0' || c == '\r' || c == '\n';
}

void CheckLinks(ScanState& state) {
    if (PerformSblRbl() == 0) return;
    if (!CheckMessageLinks(state.record->messageId, state.linkLookups, state.line, state.linkWork,
                           state.blacklistName))
        return;
    MarkCriterion(kUrlbl, kLinkTag, state.blacklistName, state.set, state.evaluations);
}

void EvaluateAttachment(const ScanState& state, const char* attachmentDelimiters,
                        const char* presenceDelimiters) {
    EvaluateHasAttachment(kHasAnAttachment, state.line, presenceDelimiters, state.set,
                          state.evaluations);
    EvaluateAttachmentName(kHasAttachmentsMatching, state.line, attachmentDelimiters, state.set,
                           state.evaluations);
}

// A line of a part's header block (the boundary line included).
void ScanPartHeader(ScanState& state) {
    EvaluateWordListCriterion(kBoundaryHeadersContain, state.line, delimiters::kText, state.set,
                              state.evaluations);
    if (ContainsAny(state.line, kMimeNameForms)) {
        ConsoleLine("Attachment Found:%s\n", state.line);
        EvaluateAttachment(state, delimiters::kMimeAttachment, delimiters::kMimePresence);
    }
    if (Contains(state.line, kTransferEncoding) && Contains(state.line, kBase64)) {
        ConsoleLine("Skipping encoded attachment\n");
        state.skipEncoded = true;
    }
}

// The boundary delimiter is found exactly, case included, as RFC 2046 5.1.1 compares it.
// The closing delimiter ("--" + boundary + "--") opens a header block like any other.
void ScanMimeLine(ScanState& state) {
    if (state.inPart) {
        if (IsLineEnd(state.line[0])) state.inPart = false;
    } else if (std::strstr(state.line, state.boundaryDelimiter) != nullptr) {
        state.inPart = true;
        state.skipEncoded = false;
    }
    if (state.inPart) ScanPartHeader(state);
}

// Uuencoded and BinHex attachments of messages without MIME structure.
void ScanUuencodeLine(ScanState& state) {
    if (SameTextNoCase(state.line, kUuencodeBegin)) state.inPart = true;
    if (state.inPart && ContainsAny(state.line, kUuencodeNameForms)) {
        ConsoleLine("Binhex Attachment Found:%s\n", state.line);
        EvaluateAttachment(state, delimiters::kUuencodeAttachment, delimiters::kUuencodeAttachment);
    }
    if (SameTextNoCase(state.line, kUuencodeEnd)) state.inPart = false;
}

}  // namespace

void ScanBodyLine(ScanState& state) {
    CheckLinks(state);
    if (state.mimeMode) {
        ScanMimeLine(state);
    } else {
        ScanUuencodeLine(state);
    }
    if (!state.skipEncoded && state.line[0] != '\0')
        EvaluateWordListCriterion(kBody, state.line, delimiters::kText, state.set,
                                  state.evaluations);
}
