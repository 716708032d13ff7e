// scanners/dns/Resolver.h: A-record lookups over c-ares (UDP, falling back to TCP on a
// truncated answer) with a per-query timeout and try count.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dns {

struct ResolverSettings {
    std::string servers;  // c-ares server list ("1.2.3.4:53,[::1]:53"); empty: the system's
    uint32_t timeoutMs;   // per try
    uint32_t tries;       // per server
};

enum class LookupStatus {
    kFound,       // addresses hold the A records
    kNoSuchName,  // NXDOMAIN or no A record: definitively not listed
    kFailed,      // timeout, refused, server failure: nothing known
};

struct LookupResult {
    LookupStatus status;
    std::vector<uint32_t> addresses;  // IPv4 in host order
    uint32_t ttlSeconds;              // smallest TTL of the answer (found only)
    std::string error;                // what went wrong (failed only)
};

// Starts the resolver library once per process. Returns 1 when ready.
[[nodiscard]] int ResolverLibraryStart();

// Asks for records of `type` (a DNS RR type, class IN) of `name` and copies the raw
// reply, NXDOMAIN replies included, into *reply. Returns 1 when a server replied; 0 on
// a timeout or when no server could be reached, with the reason in *error.
[[nodiscard]] int QueryRaw(const std::string& name, int type, const ResolverSettings& settings,
                           std::vector<unsigned char>* reply, std::string* error);

// Looks up the A records of `name`. Blocks the caller for at most about
// timeoutMs * tries * servers. Safe to call from many threads: each call has its own
// channel, since the c-ares of this platform does not share one across threads.
LookupResult LookUpAddress(const std::string& name, const ResolverSettings& settings);

}  // namespace dns
