// platform/StreamSocket.h: a client's stream connection to a local daemon, over a unix
// socket or TCP, with one deadline for the whole conversation.
//
// Every call returns by the deadline set at connect time, whatever the peer does
// (silence, a trickle of bytes, a half-closed connection), so that a stuck daemon can
// delay a message by at most its timeout and never hang the thread. Writing to a peer
// that went away is reported, never a signal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

enum class SocketResult {
    kOk,
    kBadAddress,  // the address is neither a unix socket path nor "host:port", or unknown
    kRefused,     // nothing listens there
    kTimedOut,    // the deadline passed
    kClosed,      // the peer closed or reset the connection
    kFailed,      // any other system failure
};

// A short English text for a result ("connection refused", "timed out", ...).
const char* SocketResultText(SocketResult result);

struct StreamSocketState;
using StreamSocket = StreamSocketState*;

// Connects to `address`: a unix socket path (it starts with "/"), or "host:port" with
// a host name, an IPv4 address or a bracketed IPv6 address. The whole conversation
// must end within `timeoutMs` from now, except that a host name is looked up by the
// system resolver first, under its own timeouts (give an address to avoid it).
// On kOk *socket must be closed with SocketClose.
SocketResult SocketConnect(const char* address, uint32_t timeoutMs, StreamSocket* socket);

// Sends all `size` bytes. kOk only when every byte was handed to the system.
SocketResult SocketSend(StreamSocket socket, const void* data, size_t size);

// Receives at most `capacity` bytes into `buffer`; kOk with *received > 0, or kClosed
// with *received 0 when the peer has finished.
SocketResult SocketReceive(StreamSocket socket, void* buffer, size_t capacity, size_t* received);

// Splits "host:port" or "[v6]:port" into its host (without brackets) and port; 0 when
// either part is missing.
int SplitHostAndPort(const std::string& address, std::string* host, std::string* port);

// Closes the connection; null is ignored.
void SocketClose(StreamSocket socket);

}  // namespace platform
