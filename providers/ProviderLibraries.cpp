// providers/ProviderLibraries.cpp: finding, loading, initialising and releasing the
// scanning providers.
//
// The console lines are what an administrator watching the service start sees; each
// says which scanner came up and which did not.
#include "providers/ProviderLibraries.h"

#include <cstdio>
#include <exception>
#include <vector>

#include "base/Counters.h"
#include "base/OutsideExceptionReport.h"
#include "base/RegistryKeys.h"
#include "base/Settings.h"
#include "common/Console.h"
#include "platform/Clock.h"
#include "platform/GuardedCall.h"
#include "platform/NeverDestroyed.h"
#include "providers/LoadingRules.h"
#include "providers/StoreLibrary.h"

namespace {

ProviderEntry LookUp(platform::Library library, const char* name, const char* fallback) {
    void* entry = platform::LibraryEntry(library, name);
    if (entry == nullptr && fallback != nullptr) entry = platform::LibraryEntry(library, fallback);
    return reinterpret_cast<ProviderEntry>(entry);
}

// The QP_ entries; `withFallback` allows the plain names where a QP_ entry is missing.
void LookUpEntries(ProviderLibrary* library, int withFallback) {
    library->initialize =
        LookUp(library->handle, "QP_Initialize", withFallback ? "Initialize" : nullptr);
    library->execute = LookUp(library->handle, "QP_Execute", withFallback ? "Execute" : nullptr);
    library->cleanUp = LookUp(library->handle, "QP_CleanUp", withFallback ? "CleanUp" : nullptr);
}

bool HasAllEntries(const ProviderLibrary& library) {
    return library.initialize != nullptr && library.execute != nullptr &&
           library.cleanUp != nullptr;
}

// Says on the console whether the provider is complete and initialises it when it is.
void AnnounceAndInitialise(const char* displayName, const ProviderLibrary& library) {
    if (!HasAllEntries(library)) {
        ConsoleLine("%s - Loading Failed.\n", displayName);
        return;
    }
    ConsoleLine("%s - Loading Complete.\n", displayName);
    CallWithEmptyCommand(library.initialize, "Initialize");
}

void SaveCounterPair(const char* first, uint32_t firstValue, const char* second,
                     uint32_t secondValue) {
    SaveCounter(keys::kCounters, first, firstValue);
    SaveCounter(keys::kCounters, second, secondValue);
}

void LoadDkim() {
    PluginSettings& settings = Settings();
    if (settings.domainKeysStatus == 0) return;
    char path[kProviderPathCapacity];
    ProviderPath(kDkimLibrary, path, sizeof path);
    settings.domainKeysStatus = LoadProviderLibrary("Domain Keys", path, &Providers().dkim, 1);
}

void LoadBayesian() {
    PluginSettings& settings = Settings();
    if (settings.bayesianFilteringStatus == 0) return;
    ProviderLibrary& bayesian = Providers().bayesian;
    FindProvider(kBayesianLibrary, 1, &bayesian);
    if (bayesian.handle != nullptr) {
        ConsoleLine("Bayesian Filter Loading Library..\n");
        ConsoleLine("Bayesian Filter - Loading Dictionary..\n");
    } else {
        ConsoleLine("Bayesian Filter - Unable to locate Filter Provider.\n");
    }
    if (BayesianInitialisedAtLoad(bayesian, settings.bayesianFilteringLoadMode))
        AnnounceAndInitialise("Bayesian Filter", bayesian);
    settings.bayesianFilteringStatus = BayesianStatusAfterLoading(
        settings.bayesianFilteringStatus, settings.bayesianFilteringLoadMode, bayesian);
    ScannerCounters& counts = Counters();
    SaveCounterPair(values::kBayesianDetections, counts.bayesianDetections,
                    values::kBayesianTotalScans, counts.bayesianScans);
}

void LoadSpamAssassin() {
    PluginSettings& settings = Settings();
    if (settings.spamAssassinStatus == 0) return;
    ProviderLibrary& spamAssassin = Providers().spamAssassin;
    FindProvider(kSpamAssassinLibrary, 0, &spamAssassin);  // no plain-named entries
    if (spamAssassin.handle != nullptr) {
        ConsoleLine("SA Filter Loading Library..\n");
        AnnounceAndInitialise("SA Filter", spamAssassin);
    } else {
        ConsoleLine("SA Filter - Unable to locate Filter Provider.\n");
    }
    settings.spamAssassinStatus =
        SpamAssassinStatusAfterLoading(settings.spamAssassinStatus, spamAssassin);
    ScannerCounters& counts = Counters();
    SaveCounterPair(values::kSaDetections, counts.spamAssassinDetections, values::kSaTotalScans,
                    counts.spamAssassinScans);
}

void LoadAntivirus() {
    PluginSettings& settings = Settings();
    ReadAntivirusStatus();
    if (settings.antivirusStatus == 0) return;
    FindAntivirus(&Providers().antivirus, &Providers().antivirusExecute);
    if (Providers().antivirus != nullptr)
        ConsoleLine("Antivirus Loading Library..\n");
    else
        ConsoleLine("Antivirus Loading - Unable to locate Filter Provider.\n");
    ScannerCounters& counts = Counters();
    SaveCounterPair(values::kAntivirusDetected, counts.antivirusDetections,
                    values::kAntivirusTotalScans, counts.antivirusScans);
    StartStoreLibrary();
}

void ReleaseProvider(ProviderLibrary* library) {
    if (library->handle == nullptr) return;
    if (library->cleanUp != nullptr) CallWithEmptyCommand(library->cleanUp, "CleanUp");
    platform::LibraryUnload(library->handle);
    *library = ProviderLibrary{};
}

}  // namespace

// Released by the unload work, which can run before the library's globals are built or
// after they are destroyed.
ProviderSet& Providers() {
    static platform::NeverDestroyed<ProviderSet> providers;
    return *providers;
}

// A provider that throws or faults while starting or stopping is reported and counted as
// one whose call failed: loading and unloading go on for the others, and the host lives.
int32_t CallWithEmptyCommand(ProviderEntry entry, const char* entryName) {
    char result[kProviderResultCapacity] = {};
    int32_t resultLength = 0;
    try {
        return platform::GuardedCall([&] { return entry("", 0, result, &resultLength); });
    } catch (...) {
        ReportOutsideException(std::current_exception(), entryName, "providers/ProviderLibraries",
                               __LINE__);
        return 0;
    }
}

void ProviderPath(const char* fileName, char* destination, int capacity) {
    std::snprintf(destination, static_cast<size_t>(capacity), "%s\\%s",
                  Settings().providerDirectory, fileName);
}

ProviderEntry ReadyExecute(uint32_t status, const ProviderLibrary& library) {
    return status == kProviderReady ? library.execute : nullptr;
}

void FindProvider(const char* fileName, int withFallback, ProviderLibrary* library) {
    char path[kProviderPathCapacity];
    ProviderPath(fileName, path, sizeof path);
    *library = ProviderLibrary{};
    library->handle = platform::LibraryLoad(path);
    if (library->handle != nullptr) LookUpEntries(library, withFallback);
}

void FindAntivirus(platform::Library* library, AntivirusExecuteEntry* execute) {
    char path[kProviderPathCapacity];
    ProviderPath(kAntivirusLibrary, path, sizeof path);
    *library = platform::LibraryLoad(path);
    *execute = *library == nullptr ? nullptr
                                   : reinterpret_cast<AntivirusExecuteEntry>(
                                         platform::LibraryEntry(*library, "ProviderExecute"));
}

uint32_t FindBayesianProvider(ProviderLibrary* library, char* path, int capacity) {
    FindProvider(kBayesianLibrary, 1, library);
    ProviderPath(kBayesianLibrary, path, capacity);
    return EntriesStatus(*library);
}

uint32_t EntriesStatus(const ProviderLibrary& library) {
    return HasAllEntries(library) ? kProviderReady : kProviderFailed;
}

bool BayesianInitialisedAtLoad(const ProviderLibrary& bayesian, uint32_t loadMode) {
    return bayesian.handle != nullptr && loadMode != 0;
}

uint32_t BayesianStatusAfterLoading(uint32_t switchValue, uint32_t loadMode,
                                    const ProviderLibrary& bayesian) {
    return BayesianInitialisedAtLoad(bayesian, loadMode) ? EntriesStatus(bayesian) : switchValue;
}

uint32_t SpamAssassinStatusAfterLoading(uint32_t switchValue, const ProviderLibrary& spamAssassin) {
    return spamAssassin.handle != nullptr ? EntriesStatus(spamAssassin) : switchValue;
}

uint32_t LoadProviderLibrary(const char* displayName, const char* path, ProviderLibrary* library,
                             int initialise) {
    library->handle = platform::LibraryLoad(path);
    ConsoleLine("%s Loading Library..\n", displayName);
    if (library->handle != nullptr) LookUpEntries(library, 1);
    if (!initialise) return kProviderReady;
    AnnounceAndInitialise(displayName, *library);
    return EntriesStatus(*library);
}

void LoadScannerProviders() {
    LoadDkim();
    LoadBayesian();
    LoadSpamAssassin();
    // Seconds since 1970, cut to the 32 bits the counter holds.
    SaveCounter(keys::kCounters, values::kServiceStart,
                static_cast<uint32_t>(platform::NowUtcSeconds()));
    LoadAntivirus();
}

void ReleaseScannerProviders() {
    ReleaseProvider(&Providers().bayesian);
    ReleaseProvider(&Providers().dkim);
    ReleaseProvider(&Providers().spamAssassin);
    if (Providers().antivirus != nullptr) platform::LibraryUnload(Providers().antivirus);
    Providers().antivirus = nullptr;
    Providers().antivirusExecute = nullptr;
    if (Providers().agentPlugin != nullptr) platform::LibraryUnload(Providers().agentPlugin);
    Providers().agentPlugin = nullptr;
    for (platform::Library replaced : Providers().replacedAgentPlugins)
        platform::LibraryUnload(replaced);
    // Its storage too: the set outlives an unload of the library, which would leave it
    // unreachable.
    std::vector<platform::Library>().swap(Providers().replacedAgentPlugins);
}
