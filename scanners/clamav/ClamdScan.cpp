// scanners/clamav/ClamdScan.cpp: the clamd side of a scan.
//
// The message goes as INSTREAM chunks (a 4-byte big-endian length, then the bytes, a
// zero length at the end), so that clamd need not see the queue's files and the
// message never sits whole in memory. A file longer than clamd's StreamMaxLength is not
// sent at all: clamd would cut the connection half way and the verdict would be no
// better than a guess.
#include "scanners/clamav/ClamdScan.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "platform/Files.h"
#include "platform/StreamSocket.h"

namespace {

// The "z" form of the commands: replies end with a NUL, not a line feed.
constexpr char kInstream[] = "zINSTREAM";
constexpr size_t kChunkSize = 64 * 1024;
// clamd's longest reply is a signature name and a few words.
constexpr size_t kReplyCapacity = 1024;

constexpr char kStreamPrefix[] = "stream: ";
constexpr char kFoundSuffix[] = " FOUND";
constexpr char kErrorSuffix[] = " ERROR";

bool EndsWith(const char* text, size_t length, const char* suffix) {
    const size_t suffixLength = std::strlen(suffix);
    return length >= suffixLength &&
           std::memcmp(text + length - suffixLength, suffix, suffixLength) == 0;
}

// Owns the connection so that every way out closes it.
struct Connection {
    platform::StreamSocket socket = nullptr;
    ~Connection() { platform::SocketClose(socket); }
};

struct OpenFile {
    platform::File file = nullptr;
    ~OpenFile() { platform::FileClose(file); }
};

void PutLength(unsigned char (&bytes)[4], uint32_t length) {
    bytes[0] = static_cast<unsigned char>(length >> 24);
    bytes[1] = static_cast<unsigned char>(length >> 16);
    bytes[2] = static_cast<unsigned char>(length >> 8);
    bytes[3] = static_cast<unsigned char>(length);
}

// Sends the command, the file's chunks and the closing zero length. kOk, or the first
// failure; `readFailed` is set when the file, not the socket, failed.
platform::SocketResult SendStream(platform::StreamSocket socket, platform::File file,
                                  bool* readFailed) {
    platform::SocketResult sent = platform::SocketSend(socket, kInstream, sizeof kInstream);
    static thread_local char chunk[kChunkSize];
    while (sent == platform::SocketResult::kOk) {
        const size_t got = platform::FileRead(file, chunk, sizeof chunk);
        unsigned char length[4];
        PutLength(length, static_cast<uint32_t>(got));
        sent = platform::SocketSend(socket, length, sizeof length);
        if (got == 0) break;
        if (sent == platform::SocketResult::kOk) sent = platform::SocketSend(socket, chunk, got);
        if (got < sizeof chunk) {
            // Short read: the end of the file, unless a read error cut it.
            if (platform::FileRead(file, chunk, 1) != 0) *readFailed = true;
            if (*readFailed) return platform::SocketResult::kFailed;
        }
    }
    return sent;
}

// Reads up to the NUL that ends the reply (or the close); kOk with the reply.
platform::SocketResult ReceiveReply(platform::StreamSocket socket, char (&reply)[kReplyCapacity]) {
    size_t length = 0;
    for (;;) {
        size_t got = 0;
        const platform::SocketResult received =
            platform::SocketReceive(socket, reply + length, sizeof reply - 1 - length, &got);
        length += got;
        reply[length] = '\0';
        if (std::memchr(reply, '\0', length) != nullptr) return platform::SocketResult::kOk;
        if (received == platform::SocketResult::kClosed)
            return length > 0 ? platform::SocketResult::kOk : received;
        if (received != platform::SocketResult::kOk) return received;
        if (length == sizeof reply - 1) return platform::SocketResult::kOk;  // judged as garbage
    }
}

}  // namespace

ClamdVerdict ReadClamdReply(const char* reply, char* text, size_t capacity) {
    text[0] = '\0';
    size_t length = std::strlen(reply);
    while (length > 0 && (reply[length - 1] == '\n' || reply[length - 1] == '\r')) --length;
    const size_t prefixLength = sizeof kStreamPrefix - 1;
    const bool fromStream =
        length >= prefixLength && std::memcmp(reply, kStreamPrefix, prefixLength) == 0;
    if (fromStream && length == prefixLength + 2 && std::memcmp(reply + prefixLength, "OK", 2) == 0)
        return ClamdVerdict::kClean;
    if (fromStream && EndsWith(reply, length, kFoundSuffix)) {
        const size_t nameLength = length - prefixLength - (sizeof kFoundSuffix - 1);
        if (nameLength > 0 && nameLength < capacity) {
            std::memcpy(text, reply + prefixLength, nameLength);
            text[nameLength] = '\0';
            return ClamdVerdict::kInfected;
        }
    }
    // Printable text only in what goes to the registry and the log.
    char shown[kReplyCapacity];
    size_t shownLength = 0;
    for (size_t i = 0; i < length && shownLength < 80; ++i)
        shown[shownLength++] = (reply[i] >= 0x20 && reply[i] < 0x7f) ? reply[i] : '?';
    shown[shownLength] = '\0';
    if (std::strstr(shown, "size limit exceeded") != nullptr)
        std::snprintf(text, capacity,
                      "clamd refused the message as larger than its StreamMaxLength (%s); set "
                      "\"Stream Max Length\" no higher than clamd's StreamMaxLength",
                      shown);
    else if (EndsWith(reply, length, kErrorSuffix))
        std::snprintf(text, capacity, "clamd reported an error: %s; see clamd's log", shown);
    else
        std::snprintf(text, capacity,
                      "clamd gave an unexpected reply \"%s\"; check that the ClamAV \"Socket\" "
                      "setting names clamd",
                      shown);
    return ClamdVerdict::kNotScanned;
}

ClamdVerdict ScanWithClamd(const ClamdRequest& request, char* text, size_t capacity) {
    text[0] = '\0';
    const int64_t size = platform::FileSize(request.messagePath);
    OpenFile message;
    if (size >= 0)
        message.file = platform::FileOpen(request.messagePath, platform::FileMode::kReadBinary);
    if (message.file == nullptr) {
        std::snprintf(text, capacity, "message file %s cannot be read", request.messagePath);
        return ClamdVerdict::kNotScanned;
    }
    if (static_cast<uint64_t>(size) > request.streamMaxLength) {
        std::snprintf(text, capacity,
                      "message %s not scanned: %" PRId64
                      " bytes is more than the ClamAV "
                      "\"Stream Max Length\" of %" PRIu64,
                      request.messagePath, size, request.streamMaxLength);
        return ClamdVerdict::kNotScanned;
    }

    Connection clamd;
    platform::SocketResult step =
        platform::SocketConnect(request.address, request.timeoutMs, &clamd.socket);
    if (step != platform::SocketResult::kOk) {
        std::snprintf(text, capacity,
                      "clamd at %s: %s; start clamd or correct the ClamAV \"Socket\" setting",
                      request.address, platform::SocketResultText(step));
        return ClamdVerdict::kNotScanned;
    }
    bool readFailed = false;
    step = SendStream(clamd.socket, message.file, &readFailed);
    if (readFailed) {
        std::snprintf(text, capacity, "message file %s could not be read whole",
                      request.messagePath);
        return ClamdVerdict::kNotScanned;
    }
    // clamd may stop reading and answer early (a size limit): its reply says more than
    // the broken send does.
    char reply[kReplyCapacity] = "";
    const platform::SocketResult replied = ReceiveReply(clamd.socket, reply);
    if (replied == platform::SocketResult::kOk) return ReadClamdReply(reply, text, capacity);
    if (step == platform::SocketResult::kOk) step = replied;
    std::snprintf(text, capacity,
                  "clamd at %s: %s while scanning; check clamd's log and the ClamAV \"Timeout\" "
                  "setting",
                  request.address, platform::SocketResultText(step));
    return ClamdVerdict::kNotScanned;
}
