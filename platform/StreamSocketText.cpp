// platform/StreamSocketText.cpp: what the daemon connections of every platform share:
// the texts of their results and the reading of a "host:port" address.
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
