// providers/DnsProvider.cpp: loading and calling the DNS provider library.
//
// The provider is never unloaded: it may have started resolver threads of its own,
// and it holds the report log's hooks.
#include "providers/DnsProvider.h"

#include <cstdio>
#include <exception>

#include "base/OutsideExceptionReport.h"
#include "base/ReportLog.h"
#include "base/Settings.h"
#include "platform/GuardedCall.h"
#include "platform/Library.h"

namespace {

using DnsLogFunction = int32_t (*)(void*, void*, void*, uint32_t, const char*);
using SetLoggingFunctionEntry = int32_t (*)(char* reportFileName, DnsLogFunction callback,
                                            void* reportFileVariable, void* reportLogLock);
using DnsInitializeEntry = int32_t (*)(const char* dnsServerList);
using HasOrbdbEntry = int32_t (*)(const char* host, const char* addressText, char* workBuffer,
                                  char* listName);

platform::Library dnsLibrary = nullptr;

}  // namespace

int32_t LoadDnsProvider(const char* dnsServerList) {
    ReadProviderDirectory();  // the store settings that also hold it are read later
    char path[1100];
    std::snprintf(path, sizeof path, "%s\\QPWINDNS.DLL", Settings().providerDirectory);
    // Loaded again in the same process (the plug-in loaded anew, or mtafilter evaluating
    // as the plug-in does), the library already held is initialised again: a second
    // handle would only be lost, since none is ever released.
    if (dnsLibrary == nullptr) dnsLibrary = platform::LibraryLoad(path);
    if (dnsLibrary == nullptr) return 0;

    auto setLogging = reinterpret_cast<SetLoggingFunctionEntry>(
        platform::LibraryEntry(dnsLibrary, "SetLoggingFunction"));
    if (setLogging != nullptr && ReportLogLockHandle() != nullptr)
        setLogging(ReportLogCurrentFileName(), DnsLogCallback, ReportLogFileVariable(),
                   ReportLogLockHandle());

    auto initialize =
        reinterpret_cast<DnsInitializeEntry>(platform::LibraryEntry(dnsLibrary, "DNSInitialize"));
    if (initialize == nullptr) return 0;
    return initialize(dnsServerList);
}

int DnsProviderReady() {
    return dnsLibrary != nullptr && platform::LibraryEntry(dnsLibrary, "HasORBDBEntry") != nullptr
               ? 1
               : 0;
}

int32_t DnsHasORBDBEntry(const char* host, const char* addressText, char* workBuffer,
                         char* listName) {
    if (dnsLibrary == nullptr) return 0;
    auto lookup =
        reinterpret_cast<HasOrbdbEntry>(platform::LibraryEntry(dnsLibrary, "HasORBDBEntry"));
    if (lookup == nullptr) return 0;
    try {
        return platform::GuardedCall(
            [&] { return lookup(host, addressText, workBuffer, listName); });
    } catch (...) {
        ReportOutsideException(std::current_exception(), "HasORBDBEntry", "SMTP/DNSQuery", 104);
        throw;
    }
}

int32_t DnsLogCallback(void*, void*, void*, uint32_t level, const char* message) {
    if (level > Settings().debugLoggingLevel) return 0;
    WriteReportLog(message);
    return 1;
}

void UnloadDnsProviderForTesting() {
    platform::LibraryUnload(dnsLibrary);
    dnsLibrary = nullptr;
}
