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

JsonMembers ScannerMembers(const ScannerOverviewList& scanners) {
    JsonMembers members;
    for (const ScannerOverview& scanner : scanners)
        if (scanner.name != nullptr)  // else never inspected
            members.emplace_back(scanner.name, JsonQuoted(ScannerStateName(scanner.state)));
    return members;
}

std::string ScannersJson(const ScannerOverviewList& scanners) {
    return JsonObject(ScannerMembers(scanners), JsonLayout::kCompact);
}
