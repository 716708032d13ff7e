// actions/MessageText.cpp: finding a queued message and walking its lines.
#include "actions/MessageText.h"

#include "base/MessageEnvelope.h"
#include "base/Settings.h"

size_t NextLineStart(const std::string& text, size_t start) {
    size_t feed = text.find('\n', start);
    return feed == std::string::npos ? text.size() : feed + 1;
}

int IsEmptyLine(const std::string& text, size_t start) {
    if (start >= text.size()) return 0;
    // A lone CR is an ordinary byte of the line, not a line end: a header line starting
    // with one does not end the header block.
    if (text[start] == '\r') ++start;
    return start == text.size() || text[start] == '\n' ? 1 : 0;
}

std::string WithCrLf(const std::string& text) {
    std::string result;
    result.reserve(text.size() + text.size() / 32 + 2);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            result += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            result += "\r\n";
        } else {
            result += c;
        }
    }
    return result;
}

void FlattenLineBreaks(char* text) {
    if (text == nullptr) return;
    for (; *text != '\0'; ++text)
        if (*text == '\r' || *text == '\n') *text = ' ';
}

void FlattenLineBreaks(std::string* text) {
    for (char& c : *text)
        if (c == '\r' || c == '\n') c = ' ';
}

int QueuedMessagePath(const MessageRecord& record, bool inboundQueue, char* destination,
                      size_t capacity) {
    char connectorRoot[1024];
    CurrentConnectorRoot(connectorRoot, sizeof connectorRoot);
    return MessageFilePath(connectorRoot, record.connector, record.messageId,
                           inboundQueue ? Queue::kInbound : Queue::kOutgoing, destination,
                           capacity);
}
