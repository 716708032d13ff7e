// actions/Annotations.cpp: an administrator's annotation texts (disclaimers and the like)
// put before and after a message's body, in each text part of a multipart message.
//
// An annotation only ever adds text: the new message is the old one with the mark header
// and the annotations inserted, every other byte kept, so that no part, delimiter,
// preamble or epilogue can be lost. Text is added only where a reader will see it as
// text: in a text/plain or text/html part that is not an attachment, written as the
// part's transfer encoding needs (quoted-printable encoded into a quoted-printable
// part; a base64 part is never touched).
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "actions/MessageRewriting.h"
#include "actions/MessageText.h"
#include "actions/MimeEntity.h"
#include "base/LoopMark.h"
#include "base/MessageEnvelope.h"
#include "base/Settings.h"
#include "common/AtomicFile.h"
#include "common/TextSearch.h"
#include "common/WholeFile.h"
#include "filters/ScopePaths.h"

namespace {

// Annotations apply to the copy that leaves through this connector.
constexpr const char* kAnnotatedConnector = "LS";
// RFC 2045 6.7: encoded lines of at most 76 characters, the soft break's "=" included.
constexpr size_t kQuotedPrintableLine = 75;
// The configuration directory (at most 1023 characters), the scope's folder and the
// annotation's name (at most 255 each) and the folders between them.
constexpr size_t kAnnotationPathCapacity = 1800;

// The annotation texts to insert; a text is empty when switched off or missing.
struct Annotations {
    std::string before;
    bool hasBefore = false;
    std::string after;
    bool hasAfter = false;
};

// One piece of text to put in at a position of the original message.
struct Insertion {
    size_t position;
    std::string text;
};

// Reads "<config>\POSTOFFICES\<scope>\Annotations\<name>.TXT" with CR LF line ends;
// false when it cannot be read.
bool ReadAnnotation(const char* scope, const char* name, std::string* text) {
    char path[kAnnotationPathCapacity];
    if (!BuildScopePath(FilterScope::kPostoffice, scope, nullptr, ScopeFile::kAnnotation, name,
                        path, sizeof path))
        return false;
    if (ReadWholeFile(path, text, nullptr) != 1) return false;
    *text = WithCrLf(*text);
    return true;
}

// The annotation as HTML: special characters escaped, each line ended by <br>.
std::string AsHtml(std::string annotation) {
    while (!annotation.empty() && (annotation.back() == '\n' || annotation.back() == '\r'))
        annotation.pop_back();
    std::string html = "<br>\r\n";
    for (size_t i = 0; i < annotation.size(); ++i) {
        const char c = annotation[i];
        if (c == '&') {
            html += "&amp;";
        } else if (c == '<') {
            html += "&lt;";
        } else if (c == '>') {
            html += "&gt;";
        } else if (c == '"') {
            html += "&quot;";
        } else if (c == '\r' && i + 1 < annotation.size() && annotation[i + 1] == '\n') {
            html += "<br>\r\n";
            ++i;
        } else {
            html += c;
        }
    }
    return html + "<br>\r\n";
}

// `text` (CR LF line ends) quoted-printable encoded (RFC 2045 6.7): "=", control
// characters and 8-bit bytes as "=XX", white space at a line's end too, and lines
// longer than the limit wrapped with soft breaks. Hard line breaks stay CR LF.
std::string QuotedPrintable(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    size_t lineLength = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            encoded += "\r\n";
            lineLength = 0;
            ++i;
            continue;
        }
        const bool lineEnds = i + 1 == text.size() || text[i + 1] == '\r';
        const bool literal =
            (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !lineEnds);
        std::string piece = literal ? std::string(1, static_cast<char>(c))
                                    : std::string{'=', kHex[c >> 4], kHex[c & 15]};
        if (lineLength + piece.size() > kQuotedPrintableLine) {
            encoded += "=\r\n";
            lineLength = 0;
        }
        encoded += piece;
        lineLength += piece.size();
    }
    return encoded;
}

// The position just after the opening <body ...> tag of an HTML text, or npos.
size_t AfterBodyTag(const std::string& text, size_t begin, size_t end) {
    for (size_t at = begin; at + 5 <= end; ++at) {
        if (!StartsWithNoCase(text.data() + at, end - at, "<body")) continue;
        const char next = at + 5 < end ? text[at + 5] : '\0';
        if (next != '>' && next != ' ' && next != '\t' && next != '\r' && next != '\n') continue;
        const size_t close = text.find('>', at);
        return close == std::string::npos || close >= end ? std::string::npos : close + 1;
    }
    return std::string::npos;
}

// The position of the last </body> tag of an HTML text, or npos.
size_t ClosingBodyTag(const std::string& text, size_t begin, size_t end) {
    for (size_t at = end; at-- > begin;) {
        if (end - at >= 7 && StartsWithNoCase(text.data() + at, end - at, "</body>")) return at;
    }
    return std::string::npos;
}

bool AtLineStart(const std::string& text, size_t position, size_t lineStartFloor) {
    return position <= lineStartFloor || text[position - 1] == '\n';
}

// Adds the insertion of `decoded` (the text a reader is to see) at `position`, written
// as the part's transfer encoding needs.
void Insert(const std::string& text, size_t position, size_t bodyStart, bool quotedPrintable,
            std::string decoded, std::vector<Insertion>* insertions) {
    if (!quotedPrintable) {
        insertions->push_back({position, std::move(decoded)});
        return;
    }
    const bool lineStart = AtLineStart(text, position, bodyStart);
    std::string encoded = QuotedPrintable(decoded);
    // In the middle of an encoded line a soft break ends it without a line break in the
    // decoded text; one at the end joins what follows on, as it was joined before.
    if (!lineStart) encoded.insert(0, "=\r\n");
    const bool followed =
        position < text.size() && text[position] != '\r' && text[position] != '\n' && !lineStart;
    if (followed && encoded.size() >= 2 && encoded.compare(encoded.size() - 2, 2, "\r\n") != 0)
        encoded += "=\r\n";
    insertions->push_back({position, encoded});
}

// The annotations of one text part (or a single-part message) whose body is
// [bodyStart, bodyEnd). Anything but an inline text/plain or text/html part in a
// transfer encoding we can write (none, 7bit, 8bit, binary, quoted-printable) is left
// alone: text added to an attachment or inside base64 would corrupt it.
void AnnotateLeaf(const std::string& text, const EntityHeaders& headers,
                  const std::string& defaultType, size_t bodyStart, size_t bodyEnd,
                  const Annotations& annotations, std::vector<Insertion>* insertions) {
    const std::string type = headers.mediaType.empty() ? defaultType : headers.mediaType;
    const bool html = type == "text/html";
    if ((type != "text/plain" && !html) || headers.disposition == "attachment") return;
    const std::string& encoding = headers.transferEncoding;
    const bool quotedPrintable = encoding == "quoted-printable";
    if (!quotedPrintable && !encoding.empty() && encoding != "7bit" && encoding != "8bit" &&
        encoding != "binary")
        return;
    if (annotations.hasBefore) {
        size_t position = bodyStart;
        if (html) {
            const size_t afterTag = AfterBodyTag(text, bodyStart, bodyEnd);
            if (afterTag != std::string::npos) position = afterTag;
        }
        Insert(text, position, bodyStart, quotedPrintable,
               html ? AsHtml(annotations.before) : "\r\n" + annotations.before + "\r\n",
               insertions);
    }
    if (annotations.hasAfter) {
        size_t position = bodyEnd;
        if (html) {
            const size_t closing = ClosingBodyTag(text, bodyStart, bodyEnd);
            if (closing != std::string::npos) position = closing;
        }
        Insert(text, position, bodyStart, quotedPrintable,
               html ? AsHtml(annotations.after) : "\r\n" + annotations.after + "\r\n", insertions);
    }
}

// The annotations of the entity whose headers are `headers` and whose body is
// [bodyStart, bodyEnd), following multiparts down to kMaxMimeDepth. Signed and encrypted
// multiparts are left whole: any change would break their signature.
void AnnotateEntity(const std::string& text, const EntityHeaders& headers,
                    const std::string& defaultType, size_t bodyStart, size_t bodyEnd, int depth,
                    const Annotations& annotations, std::vector<Insertion>* insertions) {
    if (headers.mediaType.rfind("multipart/", 0) != 0) {
        AnnotateLeaf(text, headers, defaultType, bodyStart, bodyEnd, annotations, insertions);
        return;
    }
    if (depth >= kMaxMimeDepth || headers.mediaType == "multipart/signed" ||
        headers.mediaType == "multipart/encrypted")
        return;
    // RFC 2046 5.1.5: a digest's parts are messages unless they say otherwise.
    const std::string partDefault =
        headers.mediaType == "multipart/digest" ? "message/rfc822" : "text/plain";
    for (const PartSpan& part : SplitMultipart(text, bodyStart, bodyEnd, headers.boundary)) {
        const EntityHeaders partHeaders = ReadEntityHeaders(text, part.begin, part.end);
        if (!partHeaders.hasEmptyLine) continue;  // no body to add to
        AnnotateEntity(text, partHeaders, partDefault, partHeaders.bodyStart, part.end, depth + 1,
                       annotations, insertions);
    }
}

// The message with the insertions made, every other byte as it was.
std::string WithInsertions(const std::string& text, std::vector<Insertion> insertions) {
    std::stable_sort(
        insertions.begin(), insertions.end(),
        [](const Insertion& a, const Insertion& b) { return a.position < b.position; });
    std::string result;
    size_t added = 0;
    for (const Insertion& insertion : insertions) added += insertion.text.size();
    result.reserve(text.size() + added);
    size_t copied = 0;
    for (const Insertion& insertion : insertions) {
        result.append(text, copied, insertion.position - copied);
        result += insertion.text;
        copied = insertion.position;
    }
    result.append(text, copied, std::string::npos);
    return result;
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
    char path[kQueuePathCapacity];
    if (!MessagePath(*record, path, sizeof path)) return 0;
    std::string text;
    if (!ReadWholeFile(path, &text, nullptr)) return 0;
    const EntityHeaders headers = ReadEntityHeaders(text, 0, text.size());
    // A marked message was annotated (or written) by the plug-in before: never twice.
    if (headers.marked || (request->beforeSwitch != 1 && request->afterSwitch != 1)) return 1;
    Annotations annotations;
    annotations.hasBefore =
        request->beforeSwitch == 1 &&
        ReadAnnotation(request->scopeName, request->beforeName, &annotations.before);
    annotations.hasAfter =
        request->afterSwitch == 1 &&
        ReadAnnotation(request->scopeName, request->afterName, &annotations.after);

    std::vector<Insertion> insertions;
    if (headers.hasEmptyLine) {
        insertions.push_back({headers.headerEnd, kLoopMarkLine});
        AnnotateEntity(text, headers, "text/plain", headers.bodyStart, text.size(), 0, annotations,
                       &insertions);
    } else {
        // Nothing but headers: the mark goes at the end, and there is no body to annotate.
        const bool ended = !text.empty() && text.back() == '\n';
        insertions.push_back({text.size(), std::string(ended ? "" : "\r\n") + kLoopMarkLine});
    }
    const std::string result = WithInsertions(text, std::move(insertions));
    return ReplaceFileAtomically(path, result.data(), result.size());
}
