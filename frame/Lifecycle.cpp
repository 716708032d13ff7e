// frame/Lifecycle.cpp: initialisation and teardown of the plug-in.
#include "frame/Lifecycle.h"

#include <cstdio>

#include "frame/DnsProvider.h"
#include "frame/ReloadGate.h"
#include "frame/ReportLog.h"
#include "frame/Settings.h"
#include "frame/SystemFilterSet.h"
#include "providers/ProviderLibraries.h"
#include "store/StoreLibrary.h"

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
    LoadSystemFilterSet();
    ReadScannerSwitches();
    LoadScannerProviders();
    std::fflush(stdout);
}

void TeardownPlugin() {
    ReleaseSystemFilterSet();
    ReleaseScannerProviders();
    StopStoreLibrary();
    CloseReloadLock();
    CloseReportLog();
    CloseReportLogLock();
    std::fflush(stdout);
}
