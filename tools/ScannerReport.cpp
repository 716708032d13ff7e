// tools/ScannerReport.cpp: the scanning providers' states in the mtafilter reports.
#include "tools/ScannerReport.h"

#include "base/Settings.h"
#include "tools/PluginHost.h"

ScannerOverviewList InspectServerScanners() {
    ResetSettings();
    ReadStoreSettings();  // the provider directory
    ReadScannerSwitches();
    ReadAntivirusStatus();
    return InspectScanners();
}

std::string ScannersText(const ScannerOverviewList& scanners) {
    std::string text;
    for (const ScannerOverview& scanner : scanners) {
        if (scanner.name == nullptr) continue;  // never inspected
        text += (text.empty() ? "" : ", ") + std::string(scanner.name) + " " +
                ScannerStateName(scanner.state);
    }
    return text;
}

std::string ScannersJson(const ScannerOverviewList& scanners) {
    std::string json = "{";
    for (const ScannerOverview& scanner : scanners) {
        if (scanner.name == nullptr) continue;  // never inspected
        json += (json.size() > 1 ? "," : "") + JsonQuoted(scanner.name) + ":" +
                JsonQuoted(ScannerStateName(scanner.state));
    }
    return json + "}";
}
