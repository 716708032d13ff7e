// scanners/bayes/MessageTokens.cpp: header parsing, MIME walking (RFC 2045/2046),
// transfer decoding and word splitting for the classifier.
//
// Everything here works on copies bounded by the caller's read limit; malformed MIME
// (missing boundaries, broken base64) still yields whatever words can be found, never
// an error, because spam is exactly the mail that is malformed.
#include "scanners/bayes/MessageTokens.h"

#include <cctype>
#include <cstring>
#include <string_view>
#include <vector>

namespace bayes {
namespace {

// Deep MIME nesting is a known way to hide text; beyond this depth the rest is read as
// plain text.
constexpr int kMaxMimeDepth = 8;
constexpr size_t kMinWordLength = 3;
constexpr size_t kMaxWordLength = 40;

// Header fields whose words are counted, each under its own prefix.
constexpr const char* kTokenHeaders[] = {"subject",  "from",     "to",           "cc",
                                         "reply-to", "x-mailer", "content-type", "return-path"};

struct Header {
    std::string name;   // lower case
    std::string value;  // unfolded
};

struct Part {
    std::vector<Header> headers;
    std::string body;
};

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Splits at the first empty line (LF or CR LF); headers are unfolded (RFC 5322 2.2.3).
Part SplitPart(std::string_view text) {
    Part part;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos = end + 1;
        if (line.empty()) {
            part.body = std::string(text.substr(pos < text.size() ? pos : text.size()));
            return part;
        }
        if ((line[0] == ' ' || line[0] == '\t') && !part.headers.empty()) {
            part.headers.back().value += " ";
            part.headers.back().value += std::string(line);
            continue;
        }
        size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0) {
            // Not a header: the message has no header block worth the name.
            part.headers.clear();
            part.body = std::string(text);
            return part;
        }
        size_t valueStart = colon + 1;
        while (valueStart < line.size() && (line[valueStart] == ' ' || line[valueStart] == '\t'))
            ++valueStart;
        part.headers.push_back(
            {Lower(line.substr(0, colon)), std::string(line.substr(valueStart))});
    }
    return part;
}

std::string HeaderValue(const Part& part, const char* name) {
    for (const Header& header : part.headers)
        if (header.name == name) return header.value;
    return "";
}

// The value of a Content-Type parameter such as boundary= or charset=.
std::string Parameter(const std::string& value, const char* name) {
    std::string lower = Lower(value);
    std::string key = std::string(name) + "=";
    size_t at = lower.find(key);
    while (at != std::string::npos && at > 0 && lower[at - 1] != ';' && lower[at - 1] != ' ' &&
           lower[at - 1] != '\t')
        at = lower.find(key, at + 1);
    if (at == std::string::npos) return "";
    size_t start = at + key.size();
    if (start < value.size() && value[start] == '"') {
        size_t close = value.find('"', start + 1);
        return value.substr(start + 1,
                            close == std::string::npos ? std::string::npos : close - start - 1);
    }
    size_t stop = value.find_first_of("; \t", start);
    return value.substr(start, stop == std::string::npos ? std::string::npos : stop - start);
}

bool IsWordByte(unsigned char c) {
    return std::isalnum(c) || c == '$' || c == '\'' || c == '-' || c >= 0x80;
}

void AddToken(std::set<std::string>* tokens, std::string token) {
    if (tokens->size() >= kMaxTokensPerMessage) return;
    tokens->insert(std::move(token));
}

void AddWords(std::set<std::string>* tokens, std::string_view text, const std::string& prefix) {
    size_t pos = 0;
    while (pos < text.size() && tokens->size() < kMaxTokensPerMessage) {
        while (pos < text.size() && !IsWordByte(static_cast<unsigned char>(text[pos]))) ++pos;
        size_t start = pos;
        while (pos < text.size() && IsWordByte(static_cast<unsigned char>(text[pos]))) ++pos;
        std::string_view word = text.substr(start, pos - start);
        while (!word.empty() && (word.front() == '\'' || word.front() == '-'))
            word.remove_prefix(1);
        while (!word.empty() && (word.back() == '\'' || word.back() == '-')) word.remove_suffix(1);
        if (word.size() < kMinWordLength) continue;
        if (word.size() > kMaxWordLength) {
            // Long runs (encoded blobs, hashes) tell little by content but something by
            // their mere presence; count them by first byte and length class.
            AddToken(tokens,
                     prefix + "skip:" +
                         static_cast<char>(std::tolower(static_cast<unsigned char>(word[0]))) +
                         std::to_string(word.size() / 10 * 10));
            continue;
        }
        AddToken(tokens, prefix + Lower(word));
    }
}

// Hosts of http(s) links: spam reuses a handful of domains across wildly varying text.
void AddLinkHosts(std::set<std::string>* tokens, std::string_view text) {
    std::string lower = Lower(text);
    size_t at = 0;
    while ((at = lower.find("://", at)) != std::string::npos) {
        size_t start = at + 3;
        size_t stop = lower.find_first_of("/\"'<> \t\r\n?#:", start);
        if (stop == std::string::npos) stop = lower.size();
        if (stop > start && stop - start <= 253)
            AddToken(tokens, "url:" + lower.substr(start, stop - start));
        at = start;
    }
}

void AddPart(std::set<std::string>* tokens, std::string_view text, int depth);

void AddMultipart(std::set<std::string>* tokens, const std::string& body,
                  const std::string& boundary, int depth) {
    const std::string delimiter = "--" + boundary;
    size_t at = body.find(delimiter);
    while (at != std::string::npos) {
        size_t lineEnd = body.find('\n', at);
        if (lineEnd == std::string::npos) return;
        if (body.compare(at + delimiter.size(), 2, "--") == 0) return;  // closing delimiter
        size_t next = body.find(delimiter, lineEnd + 1);
        size_t end = next == std::string::npos ? body.size() : next;
        AddPart(tokens, std::string_view(body).substr(lineEnd + 1, end - lineEnd - 1), depth + 1);
        at = next;
    }
}

void AddPart(std::set<std::string>* tokens, std::string_view text, int depth) {
    Part part = SplitPart(text);
    const std::string contentType = HeaderValue(part, "content-type");
    const std::string type = Lower(contentType.substr(0, contentType.find(';')));
    const std::string boundary = Parameter(contentType, "boundary");
    if (type.rfind("multipart/", 0) == 0 && !boundary.empty() && depth < kMaxMimeDepth) {
        AddMultipart(tokens, part.body, boundary, depth);
        return;
    }
    if (!type.empty() && type.rfind("text/", 0) != 0 && type.rfind("message/", 0) != 0) {
        // An attachment counts by its type only: its bytes are not language.
        AddToken(tokens, "part:" + type);
        return;
    }
    const std::string encoding = Lower(HeaderValue(part, "content-transfer-encoding"));
    std::string decoded = encoding.find("base64") != std::string::npos ? DecodeBase64(part.body)
                          : encoding.find("quoted-printable") != std::string::npos
                              ? DecodeQuotedPrintable(part.body)
                              : part.body;
    if (type == "text/html") {
        AddLinkHosts(tokens, decoded);
        AddToken(tokens, "part:text/html");
        decoded = StripHtml(decoded);
    } else {
        AddLinkHosts(tokens, decoded);
    }
    AddWords(tokens, decoded, "");
}

int Base64Value(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<unsigned char>(std::tolower(c));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string DecodeBase64(const std::string& text) {
    std::string out;
    out.reserve(text.size() * 3 / 4);
    uint32_t bits = 0;
    int count = 0;
    for (unsigned char c : text) {
        if (c == '=') break;
        int value = Base64Value(c);
        if (value < 0) continue;  // line breaks and stray bytes
        bits = (bits << 6) | static_cast<uint32_t>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(static_cast<char>((bits >> count) & 0xFF));
        }
    }
    return out;
}

std::string DecodeQuotedPrintable(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            out.push_back(text[i]);
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '\n') {  // soft line break
            i += 1;
            continue;
        }
        if (i + 2 < text.size() && text[i + 1] == '\r' && text[i + 2] == '\n') {
            i += 2;
            continue;
        }
        int high = i + 1 < text.size() ? HexValue(static_cast<unsigned char>(text[i + 1])) : -1;
        int low = i + 2 < text.size() ? HexValue(static_cast<unsigned char>(text[i + 2])) : -1;
        if (high < 0 || low < 0) {
            out.push_back('=');
            continue;
        }
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return out;
}

std::string StripHtml(const std::string& html) {
    std::string out;
    out.reserve(html.size());
    const std::string lower = Lower(html);
    size_t i = 0;
    while (i < html.size()) {
        if (html[i] == '<') {
            // Script and style bodies are not text the reader sees.
            for (const char* hidden : {"script", "style"}) {
                if (lower.compare(i + 1, std::strlen(hidden), hidden) == 0) {
                    size_t close = lower.find(std::string("</") + hidden, i);
                    i = close == std::string::npos ? html.size() : close;
                    break;
                }
            }
            size_t end = html.find('>', i);
            i = end == std::string::npos ? html.size() : end + 1;
            out.push_back(' ');
            continue;
        }
        if (html[i] == '&') {
            size_t semi = html.find(';', i);
            if (semi != std::string::npos && semi - i <= 8) {
                std::string entity = lower.substr(i + 1, semi - i - 1);
                out.push_back(entity == "amp"  ? '&'
                              : entity == "lt" ? '<'
                              : entity == "gt" ? '>'
                                               : ' ');
                i = semi + 1;
                continue;
            }
        }
        out.push_back(html[i++]);
    }
    return out;
}

std::set<std::string> MessageTokens(const std::string& message) {
    std::set<std::string> tokens;
    Part top = SplitPart(message);
    for (const Header& header : top.headers) {
        for (const char* name : kTokenHeaders) {
            if (header.name != name) continue;
            AddWords(&tokens, header.value, header.name + ":");
            break;
        }
    }
    AddPart(&tokens, message, 0);
    return tokens;
}

}  // namespace bayes
