// scanners/spamassassin/SpamdCheck.h: one message checked by spamd over the spamc
// protocol (CHECK, SPAMC/1.5).
#pragma once

#include <cstddef>
#include <cstdint>

enum class SpamdVerdict {
    kHam,
    kSpam,
    kUnscanned,  // larger than the configured maximum: not sent
    kFailed,     // spamd could not be asked or gave no usable answer; see the text
};

struct SpamdRequest {
    const char* address;      // unix socket path or "host:port"
    uint32_t timeoutMs;       // for the whole exchange
    uint32_t maxSize;         // larger messages are not sent
    const char* user;         // the "User" header; empty sends none
    const char* messagePath;  // the file to check (Windows or host path)
};

struct SpamdAnswer {
    SpamdVerdict verdict;
    char score[32];      // spamd's score, for kHam and kSpam ("10.0")
    char threshold[32];  // spamd's required score
    char text[512];      // why, for kUnscanned and kFailed
};

SpamdAnswer CheckWithSpamd(const SpamdRequest& request);

// Reads spamd's reply to CHECK ("SPAMD/1.1 0 EX_OK\r\n...Spam: True ; 10.0 / 5.0\r\n").
SpamdAnswer ReadSpamdReply(const char* reply);

// Asks spamd for "PONG"; 1 when it answered.
int PingSpamd(const char* address, uint32_t timeoutMs);
