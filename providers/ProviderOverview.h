// providers/ProviderOverview.h: how the scanning providers stand, in the words an
// administrator reads in the mtafilter command's reports.
#pragma once

#include <array>

// Off: switched off. Ready: called for messages. Unavailable: switched on but never
// called, because its library or Execute entry is missing (or the switch holds a value
// other than 1). Failed: its library lacks an entry it must have.
enum class ScannerState { kOff, kReady, kUnavailable, kFailed };

struct ScannerOverview {
    const char* name;  // "DKIM", "Bayesian", "SpamAssassin", "Antivirus"
    ScannerState state;
};

// The four scanners in loading order.
constexpr int kScannerCount = 4;
using ScannerOverviewList = std::array<ScannerOverview, kScannerCount>;

// The scanners as this process loaded them.
ScannerOverviewList LoadedScanners();

// What loading would make of the scanners under the settings read so far (provider
// directory, scanner switches, "Antivirus Status"). Each switched-on library is loaded,
// its entries are looked up, and it is unloaded again: nothing is printed, initialised
// or called, and no counter is written.
ScannerOverviewList InspectScanners();

// "off", "ready", "unavailable" or "failed to load".
const char* ScannerStateName(ScannerState state);
