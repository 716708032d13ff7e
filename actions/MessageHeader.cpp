// actions/MessageHeader.cpp: setting one header field of a queued message, replacing
// every line of that field or adding it at the end of the header block.
#include <cstdio>
#include <string>

#include "actions/MessageRewriting.h"
#include "actions/MessageText.h"
#include "base/MessageEnvelope.h"
#include "common/AtomicFile.h"
#include "common/SafeText.h"
#include "common/TextSearch.h"
#include "common/WholeFile.h"

namespace {

// The message with every "<name>: " line replaced by `field` (a whole line with its CR
// LF), or `field` added before the empty line (or at the end) when there was none.
// Continuation lines of a replaced field stay as they are.
std::string WithHeaderField(const std::string& text, const char* linePrefix,
                            const std::string& field) {
    std::string result;
    result.reserve(text.size() + field.size() + 2);
    bool replaced = false;
    size_t line = 0;
    while (line < text.size()) {
        size_t next = NextLineStart(text, line);
        if (IsEmptyLine(text, line)) {
            if (replaced) {
                result.append(text, line, std::string::npos);
            } else {
                result += field + "\r\n";
                result.append(text, next, std::string::npos);
            }
            return result;
        }
        if (StartsWithNoCase(text.data() + line, next - line, linePrefix)) {
            result += field;
            replaced = true;
        } else {
            result.append(text, line, next - line);
        }
        line = next;
    }
    if (replaced) return result;
    // No empty line: the header block runs to the end. A last line without its line end
    // gets one first, so the new field does not run into it.
    if (!result.empty() && result.back() != '\n') result += "\r\n";
    return result + field + "\r\n";
}

}  // namespace

int SetMessageHeader(MessageRecord* record, const char* headerName, const char* headerValue,
                     bool inboundQueue) {
    if (record == nullptr || headerName == nullptr || headerValue == nullptr) return 0;
    char linePrefix[520];
    if (!FormatBounded(linePrefix, sizeof linePrefix, "%s: ", headerName)) return 0;
    char path[kQueuePathCapacity];
    if (!QueuedMessagePath(*record, inboundQueue, path, sizeof path)) return 0;
    std::string text;
    if (!ReadWholeFile(path, &text, nullptr)) return 0;
    std::string field = std::string(linePrefix) + headerValue + "\r\n";
    std::string result = WithHeaderField(text, linePrefix, field);
    return ReplaceFileAtomically(path, result.data(), result.size());
}
