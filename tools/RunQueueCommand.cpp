// tools/RunQueueCommand.cpp: "mtafilter run", which plays the MTA: it loads the plug-in
// and hands it a connector's queued messages one by one.
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/CommandLine.h"
#include "tools/Commands.h"
#include "tools/PluginHost.h"
#include "tools/ServerTree.h"

namespace {

constexpr const char* kCommand = "run";
constexpr const char* kUsage =
    "usage: mtafilter run [--plugin PATH] [--connector NAME] [--quiet] [--json] "
    "[MESSAGE_ID...]\n"
    "\n"
    "Loads the plug-in as the MTA does, calls FilterInit, then FilterExecute for each\n"
    "message, then FilterUnInit, and unloads it. Without message ids every message file\n"
    "of the connector's Inbound queue below \"Connector Root Directory\" is run, in name\n"
    "order. The summary says which scanning providers the plug-in loads from the provider\n"
    "directory: ready, off, unavailable (switched on, library or entry point missing) or\n"
    "failed to load.\n"
    "\n"
    "  --plugin PATH     the plug-in library (default " MTAFILTER_DEFAULT_PLUGIN
    ")\n"
    "  --connector NAME  the connector whose queue holds the messages (default SMTP)\n"
    "  --quiet           no progress and no summary on standard error\n"
    "  --json            a JSON summary on standard output at the end\n";

constexpr OptionSpec kOptions[] = {
    {"--plugin", "a path"},
    {"--connector", "a name"},
    {"--quiet", nullptr},
    {"--json", nullptr},
};

// The options into *options. Returns 1, or 0 with *error.
int TakeArguments(const ParsedArguments& parsed, QueueRunOptions* options, std::string* error) {
    // A bare file name would make the loader search the system's library path.
    options->pluginPath =
        std::filesystem::absolute(parsed.Value("--plugin", MTAFILTER_DEFAULT_PLUGIN)).string();
    options->connector = parsed.Value("--connector", kSampleConnector);
    options->quiet = parsed.Has("--quiet");
    options->messageIds = parsed.positional;
    if (!IsValidConnector(options->connector)) {
        *error = "--connector needs a name of 1 to " + std::to_string(kMaxConnectorLength) +
                 " characters";
        return 0;
    }
    for (const std::string& id : options->messageIds) {
        if (IsValidMessageId(id)) continue;
        *error = "message id '" + id + "' is not 1 to " + std::to_string(kMaxMessageIdLength) +
                 " characters long";
        return 0;
    }
    return 1;
}

}  // namespace

int RunQueueCommand(int argc, char** argv) {
    ParsedArguments parsed;
    if (int code = ReadArguments(kCommand, kUsage, argc, argv, kOptions, &parsed); code != kProceed)
        return code;
    QueueRunOptions options;
    std::string error;
    if (!TakeArguments(parsed, &options, &error)) return UsageError(kCommand, kUsage, error);
    QueueRunResult result;
    if (!RunQueue(options, &result, &error)) return Failure(kCommand, error);
    if (parsed.Has("--json")) std::printf("%s\n", QueueRunJson(options, result).c_str());
    return kExitSuccess;
}
