// platform/EventLog.cpp: the event log as syslog records (one ident per event source),
// debugger output on standard error, and the thread's last error code.
#include "platform/EventLog.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <syslog.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>
#include <string>

#include "platform/NoThrow.h"

namespace platform {

struct EventSourceState {
    std::string ident;
    int socket;
};

namespace {

constexpr const char kLogSocket[] = "/dev/log";
// Longer texts are cut: a syslog datagram of this size passes every daemon.
constexpr size_t kMaxRecord = 8192;
constexpr const char kStringSeparator[] = " | ";

int Severity(uint16_t type) {
    switch (type) {
        case kEventError:
            return LOG_ERR;
        case kEventWarning:
            return LOG_WARNING;
        case kEventInformation:
            return LOG_INFO;
        default:
            return LOG_NOTICE;
    }
}

// The BSD syslog header, "<priority>Mmm dd hh:mm:ss ident[pid]: ", as the C library's
// syslog() writes it; the month names must not follow the locale.
std::string RecordHeader(const std::string& ident, uint16_t type) {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    char header[64];
    snprintf(header, sizeof header, "<%d>%s %2d %02d:%02d:%02d ", LOG_USER | Severity(type),
             kMonths[parts.tm_mon % 12], parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return header + ident + "[" + std::to_string(getpid()) + "]: ";
}

std::string JoinStrings(const char* const* strings, int count) {
    std::string text;
    for (int i = 0; strings != nullptr && i < count; ++i) {
        if (strings[i] == nullptr) continue;
        if (!text.empty()) text += kStringSeparator;
        text += strings[i];
    }
    return text;
}

// Hands the record to the syslog daemon without ever waiting for it: a full or missing
// daemon costs the record, never the caller's time.
bool SendRecord(int socket, const std::string& record) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    snprintf(address.sun_path, sizeof address.sun_path, "%s", kLogSocket);
    size_t size = std::min(record.size(), kMaxRecord);
    ssize_t sent = sendto(socket, record.data(), size, MSG_DONTWAIT | MSG_NOSIGNAL,
                          reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return sent == static_cast<ssize_t>(size);
}

// strerror_r comes in two forms; either way the text is wherever the result says.
[[maybe_unused]] const char* ErrorText(int result, const char* buffer) {
    return result == 0 ? buffer : "Unknown error";
}
[[maybe_unused]] const char* ErrorText(const char* result, const char*) {
    return result;
}

}  // namespace

EventSource RegisterEventSource(const char* sourceName) {
    if (sourceName == nullptr || *sourceName == '\0') return nullptr;
    return NoThrow<EventSource>(nullptr, [&]() -> EventSource {
        int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return nullptr;
        EventSource source = new (std::nothrow) EventSourceState{sourceName, fd};
        if (source == nullptr) close(fd);
        return source;
    });
}

int ReportEvent(EventSource source, uint16_t type, uint16_t /*category*/, uint32_t /*eventId*/,
                const char* const* strings, int stringCount) {
    if (source == nullptr) return 0;
    return NoThrow(0, [&] {
        std::string record = RecordHeader(source->ident, type) + JoinStrings(strings, stringCount);
        return SendRecord(source->socket, record) ? 1 : 0;
    });
}

void DeregisterEventSource(EventSource source) {
    if (source == nullptr) return;
    close(source->socket);
    delete source;
}

void OutputDebugString(const char* text) {
    if (text == nullptr) return;
    fputs(text, stderr);
    fflush(stderr);
}

uint32_t LastErrorCode() {
    return static_cast<uint32_t>(errno);
}

void ErrorCodeText(uint32_t code, char* destination, size_t capacity) {
    if (destination == nullptr || capacity == 0) return;
    char buffer[256] = "";
    const char* text = ErrorText(strerror_r(static_cast<int>(code), buffer, sizeof buffer), buffer);
    size_t length = strnlen(text, capacity - 1);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) --length;
    memcpy(destination, text, length);
    destination[length] = '\0';
}

}  // namespace platform
