// platform/StreamSocketText.cpp: what the daemon connections of every platform share:
// the texts of their results, the reading of a "host:port" address and the deadline.
#include "platform/SocketDeadline.h"
#include "platform/StreamSocket.h"

namespace platform {

const char* SocketResultText(SocketResult result) {
    switch (result) {
        case SocketResult::kOk:
            return "ok";
        case SocketResult::kBadAddress:
            return "address not usable";
        case SocketResult::kRefused:
            return "connection refused";
        case SocketResult::kTimedOut:
            return "timed out";
        case SocketResult::kClosed:
            return "connection closed by the daemon";
        case SocketResult::kFailed:
            break;
    }
    return "socket failure";
}

int MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) return 0;
    return left > 0x7fffffff ? 0x7fffffff : static_cast<int>(left);
}

int SplitHostAndPort(const std::string& address, std::string* host, std::string* port) {
    const size_t colon = address.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == address.size()) return 0;
    *host = address.substr(0, colon);
    *port = address.substr(colon + 1);
    if (host->size() >= 2 && host->front() == '[' && host->back() == ']')
        *host = host->substr(1, host->size() - 2);
    return 1;
}

}  // namespace platform
