// providers/DnsProvider.h: the DNS provider library (QPWINDNS.DLL), which answers the
// blacklist lookups of message links.
#pragma once

#include <cstdint>

// Loads the library from the provider directory, hands it the report log's hooks and
// initialises it with the DNS server list. Returns the library's initialise result;
// 0 when it is missing. The library stays loaded for the life of the process.
int32_t LoadDnsProvider(const char* dnsServerList);

// 1 while the library is loaded and offers its lookup entry, so that link blacklist
// criteria can be met; else 0.
int DnsProviderReady();

// Asks the provider whether `host` or `addressText` is listed; `workBuffer` (1024 bytes)
// and `listName` (256 bytes) belong to the caller. Returns the provider's result, 0
// when the library or its entry point is missing. An exception inside the provider is
// reported and then continues to the caller.
int32_t DnsHasORBDBEntry(const char* host, const char* addressText, char* workBuffer,
                         char* listName);

// The logging hook handed to the provider: writes `message` to the report log when
// `level` is within "Debug Logging Level". Returns 1 when written, else 0.
int32_t DnsLogCallback(void* unused1, void* unused2, void* unused3, uint32_t level,
                       const char* message);

// Unloads the library so that the next load starts afresh (tests only: the plug-in
// itself never unloads it).
void UnloadDnsProviderForTesting();
