// analysis/Whitelists.cpp: whether the delivering client's address is whitelisted. The
// SMTP connector keeps the system whitelist as value names of a registry key; the
// outbound whitelist is a directory of empty marker files named for addresses, which
// the administration tools create and delete.
#include "analysis/Whitelists.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>

#include "analysis/IpPatterns.h"
#include "analysis/WhitelistPaths.h"
#include "base/OutsideExceptionReport.h"
#include "base/RegistryKeys.h"
#include "base/ReportLog.h"
#include "base/Settings.h"
#include "common/FileQueries.h"
#include "common/RegistryAccess.h"
#include "common/SafeText.h"
#include "filters/EvaluationRecords.h"
#include "platform/Files.h"
#include "platform/Registry.h"

namespace {

constexpr size_t kPatternNameCapacity = 256;
constexpr size_t kAddressKeyCapacity = 66;  // a whole address: at most 65 characters
constexpr size_t kKeyTextCapacity = 128;    // room for four parts of up to 19 characters
constexpr size_t kPartCapacity = 20;
constexpr uint32_t kAddressParts = 4;
constexpr size_t kFieldCapacity = 1024;

// The selectors written as the first character of an alternative.
constexpr char kServerThenAccount = '1';
constexpr char kAccountOnly = '2';

bool IsEmpty(const char* text) {
    return text == nullptr || text[0] == '\0';
}

// Part `index` (from 0) of a dotted address, or empty when it is 20 characters or longer.
void AddressPart(const char* address, uint32_t index, char (&part)[kPartCapacity]) {
    const char* begin = address;
    for (uint32_t i = 0; i < index; ++i) begin = std::strchr(begin, '.') + 1;
    const size_t length = std::strcspn(begin, ".");
    part[0] = '\0';
    if (length >= sizeof part) return;
    std::memcpy(part, begin, length);
    part[length] = '\0';
}

// The first `mode` parts of an address of exactly four dotted parts ("192.0.2" for mode
// 3); empty for an address of any other shape. Modes above four take the whole address.
void LeadingParts(const char* address, uint32_t mode, char (&key)[kKeyTextCapacity]) {
    key[0] = '\0';
    uint32_t dots = 0;
    for (const char* at = address; *at != '\0'; ++at) dots += *at == '.' ? 1 : 0;
    if (dots != kAddressParts - 1) return;
    for (uint32_t i = 0; i < mode && i < kAddressParts; ++i) {
        char part[kPartCapacity];
        AddressPart(address, i, part);
        if (i > 0) SafeAppend(key, ".");
        SafeAppend(key, part);
    }
}

// The file name (without ".tab") that whitelists the address.
void OutboundKeyText(const char* address, char (&key)[kKeyTextCapacity]) {
    uint32_t mode = 0;
    if (!ReadRegistryDword(keys::kSmtp, values::kWhitelistOutboundMode, &mode) || mode == 0)
        SafeCopy(key, address, kAddressKeyCapacity);
    else
        LeadingParts(address, mode, key);
    // File names cannot hold ":", so IPv6 addresses are written with "-".
    for (char* at = key; *at != '\0'; ++at) {
        if (*at == ':') *at = '-';
    }
}

int FindOutboundFile(const char* address, const char* postoffice, const char* mailbox) {
    uint32_t enabled = 0;
    if (!ReadRegistryDword(keys::kSmtp, values::kWhitelistOutbound, &enabled) || enabled == 0)
        return 0;
    if (IsEmpty(address)) return 0;
    const char* configuration = Settings().whitelistConfigurationDirectory;
    // Without a configuration directory the path would start at the file system's root.
    if (IsEmpty(configuration)) return 0;
    char key[kKeyTextCapacity];
    OutboundKeyText(address, key);
    if (IsEmpty(postoffice)) {
        // The server-level folders are created on first use, as the connector expects them.
        char connections[kWhitelistPathCapacity];
        if (ServerConnectionsFolder(configuration, connections, sizeof connections))
            (void)platform::DirectoryCreate(connections);
    }
    char path[kWhitelistPathCapacity];
    if (!WhitelistFilePath(configuration, key, postoffice, mailbox, path, sizeof path)) return 0;
    return FileExists(path) ? 1 : 0;
}

int MatchesSystemPattern(const char* address, const char* pattern) {
    if (std::strchr(address, ':') != nullptr) return MatchIPv6Pattern(address, pattern);
    return MatchIPv4Pattern(address, pattern);
}

}  // namespace

int IsInSystemWhiteList(const char* address) {
    if (address == nullptr) return 0;
    platform::RegistryKey key = nullptr;
    if (platform::RegistryOpenKey(keys::kSystemWhiteList, &key) != platform::kRegOk) return 0;
    int listed = 0;
    char name[kPatternNameCapacity];
    for (uint32_t index = 0; listed == 0; ++index) {
        const platform::RegistryStatus status =
            platform::RegistryEnumValue(key, index, name, sizeof name);
        if (status == platform::kRegMoreData) continue;  // longer than any pattern
        if (status != platform::kRegOk) break;
        listed = MatchesSystemPattern(address, name);
    }
    platform::RegistryCloseKey(key);
    if (listed != 0) {
        char line[kPatternNameCapacity + kFieldCapacity];
        std::snprintf(line, sizeof line,
                      "QP-I0092: %s is registered in the system whitelist and was therefore "
                      "excluded from checking\n",
                      address);
        WriteReportLog(line);
    }
    return listed;
}

int IsOutboundWhiteListed(const char* address, const char* postoffice, const char* mailbox) {
    try {
        return FindOutboundFile(address, postoffice, mailbox);
    } catch (...) {
        // Reported here, where the place is known; the caller decides what the run does.
        ReportOutsideException(std::current_exception(), "IsOutboundWhiteListed",
                               "SERVICES/Library/LIBWhitelisting", 109);
        throw;
    }
}

int EvaluateWhitelisted(int type, const char* account, const char* mailbox, const char* clientIp,
                        const FilterSet* set, FilterEvaluationSet* evaluations) {
    const char* postoffice = account != nullptr ? account : "";
    int whitelisted = 0;
    // Runs the test an alternative selects; false when it selects none.
    const auto runTest = [&](char selector) {
        if (selector != kServerThenAccount && selector != kAccountOnly) return false;
        if (IsInSystemWhiteList(clientIp)) whitelisted = 1;
        if (selector == kServerThenAccount) {
            if (!whitelisted) whitelisted = IsOutboundWhiteListed(clientIp, "", nullptr);
            if (!whitelisted && !IsEmpty(postoffice))
                whitelisted = IsOutboundWhiteListed(clientIp, postoffice, mailbox);
        } else if (!whitelisted) {
            whitelisted = IsOutboundWhiteListed(clientIp, postoffice, mailbox);
        }
        return true;
    };
    char condition[kFieldCapacity];
    char field[kFieldCapacity];
    ForEachEnabledCriterion(
        set, evaluations, type, [&](const Criterion& criterion, FilterEvaluation& evaluation) {
            ForEachCondition(criterion, condition, sizeof condition, [&](int j, const char* value) {
                ForEachAlternative(value, field, sizeof field, [&](const char* alternative) {
                    if (!runTest(alternative[0]) || !whitelisted) return;
                    ++evaluation.matchCount[type];
                    evaluation.resultText[type][0] = '\0';
                    SetConditionValue(evaluation, type, j, "1");
                });
            });
        });
    return 1;
}
