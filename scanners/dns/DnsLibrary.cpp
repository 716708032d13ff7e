// scanners/dns/DnsLibrary.cpp: the DNS provider (QPWINDNS): blacklist lookups of the
// hosts and addresses of message links, and the logging hook the plug-in hands over.
//
// A host name is looked up in the URI (domain) blacklists, itself and its parent
// domains; an IPv4 address, given as the address text or as the host itself, in the IP
// blacklists by its reversed octets (RFC 5782). An answer in 127.0.0.0/8 lists it; the
// 127.255.255.0/24 answers are the lists' "query refused" codes and list nothing.
// Failures (timeouts, unreachable servers) also list nothing: a message must not be
// called spam because a resolver is down.
#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "common/RegistryAccess.h"
#include "platform/Sync.h"
#include "scanners/dns/AnswerCache.h"
#include "scanners/dns/Resolver.h"

#define DNS_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr const char* kSettingsKey =
    "SOFTWARE\\Wow6432Node\\Quill Post\\Quill Post\\Providers\\DNS";
constexpr const char* kDefaultIpLists = "zen.spamhaus.org";
constexpr const char* kDefaultUriLists = "dbl.spamhaus.org";
constexpr uint32_t kDefaultTimeoutMs = 2000;
constexpr uint32_t kDefaultTries = 2;
constexpr uint32_t kDefaultCacheEntries = 10000;
constexpr uint32_t kDefaultNegativeSeconds = 300;
constexpr uint32_t kDefaultMaximumSeconds = 3600;
// Parent domains tried below a link's host ("a.b.spam.example" -> "b.spam.example",
// "spam.example"); deeper hosts are cut here, lists hold registered domains.
constexpr int kMaxNamesPerHost = 3;
constexpr size_t kListNameCapacity = 256;
constexpr size_t kMaxHostLength = 253;

// Log levels handed to the plug-in's callback, which writes those within its
// "Debug Logging Level".
constexpr uint32_t kLogProblem = 1;
constexpr uint32_t kLogListing = 3;
constexpr uint32_t kLogLookup = 5;

using LogFunction = int32_t (*)(void*, void*, void*, uint32_t, const char*);

struct DnsSettings {
    dns::ResolverSettings resolver;
    std::vector<std::string> ipLists;
    std::vector<std::string> uriLists;
    uint32_t negativeSeconds;
    uint32_t maximumSeconds;
};

std::atomic<LogFunction> logFunction{nullptr};
std::mutex settingsLock;
bool settingsRead = false;
std::string serverList;  // as DNSInitialize was given it
// Built on first use and never destroyed: a lookup may still run while the process ends.
DnsSettings& SettingsRecord() {
    static auto* record = new DnsSettings;
    return *record;
}
dns::AnswerCache& Cache() {
    static auto* cache = new dns::AnswerCache(kDefaultCacheEntries);
    return *cache;
}

void Log(uint32_t level, const char* format, ...) {
    LogFunction log = logFunction.load();
    if (log == nullptr) return;
    char line[1024];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    log(nullptr, nullptr, nullptr, level, line);
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    std::string current;
    for (char c : text + ",") {
        if (c == ',' || c == ';' || c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!current.empty()) items.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    return items;
}

// The plug-in's "Local DNS Server List" as c-ares takes it: a bare IPv6 address gets
// its brackets so that a port can never be misread.
std::string ServersForResolver(const std::string& list) {
    std::string csv;
    for (const std::string& server : SplitList(list)) {
        size_t colons = 0;
        for (char c : server) colons += c == ':';
        std::string entry = colons >= 2 && server[0] != '[' ? "[" + server + "]" : server;
        csv += (csv.empty() ? "" : ",") + entry;
    }
    return csv;
}

std::string ReadText(const char* name, const char* fallback) {
    char value[2048];
    return ReadRegistryString(kSettingsKey, name, value) ? value : fallback;
}

uint32_t ReadNumber(const char* name, uint32_t fallback) {
    uint32_t value = fallback;
    (void)ReadRegistryDword(kSettingsKey, name, &value);
    return value;
}

void ReadSettings() {
    DnsSettings fresh;
    fresh.ipLists = SplitList(ReadText("IP Blacklists", kDefaultIpLists));
    fresh.uriLists = SplitList(ReadText("URI Blacklists", kDefaultUriLists));
    fresh.resolver.timeoutMs = ReadNumber("Query Timeout", kDefaultTimeoutMs);
    fresh.resolver.tries = ReadNumber("Query Tries", kDefaultTries);
    fresh.negativeSeconds = ReadNumber("Negative Cache Seconds", kDefaultNegativeSeconds);
    fresh.maximumSeconds = ReadNumber("Maximum Cache Seconds", kDefaultMaximumSeconds);
    const uint32_t cacheEntries = ReadNumber("Cache Entries", kDefaultCacheEntries);
    std::lock_guard<std::mutex> hold(settingsLock);
    fresh.resolver.servers = ServersForResolver(serverList);
    SettingsRecord() = fresh;
    settingsRead = true;
    Cache().SetCapacity(cacheEntries);
}

DnsSettings CurrentSettings() {
    {
        std::lock_guard<std::mutex> hold(settingsLock);
        if (settingsRead) return SettingsRecord();
    }
    ReadSettings();
    std::lock_guard<std::mutex> hold(settingsLock);
    return SettingsRecord();
}

bool ParseIpv4(const std::string& text, uint8_t octets[4]) {
    unsigned a, b, c, d;
    char extra;
    if (std::sscanf(text.c_str(), "%3u.%3u.%3u.%3u%c", &a, &b, &c, &d, &extra) != 4) return false;
    if (a > 255 || b > 255 || c > 255 || d > 255) return false;
    octets[0] = static_cast<uint8_t>(a);
    octets[1] = static_cast<uint8_t>(b);
    octets[2] = static_cast<uint8_t>(c);
    octets[3] = static_cast<uint8_t>(d);
    return true;
}

// A host fit for a query: letters, digits, '-', '_' and '.', lower-cased, without a
// trailing dot. Anything else (a percent sign, a port, a user part) is not a name.
bool CleanHost(const char* host, std::string* clean) {
    clean->clear();
    for (const char* p = host; *p != '\0'; ++p) {
        char c = *p;
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        bool fits =
            (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        if (!fits || clean->size() >= kMaxHostLength) return false;
        *clean += c;
    }
    while (!clean->empty() && clean->back() == '.') clean->pop_back();
    return !clean->empty() && clean->find("..") == std::string::npos && (*clean)[0] != '.';
}

dns::LookupResult CachedLookUp(const std::string& name, const DnsSettings& settings) {
    dns::LookupResult result;
    const uint64_t now = platform::TickCountMs();
    if (Cache().Find(name, now, &result)) return result;
    result = dns::LookUpAddress(name, settings.resolver);
    Log(kLogLookup, "DNS lookup %s: %s\n", name.c_str(),
        result.status == dns::LookupStatus::kFound        ? "found"
        : result.status == dns::LookupStatus::kNoSuchName ? "not listed"
                                                          : result.error.c_str());
    if (result.status == dns::LookupStatus::kFailed)
        Log(kLogProblem,
            "DNS lookup of %s failed (%s): check \"Local DNS Server List\" and that the "
            "servers answer\n",
            name.c_str(), result.error.c_str());
    const uint32_t ttl =
        result.status == dns::LookupStatus::kFound ? result.ttlSeconds : settings.negativeSeconds;
    Cache().Store(name, result, std::min(ttl, settings.maximumSeconds), now);
    return result;
}

// 1 when `name` is listed by `list`, with the list's name in listName.
int Listed(const std::string& name, const std::string& list, const DnsSettings& settings,
           char* listName) {
    const dns::LookupResult result = CachedLookUp(name + "." + list, settings);
    if (result.status != dns::LookupStatus::kFound) return 0;
    for (uint32_t address : result.addresses) {
        if ((address >> 24) != 127) continue;
        if ((address >> 8) == 0x7FFFFF) {
            Log(kLogProblem,
                "Blacklist %s refused the query for %s (code 127.255.255.%u): use a DNS server "
                "the list accepts, or remove the list\n",
                list.c_str(), name.c_str(), address & 0xFF);
            continue;
        }
        std::snprintf(listName, kListNameCapacity, "%s", list.c_str());
        Log(kLogListing, "%s is listed in %s (127.%u.%u.%u)\n", name.c_str(), list.c_str(),
            (address >> 16) & 0xFF, (address >> 8) & 0xFF, address & 0xFF);
        return 1;
    }
    return 0;
}

int AddressListed(const std::string& address, const DnsSettings& settings, char* listName) {
    uint8_t octets[4];
    if (!ParseIpv4(address, octets)) return 0;
    char reversed[20];
    std::snprintf(reversed, sizeof reversed, "%u.%u.%u.%u", octets[3], octets[2], octets[1],
                  octets[0]);
    for (const std::string& list : settings.ipLists)
        if (Listed(reversed, list, settings, listName)) return 1;
    return 0;
}

int HostListed(const std::string& host, const DnsSettings& settings, char* listName) {
    std::string name = host;
    for (int i = 0; i < kMaxNamesPerHost; ++i) {
        for (const std::string& list : settings.uriLists)
            if (Listed(name, list, settings, listName)) return 1;
        size_t dot = name.find('.');
        if (dot == std::string::npos || name.find('.', dot + 1) == std::string::npos) break;
        name = name.substr(dot + 1);
    }
    return 0;
}

int32_t CheckLink(const char* host, const char* addressText, char* listName) {
    const DnsSettings settings = CurrentSettings();
    std::string clean;
    uint8_t octets[4];
    const bool hostUsable = host != nullptr && CleanHost(host, &clean);
    if (hostUsable && !ParseIpv4(clean, octets) && HostListed(clean, settings, listName)) return 1;
    if (hostUsable && ParseIpv4(clean, octets) && AddressListed(clean, settings, listName))
        return 1;
    if (addressText != nullptr && addressText[0] != '\0' && clean != addressText &&
        AddressListed(addressText, settings, listName))
        return 1;
    return 0;
}

}  // namespace

DNS_EXPORT int32_t SetLoggingFunction(char*, LogFunction callback, void*, void*) {
    // The plug-in's callback writes to its report log under its own lock; the file name,
    // file and lock are not needed here.
    logFunction.store(callback);
    return 1;
}

DNS_EXPORT int32_t DNSInitialize(const char* dnsServerList) {
    try {
        {
            std::lock_guard<std::mutex> hold(settingsLock);
            serverList = dnsServerList != nullptr ? dnsServerList : "";
        }
        ReadSettings();
        if (!dns::ResolverLibraryStart()) {
            Log(kLogProblem, "The DNS resolver could not start: blacklist checks are off\n");
            return 0;
        }
        return 1;
    } catch (...) {
        return 0;
    }
}

DNS_EXPORT int32_t HasORBDBEntry(const char* host, const char* addressText, char*, char* listName) {
    try {
        if (listName == nullptr) return 0;
        return CheckLink(host, addressText, listName);
    } catch (...) {
        // Out of memory at worst: not listed, and the plug-in goes on.
        return 0;
    }
}
