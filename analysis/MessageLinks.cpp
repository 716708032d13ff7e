// analysis/MessageLinks.cpp: finding the web links of a body line and asking the DNS
// provider whether their hosts are blacklisted, within a per-message lookup budget.
#include "analysis/MessageLinks.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "base/ReportLog.h"
#include "base/Settings.h"
#include "common/DelimitedField.h"
#include "common/SafeText.h"
#include "common/TextSearch.h"
#include "platform/Network.h"
#include "providers/DnsProvider.h"

namespace {

// Only plain web links are examined; the lists are of hosts that spam links point to.
constexpr const char* kLinkPrefix = "http://";
constexpr size_t kLinkPrefixLength = 7;
constexpr size_t kHostCapacity = 1024;
constexpr size_t kAddressCapacity = 64;
constexpr size_t kReportCapacity = 1024;
// Longer hosts are cut in the report line so that one link cannot swamp the log.
constexpr int kShownHostLength = 200;

// Links in text and markup end at white space, quotes or angle brackets (RFC 3986 C).
bool EndsLink(char c) {
    return c == '\0' || std::isspace(static_cast<unsigned char>(c)) || c == '"' || c == '\'' ||
           c == '<' || c == '>';
}

const char* LinkEnd(const char* link) {
    while (!EndsLink(*link)) ++link;
    return link;
}

// The host of the link text [begin, end): up to the first "/", the text cut to its
// buffer first. False when it cannot be taken.
bool TakeHost(const char* begin, const char* end, char* host) {
    char linkText[kHostCapacity];
    const size_t length = std::min<size_t>(end - begin, sizeof linkText - 1);
    std::memcpy(linkText, begin, length);
    linkText[length] = '\0';
    return GetDelimitedField(linkText, "/", 1, host, kHostCapacity, 0) != 0;
}

// Resolves the host; a host with escapes is decoded first and the decoded form replaces
// it, so that the lookup and the report see the name the link really leads to.
void ResolveLinkHost(char* host, char* address) {
    address[0] = '\0';
    if (std::strchr(host, '%') == nullptr) {
        ResolveHostAddress(host, address, kAddressCapacity);
        return;
    }
    char decoded[kHostCapacity];
    size_t length = 0;
    PercentDecode(host, decoded, sizeof decoded, &length);
    decoded[length] = '\0';
    ResolveHostAddress(decoded, address, kAddressCapacity);
    SafeCopy(host, decoded, kHostCapacity);
}

void ReportListedLink(const char* messageId, const char* host, const char* address,
                      const char* listName) {
    const bool cut = std::strlen(host) > static_cast<size_t>(kShownHostLength);
    char text[kReportCapacity];
    std::snprintf(text, sizeof text,
                  "Message %s has link to blacklisted IP. %.*s%s (%s) was found in blacklist "
                  "%.*s\n",
                  messageId, kShownHostLength, host, cut ? "..." : "", address,
                  static_cast<int>(kListNameSize - 1), listName);
    WriteReportLog(text);
}

bool IsHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

int HexValue(char c) {
    return std::isdigit(static_cast<unsigned char>(c))
               ? c - '0'
               : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10;
}

}  // namespace

int CheckMessageLinks(const char* messageId, uint32_t& lookups, const char* line, char* workBuffer,
                      char* listName) {
    if (line == nullptr) return 0;
    char host[kHostCapacity] = "";
    char address[kAddressCapacity] = "";
    const char* link = FindNoCase(line, kMeasureLength, kLinkPrefix, kMeasureLength);
    while (link != nullptr) {
        const char* end = LinkEnd(link);
        if (TakeHost(link + kLinkPrefixLength, end, host)) {
            ResolveLinkHost(host, address);
            if (DnsHasORBDBEntry(host, address, workBuffer, listName) != 0) {
                ReportListedLink(messageId != nullptr ? messageId : "", host, address, listName);
                return 1;
            }
            const bool overBudget = lookups > Settings().uriSblMaxChecks;
            ++lookups;
            if (overBudget) return 0;
        }
        link = FindNoCase(end, kMeasureLength, kLinkPrefix, kMeasureLength);
    }
    return 0;
}

int PercentDecode(const char* text, char* output, size_t capacity, size_t* outputLength) {
    size_t written = 0;
    const size_t length = text != nullptr ? std::strlen(text) : 0;
    const size_t room = capacity > 0 ? capacity - 1 : 0;
    // Every character but the last is walked; the last is appended as it is afterwards,
    // even when an escape just consumed it.
    size_t i = 0;
    while (i + 1 < length && written < room) {
        if (text[i] != '%') {
            output[written++] = text[i++];
        } else if (IsHexDigit(text[i + 1]) && IsHexDigit(text[i + 2])) {
            output[written++] =
                static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 3;
        } else {
            ++i;  // a stray "%" is dropped
        }
    }
    if (length > 0 && written < room) output[written++] = text[length - 1];
    if (outputLength != nullptr) *outputLength = written;
    return 1;
}

int ResolveHostAddress(const char* host, char* address, size_t capacity) {
    char resolved[kAddressCapacity];
    if (!platform::ResolveHostName(host, resolved, sizeof resolved)) return 0;
    SafeCopy(address, resolved, capacity);
    return 1;
}
