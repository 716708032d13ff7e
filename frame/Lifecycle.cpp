// frame/Lifecycle.cpp: initialisation and teardown of the plug-in.
#include "frame/Lifecycle.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "actions/ActionFiles.h"
#include "analysis/MessageLines.h"
#include "base/EventLogEntry.h"
#include "base/ReportLog.h"
#include "base/Settings.h"
#include "common/AtomicFile.h"
#include "common/Console.h"
#include "filters/CompiledLists.h"
#include "filters/EvaluationPool.h"
#include "frame/ReloadGate.h"
#include "frame/SystemFilterSet.h"
#include "platform/Clock.h"
#include "platform/EventLog.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "providers/DnsProvider.h"
#include "providers/ProviderLibraries.h"
#include "providers/StoreLibrary.h"

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

// A registry that cannot be read would otherwise look like an empty one: every setting
// at its default and no filter loaded, without a word. Said once a load, on the console,
// in the report log (when its directory could be read) and in the event log.
void ReportRegistryTrouble() {
    int readOnly = 0;
    char reason[256];
    const platform::RegistryStatus status =
        platform::RegistryCheck(&readOnly, reason, sizeof reason);
    char line[1024];
    if (status == platform::kRegFailed) {
        std::snprintf(line, sizeof line,
                      "The registry database %s cannot be read (%s). The plug-in's settings and "
                      "filters are kept there, so no message is filtered until it can be read. "
                      "Check that it is an SQLite registry the service account can read and "
                      "that its disk has free space, then restart the service.\n",
                      platform::RegistryDatabasePath(), reason);
    } else if (readOnly) {
        std::snprintf(line, sizeof line,
                      "The registry database %s can only be read (%s). Filters run with the "
                      "settings it holds, but statistics and reload requests cannot be saved. "
                      "Free space on its disk and let the service account write to it and to "
                      "its directory.\n",
                      platform::RegistryDatabasePath(), reason);
    } else {
        return;
    }
    ConsoleLine("%s", line);
    WriteReportLog(line);
    WriteEventLogEntry(
        status == platform::kRegFailed ? platform::kEventError : platform::kEventWarning,
        kDefaultEventSource, nullptr, 0, line);
}

}  // namespace

void InitializePlugin() {
    ResetSettings();

    // The report log first, so that everything after it can report.
    ReadActivityLogDirectory();
    CreateReportLogLock();
    OpenReportLog();
    ReportRegistryTrouble();
    ReadGeneralSettings();
    LoadDnsProvider(Settings().localDnsServerList);

    RefreshDirectoryGroup(nullptr);
    RemoveInterruptedRewrites();
    ReadStoreSettings();
    LoadSystemFilterSet();
    ReadScannerSwitches();
    LoadScannerProviders();
    ConsoleFlush();
}

void TeardownPlugin() {
    ReleaseSystemFilterSet();
    ReleaseSpareEvaluations();
    ReleaseSpareScratchAreas();
    ReleaseSpareLineBlock();
    ForgetParsedActionFiles();
    ReleaseScannerProviders();
    StopStoreLibrary();
    CloseReloadLock();
    CloseReportLog();
    CloseReportLogLock();
    ConsoleFlush();
}
