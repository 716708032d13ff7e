// base/Settings.cpp: reading the plug-in's settings from the registry.
//
// A setting that cannot be read takes its default and nothing is logged: a server
// whose administrator never set a value must still run.
#include "base/Settings.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "base/RegistryKeys.h"
#include "common/RegistryAccess.h"
#include "common/SafeText.h"
#include "platform/Registry.h"

namespace {

PluginSettings settings;

std::mutex directoryLock;
DirectoryGroup sharedDirectories;
// Moved after each change of sharedDirectories.configuration, under directoryLock.
std::atomic<uint64_t> configurationChanges{0};
// The registry as sharedDirectories was read from it, when every value was there (0:
// read them again), under directoryLock.
uint64_t directoriesRegistry = 0;

// Marks a first-use setting that has not been read yet.
constexpr uint32_t kUnread = 0xFFFFFFFFu;
// "Perform SBLRBL" has its own unread mark, which no administrator would set.
constexpr uint32_t kSblRblUnread = 200000u;

std::atomic<uint32_t> spamAssassinEnabled{kUnread};
std::atomic<uint32_t> performSblRbl{kSblRblUnread};
std::atomic<uint32_t> caseSensitivity{kUnread};

uint32_t ReadDword(const char* key, const char* value, uint32_t defaultValue) {
    uint32_t result = defaultValue;
    (void)ReadRegistryDword(key, value, &result);  // missing: the default stays
    return result;
}

template <size_t N>
void ReadText(const char* key, const char* value, char (&destination)[N]) {
    (void)ReadRegistryString(key, value, destination);  // missing: empty text
}

// Two threads may both find the mark and both read: they read the same value.
uint32_t ReadOnce(std::atomic<uint32_t>& cached, uint32_t unreadMark, const char* value) {
    uint32_t current = cached.load(std::memory_order_acquire);
    if (current != unreadMark) return current;
    current = ReadDword(keys::kPlugin, value, 0);
    cached.store(current, std::memory_order_release);
    return current;
}

}  // namespace

PluginSettings& Settings() {
    return settings;
}

void ResetSettings() {
    std::memset(&settings, 0, sizeof settings);
    settings.debugLoggingLevel = 5;
    settings.scriptLiteralMode = 1;
    std::lock_guard<std::mutex> guard(directoryLock);
    std::memset(&sharedDirectories, 0, sizeof sharedDirectories);
    directoriesRegistry = 0;
    configurationChanges.fetch_add(1, std::memory_order_release);
}

void ReadActivityLogDirectory() {
    ReadText(keys::kPlugin, values::kActivityLogDirectory, settings.activityLogDirectory);
}

void ReadGeneralSettings() {
    settings.updateStatistics = ReadDword(keys::kRoot, values::kUpdateStatistics, 0);
    settings.debugStatus = ReadDword(keys::kPlugin, values::kDebugStatus, 0);
    settings.scriptLiteralMode = ReadDword(keys::kPlugin, values::kScriptLiteralMode, 1);
    settings.uriSblMaxChecks = ReadDword(keys::kPlugin, values::kUriSblMaxChecks, 0);
    settings.allowPatternCaching = ReadDword(keys::kPlugin, values::kAllowPatternCaching, 0);
    ReadText(keys::kSmtp, values::kLocalDnsServerList, settings.localDnsServerList);
    settings.debugLoggingLevel = ReadDword(keys::kPlugin, values::kDebugLoggingLevel, 5);
}

void ReadProviderDirectory() {
    ReadText(keys::kRoot, values::kApplicationDirectory, settings.applicationDirectory);
    // The provider libraries are the 64-bit builds, kept beside the program directory
    // in a directory of the same name with "64" appended (no separator).
    SafeCopy(settings.providerDirectory, settings.applicationDirectory);
    SafeAppend(settings.providerDirectory, "64");
}

void ReadStoreSettings() {
    ReadText(keys::kRoot, values::kMailRoot, settings.mailRoot);
    ReadProviderDirectory();
    ReadText(keys::kRoot, values::kConfigurationDirectory,
             settings.whitelistConfigurationDirectory);
    ReadText(keys::kSmtp, values::kLocalDomainName, settings.localDomainName);
}

void ReadScannerSwitches() {
    settings.bayesianFilteringStatus =
        ReadDword(keys::kPlugin, values::kBayesianFilteringStatus, 0);
    settings.spamAssassinStatus = SpamAssassinEnabled() ? 1 : 0;
    settings.bayesianFilteringLoadMode =
        ReadDword(keys::kPlugin, values::kBayesianFilteringLoadMode, 0);
    settings.domainKeysStatus = ReadDword(keys::kSmtp, values::kDomainKeysStatus, 0);
}

void ReadAntivirusStatus() {
    settings.antivirusStatus = ReadDword(keys::kPlugin, values::kAntivirusStatus, 0);
}

void RefreshDirectoryGroup(DirectoryGroup* snapshot) {
    // Read on every message: skipped while nothing in the registry changed since they were.
    uint64_t registry = 0;
    {
        std::lock_guard<std::mutex> guard(directoryLock);
        registry = directoriesRegistry;
    }
    if (platform::RegistryUnchangedSince(&registry)) {
        if (snapshot != nullptr) SnapshotDirectoryGroup(snapshot);
        return;
    }
    DirectoryGroup fresh;
    // A value missing (or unreadable for the moment) has the group read again next time.
    int found = 0;
    found += ReadRegistryString(keys::kConnectors, values::kConnectorRootDirectory,
                                fresh.connectorRoot) != 0;
    found +=
        ReadRegistryString(keys::kRoot, values::kConfigurationDirectory, fresh.configuration) != 0;
    found += ReadRegistryString(keys::kRoot, values::kBadMailDirectory, fresh.badMail) != 0;
    found += ReadRegistryString(keys::kRoot, values::kQuarantineDirectory, fresh.quarantine) != 0;
    const bool complete = found == 4;
    {
        std::lock_guard<std::mutex> guard(directoryLock);
        const bool moved = std::strcmp(sharedDirectories.configuration, fresh.configuration) != 0;
        sharedDirectories = fresh;
        directoriesRegistry = complete ? registry : 0;
        if (moved) configurationChanges.fetch_add(1, std::memory_order_release);
    }
    if (snapshot != nullptr) *snapshot = fresh;
}

void SnapshotDirectoryGroup(DirectoryGroup* snapshot) {
    std::lock_guard<std::mutex> guard(directoryLock);
    *snapshot = sharedDirectories;
}

void CurrentConfigurationDirectory(char* destination, size_t capacity) {
    std::lock_guard<std::mutex> guard(directoryLock);
    SafeCopy(destination, sharedDirectories.configuration, capacity);
}

uint64_t ConfigurationDirectoryChanges() {
    return configurationChanges.load(std::memory_order_acquire);
}

void CurrentConnectorRoot(char* destination, size_t capacity) {
    std::lock_guard<std::mutex> guard(directoryLock);
    SafeCopy(destination, sharedDirectories.connectorRoot, capacity);
}

int SpamAssassinEnabled() {
    return ReadOnce(spamAssassinEnabled, kUnread, values::kSpamAssassinEnabled) == 1 ? 1 : 0;
}

uint32_t PerformSblRbl() {
    return ReadOnce(performSblRbl, kSblRblUnread, values::kPerformSblRbl);
}

int CaseSensitive() {
    return ReadOnce(caseSensitivity, kUnread, values::kCaseSensitivity) == 1 ? 1 : 0;
}

void ForgetFirstUseSettings() {
    spamAssassinEnabled.store(kUnread);
    performSblRbl.store(kSblRblUnread);
    caseSensitivity.store(kUnread);
}
