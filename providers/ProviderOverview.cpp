// providers/ProviderOverview.cpp: the scanners' states, from this process's loading or
// from an inspection that applies the same rules without initialising anything.
#include "providers/ProviderOverview.h"

#include "base/Settings.h"
#include "platform/Ownership.h"
#include "providers/LoadingRules.h"
#include "providers/ProviderLibraries.h"

namespace {

struct ScannerStatuses {
    uint32_t dkim;
    uint32_t bayesian;
    uint32_t spamAssassin;
    uint32_t antivirus;
};

ScannerState StateOf(uint32_t status, bool hasExecute) {
    if (status == kProviderOff) return ScannerState::kOff;
    if (status == kProviderFailed) return ScannerState::kFailed;
    return status == kProviderReady && hasExecute ? ScannerState::kReady
                                                  : ScannerState::kUnavailable;
}

ScannerOverviewList Describe(const ScannerStatuses& statuses, const ProviderSet& found) {
    return {
        {{"DKIM", StateOf(statuses.dkim, found.dkim.execute != nullptr)},
         {"Bayesian", StateOf(statuses.bayesian, found.bayesian.execute != nullptr)},
         {"SpamAssassin", StateOf(statuses.spamAssassin, found.spamAssassin.execute != nullptr)},
         {"Antivirus", StateOf(statuses.antivirus, found.antivirusExecute != nullptr)}}};
}

ScannerStatuses SettingsStatuses() {
    const PluginSettings& settings = Settings();
    return {settings.domainKeysStatus, settings.bayesianFilteringStatus,
            settings.spamAssassinStatus, settings.antivirusStatus};
}

}  // namespace

ScannerOverviewList LoadedScanners() {
    return Describe(SettingsStatuses(), Providers());
}

ScannerOverviewList InspectScanners() {
    ScannerStatuses statuses = SettingsStatuses();
    const uint32_t loadMode = Settings().bayesianFilteringLoadMode;
    ProviderSet found{};
    if (statuses.dkim != kProviderOff) {
        FindProvider(kDkimLibrary, 1, &found.dkim);
        statuses.dkim = EntriesStatus(found.dkim);
    }
    if (statuses.bayesian != kProviderOff) {
        FindProvider(kBayesianLibrary, 1, &found.bayesian);
        statuses.bayesian = BayesianStatusAfterLoading(statuses.bayesian, loadMode, found.bayesian);
    }
    if (statuses.spamAssassin != kProviderOff) {
        FindProvider(kSpamAssassinLibrary, 0, &found.spamAssassin);
        statuses.spamAssassin =
            SpamAssassinStatusAfterLoading(statuses.spamAssassin, found.spamAssassin);
    }
    if (statuses.antivirus != kProviderOff)
        FindAntivirus(&found.antivirus, &found.antivirusExecute);
    // Unloaded once described, however the description ends.
    const platform::OwnedLibrary loaded[] = {
        platform::OwnedLibrary(found.dkim.handle), platform::OwnedLibrary(found.bayesian.handle),
        platform::OwnedLibrary(found.spamAssassin.handle), platform::OwnedLibrary(found.antivirus)};
    return Describe(statuses, found);
}

const char* ScannerStateName(ScannerState state) {
    switch (state) {
        case ScannerState::kOff:
            return "off";
        case ScannerState::kReady:
            return "ready";
        case ScannerState::kUnavailable:
            return "unavailable";
        case ScannerState::kFailed:
            return "failed to load";
    }
    return "unknown";
}
