// actions/MimeEntity.cpp: reading the MIME structure of a message held in memory.
#include "actions/MimeEntity.h"

#include <cctype>

namespace {

constexpr const char* kMarkName = "x-qpfilter";

// The end of the line starting at `line` (its CR LF or LF excluded) and the start of the
// next one, both bounded by `end`.
struct LineBounds {
    size_t contentEnd;
    size_t next;
};

LineBounds BoundsOf(const std::string& text, size_t line, size_t end) {
    size_t feed = text.find('\n', line);
    if (feed == std::string::npos || feed >= end) {
        size_t contentEnd = end;
        if (contentEnd > line && text[contentEnd - 1] == '\r') --contentEnd;
        return {contentEnd, end};
    }
    size_t contentEnd = feed;
    if (contentEnd > line && text[contentEnd - 1] == '\r') --contentEnd;
    return {contentEnd, feed + 1};
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trimmed(const std::string& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && (IsBlank(text[first]) || text[first] == '\r' || text[first] == '\n'))
        ++first;
    while (last > first &&
           (IsBlank(text[last - 1]) || text[last - 1] == '\r' || text[last - 1] == '\n'))
        --last;
    return text.substr(first, last - first);
}

// The media type of a Content-Type value and its boundary parameter. Parameters are
// "name=value" or "name=\"quoted value\"" after semicolons (RFC 2045 5.1).
void ParseContentType(const std::string& value, EntityHeaders* headers) {
    size_t semicolon = value.find(';');
    headers->mediaType = Lower(Trimmed(value.substr(0, semicolon)));
    size_t at = semicolon;
    while (at != std::string::npos && at < value.size()) {
        ++at;  // past the ';'
        while (at < value.size() && IsBlank(value[at])) ++at;
        size_t equals = value.find('=', at);
        if (equals == std::string::npos) return;
        const size_t next = value.find(';', at);
        if (next != std::string::npos && next < equals) {  // a parameter without a value
            at = next;
            continue;
        }
        std::string name = Lower(Trimmed(value.substr(at, equals - at)));
        at = equals + 1;
        while (at < value.size() && IsBlank(value[at])) ++at;
        std::string parameter;
        if (at < value.size() && value[at] == '"') {
            for (++at; at < value.size() && value[at] != '"'; ++at) {
                if (value[at] == '\\' && at + 1 < value.size()) ++at;
                parameter += value[at];
            }
            at = value.find(';', at);
        } else {
            size_t stop = value.find(';', at);
            parameter = Trimmed(
                value.substr(at, stop == std::string::npos ? std::string::npos : stop - at));
            at = stop;
        }
        if (name == "boundary" && headers->boundary.empty()) headers->boundary = parameter;
    }
}

void TakeField(const std::string& name, const std::string& value, EntityHeaders* headers) {
    const std::string field = Lower(Trimmed(name));
    if (field == "content-type" && headers->mediaType.empty()) {
        ParseContentType(value, headers);
    } else if (field == "content-transfer-encoding" && headers->transferEncoding.empty()) {
        headers->transferEncoding = Lower(Trimmed(value));
    } else if (field == "content-disposition" && headers->disposition.empty()) {
        const std::string first = Trimmed(value.substr(0, value.find(';')));
        headers->disposition = Lower(first);
    } else if (field == kMarkName) {
        headers->marked = true;
    }
}

// 0: not a delimiter of `boundary`; 1: a part delimiter; 2: the closing delimiter.
int DelimiterKind(const std::string& text, size_t line, size_t contentEnd,
                  const std::string& boundary) {
    const size_t length = contentEnd - line;
    if (length < boundary.size() + 2 || text.compare(line, 2, "--") != 0 ||
        text.compare(line + 2, boundary.size(), boundary) != 0)
        return 0;
    size_t at = line + 2 + boundary.size();
    int kind = 1;
    if (contentEnd - at >= 2 && text.compare(at, 2, "--") == 0) {
        kind = 2;
        at += 2;
    }
    // Only white space may follow (RFC 2046 5.1.1 allows transport padding).
    for (; at < contentEnd; ++at)
        if (!IsBlank(text[at])) return 0;
    return kind;
}

}  // namespace

EntityHeaders ReadEntityHeaders(const std::string& text, size_t start, size_t end) {
    EntityHeaders headers;
    headers.headerEnd = end;
    headers.bodyStart = end;
    std::string name;
    std::string value;
    bool inField = false;
    for (size_t line = start; line < end;) {
        const LineBounds bounds = BoundsOf(text, line, end);
        if (bounds.contentEnd == line && bounds.next > line) {  // the empty line
            headers.headerEnd = line;
            headers.bodyStart = bounds.next;
            headers.hasEmptyLine = true;
            break;
        }
        const std::string content = text.substr(line, bounds.contentEnd - line);
        if (IsBlank(content[0]) && inField) {
            value += content;  // a folded line continues the field (RFC 5322 2.2.3)
        } else {
            if (inField) TakeField(name, value, &headers);
            const size_t colon = content.find(':');
            inField = colon != std::string::npos;
            if (inField) {
                name = content.substr(0, colon);
                value = content.substr(colon + 1);
            }
        }
        line = bounds.next;
    }
    if (inField) TakeField(name, value, &headers);
    return headers;
}

std::vector<PartSpan> SplitMultipart(const std::string& text, size_t bodyStart, size_t bodyEnd,
                                     const std::string& boundary) {
    std::vector<PartSpan> parts;
    if (boundary.empty()) return parts;
    bool open = false;
    size_t partBegin = 0;
    for (size_t line = bodyStart; line < bodyEnd;) {
        const LineBounds bounds = BoundsOf(text, line, bodyEnd);
        const int kind = DelimiterKind(text, line, bounds.contentEnd, boundary);
        if (kind != 0) {
            if (open) parts.push_back({partBegin, line});
            if (kind == 2) return parts;
            open = true;
            partBegin = bounds.next;
        }
        line = bounds.next;
    }
    // A multipart cut off before its closing delimiter keeps its last part.
    if (open) parts.push_back({partBegin, bodyEnd});
    return parts;
}
