// tools/PluginHost.cpp: loads the plug-in and runs a connector queue through it the way
// the MTA does, reporting progress on standard error so that the plug-in's own console
// lines on standard output are left as the server would see them.
#include "tools/PluginHost.h"

#include <chrono>
#include <cstdio>

#include "base/RegistryKeys.h"
#include "common/AtomicFile.h"
#include "common/RegistryAccess.h"
#include "platform/Console.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "tools/Json.h"
#include "tools/Progress.h"
#include "tools/ScannerReport.h"
#include "tools/ServerTree.h"

namespace {

// Capacity of the connector root as the plug-in reads it (1023 characters).
constexpr size_t kConnectorRootCapacity = 1024;

template <typename Function>
void ResolveExport(platform::Library library, const char* name, Function* function,
                   std::string* missing) {
    void* entry = platform::LibraryEntry(library, name);
    *function = reinterpret_cast<Function>(entry);
    if (entry != nullptr) return;
    if (!missing->empty()) *missing += ", ";
    *missing += name;
}

// The message files of a connector's Inbound queue, in name order.
int ListInboundQueue(const std::string& connector, std::vector<std::string>* ids,
                     std::string* error) {
    char root[kConnectorRootCapacity];
    if (!ReadRegistryString(keys::kConnectors, values::kConnectorRootDirectory, root)) {
        *error = std::string("the registry ") + platform::RegistryDatabasePath() + " has no \"" +
                 values::kConnectorRootDirectory +
                 "\"; set it to the directory that holds the connector queues:\n  mtafilter "
                 "--registry \"" +
                 platform::RegistryDatabasePath() + "\" registry set \"HKLM\\" + keys::kConnectors +
                 "\" \"" + values::kConnectorRootDirectory +
                 "\" sz:/path/to/connectors\nor name another registry with --registry FILE";
        return 0;
    }
    std::string directory = InboundMessagesDirectory(root, connector);
    std::vector<std::string> names;
    if (!platform::DirectoryList(directory.c_str(), 0, &names)) {
        *error = "connector " + connector + " has no Inbound queue: cannot list " +
                 platform::HostPath(directory.c_str()) + "; check the connector name and \"" +
                 values::kConnectorRootDirectory + "\"";
        return 0;
    }
    for (const std::string& name : names) {
        // A rewrite killed half-way leaves its scratch file beside the message: it is not
        // queued mail, and the message itself is still whole under its own name.
        if (name.find(kScratchFileMarker) != std::string::npos) continue;
        if (IsValidMessageId(name))
            ids->push_back(name);
        else
            std::fprintf(stderr,
                         "mtafilter: skipping %s: message ids have at most %zu characters\n",
                         name.c_str(), kMaxMessageIdLength);
    }
    return 1;
}

void RunMessages(const PluginExports& plugin, const QueueRunOptions& options,
                 const std::vector<std::string>& ids, QueueRunResult* result) {
    result->initResult = plugin.filterInit(0);
    if (result->initResult == 0)
        std::fprintf(stderr,
                     "mtafilter: warning: FilterInit returned 0: an antivirus agent plug-in "
                     "named by another filter's settings could not be loaded (see the "
                     "plug-in's output above); going on as the MTA does\n");
    Progress progress(ids.size(), options.quiet);
    for (const std::string& id : ids) {
        plugin.filterExecute("", id.c_str(), options.connector.c_str(), 0);
        progress.Done(static_cast<size_t>(++result->processed), id);
    }
    progress.Finish();
    plugin.filterUnInit(0);
}

}  // namespace

int PluginHost::Load(const std::string& path, std::string* error) {
    Unload();
    library_ = platform::LibraryLoad(path.c_str());
    if (library_ == nullptr) {
        const char* reason = platform::LibraryLastError();
        *error = "cannot load the plug-in " + path + ": " + (reason ? reason : "unknown error") +
                 "; build it (cmake --build BUILD-DIR --target MTAFILTER) or name the library "
                 "with --plugin PATH";
        return 0;
    }
    std::string missing;
    ResolveExport(library_, "FilterInit", &exports_.filterInit, &missing);
    ResolveExport(library_, "FilterExecute", &exports_.filterExecute, &missing);
    ResolveExport(library_, "FilterCommand", &exports_.filterCommand, &missing);
    ResolveExport(library_, "FilterUnInit", &exports_.filterUnInit, &missing);
    ResolveExport(library_, "ExecuteVBScript", &exports_.executeVBScript, &missing);
    if (missing.empty()) return 1;
    *error = path + " is not an MTA filter plug-in: it does not export " + missing;
    Unload();
    return 0;
}

void PluginHost::Unload() {
    platform::LibraryUnload(library_);
    library_ = nullptr;
    exports_ = {};
}

int RunQueue(const QueueRunOptions& options, QueueRunResult* result, std::string* error) {
    std::vector<std::string> ids = options.messageIds;
    if (ids.empty() && !ListInboundQueue(options.connector, &ids, error)) return 0;
    auto start = std::chrono::steady_clock::now();
    // The plug-in keeps its providers to itself; the same loading rules applied here
    // show how it finds them, without initialising or calling any.
    result->scanners = InspectServerScanners();
    PluginHost host;
    if (!host.Load(options.pluginPath, error)) return 0;
    RunMessages(host.Exports(), options, ids, result);
    host.Unload();
    result->seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!options.quiet) {
        std::fprintf(stderr, "processed %d message%s from %s in %.1f s\n", result->processed,
                     result->processed == 1 ? "" : "s", options.connector.c_str(), result->seconds);
        std::fprintf(stderr, "providers: %s\n", ScannersText(result->scanners).c_str());
    }
    return 1;
}

std::string QueueRunJson(const QueueRunOptions& options, const QueueRunResult& result) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", result.seconds);
    return JsonObject({{"plugin", JsonQuoted(options.pluginPath)},
                       {"connector", JsonQuoted(options.connector)},
                       {"processed", std::to_string(result.processed)},
                       {"filterInit", std::to_string(result.initResult)},
                       {"seconds", seconds},
                       {"providers", ScannersJson(result.scanners)}});
}
