// providers/ProviderLibraries.cpp: finding, loading, initialising and releasing the
// scanning providers.
//
// The console lines are what an administrator watching the service start sees; each
// says which scanner came up and which did not.
#include "providers/ProviderLibraries.h"

#include <cstdio>

#include "frame/Counters.h"
#include "frame/RegistryKeys.h"
#include "frame/Settings.h"
#include "platform/Clock.h"
#include "store/StoreLibrary.h"

namespace {

ProviderSet providers;

ProviderEntry LookUp(platform::Library library, const char* name, const char* fallback) {
    void* entry = platform::LibraryEntry(library, name);
    if (entry == nullptr && fallback != nullptr) entry = platform::LibraryEntry(library, fallback);
    return reinterpret_cast<ProviderEntry>(entry);
}

// The QP_ entries; `withFallback` allows the plain names where a QP_ entry is missing.
void LookUpEntries(ProviderLibrary* library, int withFallback) {
    library->initialize = LookUp(library->handle, "QP_Initialize", withFallback ? "Initialize" : nullptr);
    library->execute = LookUp(library->handle, "QP_Execute", withFallback ? "Execute" : nullptr);
    library->cleanUp = LookUp(library->handle, "QP_CleanUp", withFallback ? "CleanUp" : nullptr);
}

bool HasAllEntries(const ProviderLibrary& library) {
    return library.initialize != nullptr && library.execute != nullptr &&
           library.cleanUp != nullptr;
}

// Initialises a loaded library when it has all three entries; the console line says
// how it went. Returns the resulting status.
uint32_t InitialiseProvider(const char* displayName, ProviderLibrary* library) {
    if (!HasAllEntries(*library)) {
        std::printf("%s - Loading Failed.\n", displayName);
        return kProviderFailed;
    }
    std::printf("%s - Loading Complete.\n", displayName);
    CallWithEmptyCommand(library->initialize);
    return kProviderReady;
}

void SaveCounterPair(const char* first, uint32_t firstValue, const char* second,
                     uint32_t secondValue) {
    SaveCounter(keys::kCounters, first, firstValue);
    SaveCounter(keys::kCounters, second, secondValue);
}

void LoadDkim() {
    PluginSettings& settings = Settings();
    if (settings.domainKeysStatus == 0) return;
    char path[1100];
    ProviderPath("QPDomainKeys.DLL", path, sizeof path);
    settings.domainKeysStatus = LoadProviderLibrary("Domain Keys", path, &providers.dkim, 1);
}

// With load mode 0 the Bayesian dictionary loads lazily inside the provider on its
// first Execute, so Initialize is not called and the status keeps the switch's value.
void LoadBayesian() {
    PluginSettings& settings = Settings();
    if (settings.bayesianFilteringStatus == 0) return;
    char path[1100];
    ProviderPath("QPFLTMBF.DLL", path, sizeof path);
    ProviderLibrary& bayesian = providers.bayesian;
    bayesian.handle = platform::LibraryLoad(path);
    if (bayesian.handle != nullptr) {
        std::printf("Bayesian Filter Loading Library..\n");
        std::printf("Bayesian Filter - Loading Dictionary..\n");
        LookUpEntries(&bayesian, 1);
        if (settings.bayesianFilteringLoadMode != 0)
            settings.bayesianFilteringStatus = InitialiseProvider("Bayesian Filter", &bayesian);
    } else {
        std::printf("Bayesian Filter - Unable to locate Filter Provider.\n");
    }
    ScannerCounters& counts = Counters();
    SaveCounterPair(values::kBayesianDetections, counts.bayesianDetections,
                    values::kBayesianTotalScans, counts.bayesianScans);
}

void LoadSpamAssassin() {
    PluginSettings& settings = Settings();
    if (settings.spamAssassinStatus == 0) return;
    char path[1100];
    ProviderPath("QPFLTMSA.DLL", path, sizeof path);
    ProviderLibrary& spamAssassin = providers.spamAssassin;
    spamAssassin.handle = platform::LibraryLoad(path);
    if (spamAssassin.handle != nullptr) {
        std::printf("SA Filter Loading Library..\n");
        LookUpEntries(&spamAssassin, 0);  // the SpamAssassin client has no plain-named entries
        settings.spamAssassinStatus = InitialiseProvider("SA Filter", &spamAssassin);
    } else {
        std::printf("SA Filter - Unable to locate Filter Provider.\n");
    }
    ScannerCounters& counts = Counters();
    SaveCounterPair(values::kSaDetections, counts.spamAssassinDetections, values::kSaTotalScans,
                    counts.spamAssassinScans);
}

void LoadAntivirus() {
    PluginSettings& settings = Settings();
    ReadAntivirusStatus();
    if (settings.antivirusStatus == 0) return;
    char path[1100];
    ProviderPath("QPAVGEN.DLL", path, sizeof path);
    providers.antivirus = platform::LibraryLoad(path);
    if (providers.antivirus != nullptr) {
        std::printf("Antivirus Loading Library..\n");
        providers.antivirusExecute = reinterpret_cast<AntivirusExecuteEntry>(
            platform::LibraryEntry(providers.antivirus, "ProviderExecute"));
    } else {
        std::printf("Antivirus Loading - Unable to locate Filter Provider.\n");
    }
    ScannerCounters& counts = Counters();
    SaveCounterPair(values::kAntivirusDetected, counts.antivirusDetections,
                    values::kAntivirusTotalScans, counts.antivirusScans);
    StartStoreLibrary();
}

void ReleaseProvider(ProviderLibrary* library) {
    if (library->handle == nullptr) return;
    if (library->cleanUp != nullptr) CallWithEmptyCommand(library->cleanUp);
    platform::LibraryUnload(library->handle);
    *library = ProviderLibrary{};
}

}  // namespace

ProviderSet& Providers() { return providers; }

int32_t CallWithEmptyCommand(ProviderEntry entry) {
    char result[kProviderResultCapacity] = {};
    int32_t resultLength = 0;
    return entry("", 0, result, &resultLength);
}

void ProviderPath(const char* fileName, char* destination, int capacity) {
    std::snprintf(destination, static_cast<size_t>(capacity), "%s\\%s",
                  Settings().providerDirectory, fileName);
}

uint32_t LoadProviderLibrary(const char* displayName, const char* path, ProviderLibrary* library,
                             int initialise) {
    library->handle = platform::LibraryLoad(path);
    std::printf("%s Loading Library..\n", displayName);
    if (library->handle != nullptr) LookUpEntries(library, 1);
    if (!initialise) return kProviderReady;
    return InitialiseProvider(displayName, library);
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
    ReleaseProvider(&providers.bayesian);
    ReleaseProvider(&providers.dkim);
    ReleaseProvider(&providers.spamAssassin);
    if (providers.antivirus != nullptr) platform::LibraryUnload(providers.antivirus);
    providers.antivirus = nullptr;
    providers.antivirusExecute = nullptr;
    if (providers.agentPlugin != nullptr) platform::LibraryUnload(providers.agentPlugin);
    providers.agentPlugin = nullptr;
    for (platform::Library replaced : providers.replacedAgentPlugins)
        platform::LibraryUnload(replaced);
    providers.replacedAgentPlugins.clear();
}
