// scanners/spamassassin/SpamdCheck.cpp: the spamd side of a check.
//
// CHECK asks only for the verdict and the score, so spamd sends back a few header lines
// rather than the rewritten message. The request carries its Content-length, which
// spamd needs to know where the message ends, and the message bytes exactly as queued.
#include "scanners/spamassassin/SpamdCheck.h"

#include <strings.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Files.h"
#include "platform/StreamSocket.h"

namespace {

// A CHECK reply is a status line and three headers; anything longer is not spamd.
constexpr size_t kReplyCapacity = 4096;
constexpr char kHeadersEnd[] = "\r\n\r\n";

struct Connection {
    platform::StreamSocket socket = nullptr;
    ~Connection() { platform::SocketClose(socket); }
};

struct OpenFile {
    platform::File file = nullptr;
    ~OpenFile() { platform::FileClose(file); }
};

SpamdAnswer Failed(const char* format, const char* a, const char* b) {
    SpamdAnswer answer{};
    answer.verdict = SpamdVerdict::kFailed;
    std::snprintf(answer.text, sizeof answer.text, format, a, b);
    return answer;
}

// Printable text for a report: control bytes shown as "?", cut at 80 characters.
std::string Shown(const char* text) {
    std::string shown;
    for (const char* c = text; *c != '\0' && shown.size() < 80; ++c)
        shown += (*c >= 0x20 && *c < 0x7f) ? *c : '?';
    return shown;
}

// Reads until spamd closes or its headers are complete.
platform::SocketResult ReceiveReply(platform::StreamSocket socket, std::string* reply) {
    char buffer[1024];
    for (;;) {
        size_t got = 0;
        const platform::SocketResult received =
            platform::SocketReceive(socket, buffer, sizeof buffer, &got);
        reply->append(buffer, got);
        if (reply->find(kHeadersEnd) != std::string::npos) return platform::SocketResult::kOk;
        if (received != platform::SocketResult::kOk) return received;
        if (reply->size() > kReplyCapacity) return platform::SocketResult::kOk;  // judged below
    }
}

// The value of header `name` in the reply's header lines, or null.
const char* HeaderValue(const char* reply, const char* name, std::string* value) {
    const size_t nameLength = std::strlen(name);
    for (const char* line = std::strstr(reply, "\r\n"); line != nullptr;
         line = std::strstr(line, "\r\n")) {
        line += 2;
        if (strncasecmp(line, name, nameLength) != 0 || line[nameLength] != ':') continue;
        const char* start = line + nameLength + 1;
        while (*start == ' ') ++start;
        const char* end = std::strstr(start, "\r\n");
        value->assign(start,
                      end != nullptr ? static_cast<size_t>(end - start) : std::strlen(start));
        return value->c_str();
    }
    return nullptr;
}

// "12.5" or "-0.3": a score as spamd writes it.
bool IsScore(const std::string& text) {
    if (text.empty() || text.size() >= 32) return false;
    char* end = nullptr;
    std::strtod(text.c_str(), &end);
    return end != nullptr && *end == '\0';
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    const size_t last = text.find_last_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

}  // namespace

SpamdAnswer ReadSpamdReply(const char* reply) {
    // "SPAMD/<version> <code> <message>": code 0 is EX_OK, anything else a refusal.
    int code = -1;
    char message[64] = "";
    if (std::sscanf(reply, "SPAMD/%*[0-9.] %d %63[^\r\n]", &code, message) < 1)
        return Failed(
            "spamd gave an unexpected reply \"%s\"%s; check that the SpamAssassin "
            "\"Server\" setting names spamd",
            Shown(reply).c_str(), "");
    if (code != 0)
        return Failed("spamd refused the check: %s; see spamd's log%s", Shown(reply).c_str(), "");
    // "Spam: True ; 10.0 / 5.0" (older daemons say Yes and No).
    std::string spam;
    if (HeaderValue(reply, "Spam", &spam) == nullptr)
        return Failed("spamd's reply has no verdict: \"%s\"%s", Shown(reply).c_str(), "");
    const size_t semicolon = spam.find(';');
    const size_t slash = spam.find('/');
    const std::string flag = Trimmed(spam.substr(0, semicolon));
    SpamdAnswer answer{};
    const std::string score =
        semicolon != std::string::npos && slash != std::string::npos && slash > semicolon
            ? Trimmed(spam.substr(semicolon + 1, slash - semicolon - 1))
            : "";
    const std::string threshold = slash != std::string::npos ? Trimmed(spam.substr(slash + 1)) : "";
    const bool isSpam =
        strcasecmp(flag.c_str(), "True") == 0 || strcasecmp(flag.c_str(), "Yes") == 0;
    const bool isHam =
        strcasecmp(flag.c_str(), "False") == 0 || strcasecmp(flag.c_str(), "No") == 0;
    if ((!isSpam && !isHam) || !IsScore(score) || !IsScore(threshold))
        return Failed("spamd's verdict \"%s\" cannot be read%s", Shown(spam.c_str()).c_str(), "");
    answer.verdict = isSpam ? SpamdVerdict::kSpam : SpamdVerdict::kHam;
    std::snprintf(answer.score, sizeof answer.score, "%s", score.c_str());
    std::snprintf(answer.threshold, sizeof answer.threshold, "%s", threshold.c_str());
    return answer;
}

SpamdAnswer CheckWithSpamd(const SpamdRequest& request) {
    const int64_t size = platform::FileSize(request.messagePath);
    OpenFile message;
    if (size >= 0)
        message.file = platform::FileOpen(request.messagePath, platform::FileMode::kReadBinary);
    if (message.file == nullptr)
        return Failed("message file %s cannot be read%s", request.messagePath, "");
    if (size > request.maxSize) {
        SpamdAnswer answer{};
        answer.verdict = SpamdVerdict::kUnscanned;
        std::snprintf(answer.text, sizeof answer.text,
                      "message of %" PRId64
                      " bytes is larger than the SpamAssassin \"Max Message "
                      "Size\" of %" PRIu32,
                      size, request.maxSize);
        return answer;
    }
    std::string body(static_cast<size_t>(size), '\0');
    // Content-length must be what is sent, even if the file changed since it was measured.
    body.resize(platform::FileRead(message.file, body.data(), body.size()));
    char length[32];
    std::snprintf(length, sizeof length, "%zu", body.size());
    std::string head = std::string("CHECK SPAMC/1.5\r\nContent-length: ") + length + "\r\n";
    if (request.user != nullptr && request.user[0] != '\0')
        head += std::string("User: ") + request.user + "\r\n";
    head += "\r\n";

    Connection spamd;
    platform::SocketResult step =
        platform::SocketConnect(request.address, request.timeoutMs, &spamd.socket);
    if (step != platform::SocketResult::kOk)
        return Failed("spamd at %s: %s; start spamd or correct the SpamAssassin \"Server\" setting",
                      request.address, platform::SocketResultText(step));
    step = platform::SocketSend(spamd.socket, head.data(), head.size());
    if (step == platform::SocketResult::kOk)
        step = platform::SocketSend(spamd.socket, body.data(), body.size());
    std::string reply;
    const platform::SocketResult replied = ReceiveReply(spamd.socket, &reply);
    if (replied == platform::SocketResult::kOk) return ReadSpamdReply(reply.c_str());
    if (!reply.empty() && replied == platform::SocketResult::kClosed)
        return Failed(
            "spamd at %s closed the connection in the middle of its reply \"%s\"; see "
            "spamd's log",
            request.address, Shown(reply.c_str()).c_str());
    if (step == platform::SocketResult::kOk) step = replied;
    return Failed(
        "spamd at %s: %s while checking; check spamd's log and the SpamAssassin "
        "\"Timeout\" setting",
        request.address, platform::SocketResultText(step));
}

int PingSpamd(const char* address, uint32_t timeoutMs) {
    Connection spamd;
    if (platform::SocketConnect(address, timeoutMs, &spamd.socket) != platform::SocketResult::kOk)
        return 0;
    constexpr char kPing[] = "PING SPAMC/1.5\r\n\r\n";
    if (platform::SocketSend(spamd.socket, kPing, sizeof kPing - 1) != platform::SocketResult::kOk)
        return 0;
    std::string reply;
    ReceiveReply(spamd.socket, &reply);
    return reply.find("PONG") != std::string::npos ? 1 : 0;
}
