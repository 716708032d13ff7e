// scanners/clamav/ClamdScan.h: one message file scanned by clamd over its INSTREAM
// command.
#pragma once

#include <cstddef>
#include <cstdint>

enum class ClamdVerdict {
    kClean,
    kInfected,
    kNotScanned,  // the daemon could not be asked or did not answer; see the text
};

struct ClamdRequest {
    const char* address;       // unix socket path or "host:port"
    uint32_t timeoutMs;        // for the whole exchange
    uint64_t streamMaxLength;  // clamd's StreamMaxLength: longer files are not sent
    const char* messagePath;   // the file to scan (Windows or host path)
};

// Streams the file in chunks and reads clamd's verdict. `text` receives the signature
// name for kInfected, or why nothing was scanned for kNotScanned (empty when clean).
ClamdVerdict ScanWithClamd(const ClamdRequest& request, char* text, size_t capacity);

// Reads one clamd reply ("stream: OK", "stream: <name> FOUND", "... ERROR"). `text` as
// for ScanWithClamd.
ClamdVerdict ReadClamdReply(const char* reply, char* text, size_t capacity);
