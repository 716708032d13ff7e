// tools/PluginHost.h: the MTA's side of the plug-in: loading MTAFILTER.so with the system
// loader, resolving its five exports and feeding it a connector queue, one FilterExecute
// per message, as the mail server does. Used by "mtafilter run" and "mtafilter demo".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Library.h"
#include "providers/ProviderOverview.h"

// The plug-in's exports, C linkage.
using FilterInitFunction = int32_t (*)(intptr_t unused);
using FilterExecuteFunction = int32_t (*)(const char* unusedText, const char* messageId,
                                          const char* connectorName, intptr_t unused);
using FilterCommandFunction = int32_t (*)(intptr_t unused1, intptr_t unused2, const char* command);
using FilterUnInitFunction = int32_t (*)(intptr_t unused);
using ExecuteVBScriptFunction = int32_t (*)(const char* script, const char* functionName,
                                            char* resultData, int32_t resultDataCapacity,
                                            int32_t fetchResultData);

// The five entry points, resolved by name; all set once Load has succeeded.
struct PluginExports {
    FilterInitFunction filterInit;
    FilterExecuteFunction filterExecute;
    FilterCommandFunction filterCommand;
    FilterUnInitFunction filterUnInit;
    ExecuteVBScriptFunction executeVBScript;
};

// The host passes at most this many characters, and the plug-in keeps no more.
constexpr size_t kMaxMessageIdLength = 63;
constexpr size_t kMaxConnectorLength = 127;

inline bool IsValidMessageId(const std::string& id) {
    return !id.empty() && id.size() <= kMaxMessageIdLength;
}

inline bool IsValidConnector(const std::string& connector) {
    return !connector.empty() && connector.size() <= kMaxConnectorLength;
}

// One loaded plug-in. Loading runs the plug-in's initialisation; unloading (also on
// destruction) its teardown.
class PluginHost {
public:
    PluginHost() = default;
    ~PluginHost() { Unload(); }
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    // Loads the library and resolves all five exports. Returns 1 on success; 0 with
    // *error naming the path and what to do (nothing stays loaded then).
    [[nodiscard]] int Load(const std::string& path, std::string* error);
    void Unload();
    const PluginExports& Exports() const { return exports_; }

private:
    platform::Library library_ = nullptr;
    PluginExports exports_{};
};

struct QueueRunOptions {
    std::string pluginPath;               // the library to load
    std::string connector;                // queue directory below the connector root
    std::vector<std::string> messageIds;  // empty: every message file of the Inbound queue
    bool quiet = false;                   // no progress and no summary line
};

struct QueueRunResult {
    int processed = 0;               // FilterExecute calls made
    int initResult = 0;              // what FilterInit returned
    double seconds = 0.0;            // from loading the plug-in to unloading it
    ScannerOverviewList scanners{};  // the scanning providers the plug-in loaded
};

// Runs the messages through the plug-in as the MTA does: load, FilterInit(0), one
// FilterExecute per message in name order, FilterUnInit(0), unload. Progress and a
// summary (with the scanning providers' states) go to standard error; the plug-in's own
// console lines stay on standard output. Returns 1 on success; 0 with *error (nothing
// run) when the queue cannot be found or the plug-in cannot be loaded.
[[nodiscard]] int RunQueue(const QueueRunOptions& options, QueueRunResult* result,
                           std::string* error);

// The result as a JSON object (one line, no line feed), for --json output.
std::string QueueRunJson(const QueueRunOptions& options, const QueueRunResult& result);
