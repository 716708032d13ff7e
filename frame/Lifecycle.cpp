// frame/Lifecycle.cpp: initialisation and teardown of the plug-in.
#include "frame/Lifecycle.h"

#include <cstdio>

#include "frame/DnsProvider.h"
#include "frame/ReportLog.h"
#include "frame/Settings.h"
#include "providers/ProviderLibraries.h"
#include "store/StoreLibrary.h"

namespace {

// Set once the system filter set has been loaded, so that a second initialisation in
// the same process does not load it twice.
int filtersLoaded = 0;

void LoadSystemFilters() {
    if (filtersLoaded) return;
    filtersLoaded = 1;
}

void ReleaseSystemFilters() { filtersLoaded = 0; }

}  // namespace

void InitializePlugin() {
    ResetSettings();

    // The report log first, so that everything after it can report.
    ReadActivityLogDirectory();
    CreateReportLogLock();
    OpenReportLog();
    ReadGeneralSettings();
    LoadDnsProvider(Settings().localDnsServerList);

    RefreshDirectoryGroup(nullptr);
    ReadStoreSettings();
    LoadSystemFilters();
    ReadScannerSwitches();
    LoadScannerProviders();
    std::fflush(stdout);
}

void TeardownPlugin() {
    ReleaseSystemFilters();
    ReleaseScannerProviders();
    StopStoreLibrary();
    CloseReportLog();
    CloseReportLogLock();
    std::fflush(stdout);
}
