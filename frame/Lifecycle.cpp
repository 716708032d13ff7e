// frame/Lifecycle.cpp: initialisation and teardown of the plug-in.
#include "frame/Lifecycle.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/AtomicFile.h"
#include "frame/DnsProvider.h"
#include "frame/ReloadGate.h"
#include "frame/ReportLog.h"
#include "frame/Settings.h"
#include "frame/SystemFilterSet.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "providers/ProviderLibraries.h"
#include "store/StoreLibrary.h"

namespace {

// No rewrite takes this long, so an older scratch file was left by a run that a crash
// cut short. Younger ones may still belong to a run of another process on the same
// queues (the administrators' command, a second host), and are left to it.
constexpr int64_t kStaleScratchAgeSeconds = 15 * 60;

void RemoveInterruptedRewrites() {
    char root[1024];
    CurrentConnectorRoot(root, sizeof root);
    std::vector<std::string> connectors;
    if (root[0] == '\0' || !platform::DirectoryList(root, 1, &connectors)) return;
    const int64_t before = platform::NowUtcSeconds() - kStaleScratchAgeSeconds;
    int removed = 0;
    for (const std::string& connector : connectors) {
        for (const char* queue :
             {"Inbound", "Inbound\\Messages", "Outgoing", "Outgoing\\Messages"}) {
            const std::string directory = std::string(root) + "\\" + connector + "\\" + queue;
            removed += RemoveStaleScratchFiles(directory.c_str(), before);
        }
    }
    if (removed == 0) return;
    char line[160];
    std::snprintf(line, sizeof line,
                  "Removed %d scratch files that interrupted message rewrites left in the "
                  "connector queues.\n",
                  removed);
    WriteReportLog(line);
}

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
    RemoveInterruptedRewrites();
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
