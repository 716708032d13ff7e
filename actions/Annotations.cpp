// actions/Annotations.cpp: an administrator's annotation texts (disclaimers and the like)
// put before and after a message's body, part by part in multipart messages.
#include <cstdio>
#include <cstring>
#include <string>

#include "actions/MessageRewriting.h"
#include "actions/MessageText.h"
#include "common/AtomicFile.h"
#include "common/TextSearch.h"
#include "frame/MessageEnvelope.h"
#include "frame/Settings.h"

namespace {

constexpr const char* kMarkPrefix = "X-QPFilter: ";
constexpr const char* kMarkLine = "X-QPFilter: 1\r\n";
// Annotations apply to the copy that leaves through this connector.
constexpr const char* kAnnotatedConnector = "LS";

// One annotation to insert, or an empty text when it is switched off or missing.
struct Annotations {
    std::string before;
    bool hasBefore = false;
    std::string after;
    bool hasAfter = false;
};

// The message being rewritten: its text, the reading position and the new text.
struct Rewrite {
    const std::string& text;
    size_t position = 0;
    std::string out;

    bool AtEnd() const { return position >= text.size(); }
    size_t LineLength() const { return NextLineStart(text, position) - position; }
    bool LineStartsWith(const std::string& prefix) const {
        return StartsWithNoCase(text.data() + position, LineLength(), prefix.c_str());
    }
    void CopyLine() {
        size_t next = NextLineStart(text, position);
        out.append(text, position, next - position);
        position = next;
    }
};

// Reads "<config>\POSTOFFICES\<scope>\Annotations\<name>.TXT"; false when it cannot be read.
bool ReadAnnotation(const char* scope, const char* name, std::string* text) {
    char configuration[1024];
    CurrentConfigurationDirectory(configuration, sizeof configuration);
    char path[1800];
    int written = std::snprintf(path, sizeof path, "%s\\POSTOFFICES\\%s\\Annotations\\%s.TXT",
                                configuration, scope, name);
    if (written < 0 || static_cast<size_t>(written) >= sizeof path) return false;
    return ReadMessageBytes(path, text, nullptr) == 1;
}

void InsertAnnotation(Rewrite* rewrite, bool present, const std::string& annotation) {
    if (!present) return;
    rewrite->out += "\r\n";
    rewrite->out += annotation;
    rewrite->out += "\r\n";
}

// The boundary of a "Content-Type: multipart" header: the quoted text after "boundary="
// on the line itself, else the first quoted text of the line that follows it.
std::string QuotedValue(const std::string& line, size_t from) {
    size_t open = line.find('"', from);
    if (open == std::string::npos) return "";
    size_t close = line.find('"', open + 1);
    return close == std::string::npos ? "" : line.substr(open + 1, close - open - 1);
}

struct HeaderPass {
    bool marked = false;
    bool multipart = false;
    std::string boundary;
};

// Copies the header block, marking the message, and reads the multipart boundary. The
// pass ends with the empty line (or the last line), which is copied after the mark.
HeaderPass CopyHeaders(Rewrite* rewrite) {
    HeaderPass pass;
    while (!rewrite->AtEnd()) {
        if (rewrite->LineStartsWith(kMarkPrefix)) {
            pass.marked = true;
            rewrite->out += kMarkLine;
            rewrite->position = NextLineStart(rewrite->text, rewrite->position);
            continue;
        }
        bool lastLine = NextLineStart(rewrite->text, rewrite->position) >= rewrite->text.size();
        if (IsEmptyLine(rewrite->text, rewrite->position) || lastLine) {
            if (!pass.marked) rewrite->out += kMarkLine;
            rewrite->CopyLine();
            return pass;
        }
        if (rewrite->LineStartsWith("Content-Type: multipart")) {
            pass.multipart = true;
            std::string line = rewrite->text.substr(rewrite->position, rewrite->LineLength());
            rewrite->CopyLine();
            size_t parameter = line.find("boundary=");
            if (parameter != std::string::npos) pass.boundary = QuotedValue(line, parameter);
            // Usually the boundary stands on the folded line that follows.
            if (pass.boundary.empty() && !rewrite->AtEnd() &&
                !IsEmptyLine(rewrite->text, rewrite->position)) {
                std::string next = rewrite->text.substr(rewrite->position, rewrite->LineLength());
                rewrite->CopyLine();
                pass.boundary = QuotedValue(next, 0);
            }
            continue;
        }
        rewrite->CopyLine();
    }
    if (!pass.marked) rewrite->out += kMarkLine;
    return pass;
}

void AnnotateSinglePart(Rewrite* rewrite, const Annotations& annotations) {
    InsertAnnotation(rewrite, annotations.hasBefore, annotations.before);
    rewrite->out.append(rewrite->text, rewrite->position, std::string::npos);
    rewrite->position = rewrite->text.size();
    InsertAnnotation(rewrite, annotations.hasAfter, annotations.after);
}

// Only a Content-Type value of exactly "text/plain;" or "text/html;" (its parameters on
// folded lines) marks a part whose text takes the annotations.
bool IsAnnotatedType(std::string value) {
    while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) value.pop_back();
    for (const char* type : {"text/plain;", "text/html;"}) {
        if (value.size() == std::strlen(type) &&
            StartsWithNoCase(value.c_str(), value.size(), type))
            return true;
    }
    return false;
}

// Copies one part's header lines through its empty line; returns its Content-Type value.
std::string CopyPartHeaders(Rewrite* rewrite) {
    std::string contentType;
    const std::string kTypePrefix = "Content-Type: ";
    while (!rewrite->AtEnd()) {
        bool empty = IsEmptyLine(rewrite->text, rewrite->position);
        if (rewrite->LineStartsWith(kTypePrefix)) {
            contentType = rewrite->text.substr(rewrite->position + kTypePrefix.size(),
                                               rewrite->LineLength() - kTypePrefix.size());
        }
        rewrite->CopyLine();
        if (empty) break;
    }
    return contentType;
}

// Copies body lines up to the next delimiter line, which is consumed but not copied.
// Returns the delimiter met (closing or opening), or empty at the end of the message.
std::string CopyPartBody(Rewrite* rewrite, const std::string& opening, const std::string& closing) {
    while (!rewrite->AtEnd()) {
        if (rewrite->LineStartsWith(closing) || rewrite->LineStartsWith(opening)) {
            std::string met = rewrite->LineStartsWith(closing) ? closing : opening;
            rewrite->position = NextLineStart(rewrite->text, rewrite->position);
            return met;
        }
        rewrite->CopyLine();
    }
    return "";
}

void AnnotateMultipart(Rewrite* rewrite, const std::string& boundary,
                       const Annotations& annotations) {
    const std::string opening = "--" + boundary;
    const std::string closing = opening + "--";
    while (!rewrite->AtEnd()) {
        bool first = rewrite->LineStartsWith(opening);
        rewrite->CopyLine();
        if (first) break;
    }
    while (!rewrite->AtEnd()) {
        bool text = IsAnnotatedType(CopyPartHeaders(rewrite));
        if (text) InsertAnnotation(rewrite, annotations.hasBefore, annotations.before);
        std::string delimiter = CopyPartBody(rewrite, opening, closing);
        if (text) InsertAnnotation(rewrite, annotations.hasAfter, annotations.after);
        if (delimiter.empty()) return;
        rewrite->out += delimiter + "\r\n";
        // What follows the closing delimiter is no part of any body and is dropped.
        if (delimiter == closing) return;
    }
}

int MessagePath(const MessageRecord& record, char* destination, size_t capacity) {
    char connectorRoot[1024];
    CurrentConnectorRoot(connectorRoot, sizeof connectorRoot);
    return MessageFilePath(connectorRoot, kAnnotatedConnector, record.messageId, Queue::kOutgoing,
                           destination, capacity);
}

}  // namespace

int AppendAnnotations(MessageRecord* record, const AnnotationRequest* request) {
    if (record == nullptr || request == nullptr) return 0;
    char path[1400];
    if (!MessagePath(*record, path, sizeof path)) return 0;
    std::string text;
    if (!ReadMessageBytes(path, &text, nullptr)) return 0;
    Rewrite rewrite{text, 0, {}};
    rewrite.out.reserve(text.size() + 4096);
    HeaderPass pass = CopyHeaders(&rewrite);
    // A marked message was annotated (or written) by the plug-in before: never twice.
    if (pass.marked || (request->beforeSwitch != 1 && request->afterSwitch != 1)) return 1;
    Annotations annotations;
    annotations.hasBefore =
        request->beforeSwitch == 1 &&
        ReadAnnotation(request->scopeName, request->beforeName, &annotations.before);
    annotations.hasAfter =
        request->afterSwitch == 1 &&
        ReadAnnotation(request->scopeName, request->afterName, &annotations.after);
    if (pass.multipart && pass.boundary.empty()) {
        // Parts that cannot be told apart are left as they are rather than torn.
        rewrite.out.append(text, rewrite.position, std::string::npos);
    } else if (pass.multipart) {
        AnnotateMultipart(&rewrite, pass.boundary, annotations);
    } else {
        AnnotateSinglePart(&rewrite, annotations);
    }
    return ReplaceFileAtomically(path, rewrite.out.data(), rewrite.out.size());
}
