// tools/RunQueueCommand.cpp: "mtafilter run", which plays the MTA: it loads the plug-in
// and hands it a connector's queued messages one by one.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "tools/Commands.h"
#include "tools/PluginHost.h"
#include "tools/ServerTree.h"

namespace {

constexpr const char* kSynopsis =
    "usage: mtafilter run [--plugin PATH] [--connector NAME] [--quiet] [--json] "
    "[MESSAGE_ID...]\n";
constexpr const char* kDetails =
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

struct RunArguments {
    QueueRunOptions options;  // what to run
    bool json = false;        // --json
    bool help = false;        // --help
};

int Refuse(std::string* error, const std::string& reason) {
    *error = reason;
    return 0;
}

// When argv[*index] is the option `name`, as "--name VALUE" or "--name=VALUE", takes its value
// (empty when it has none) and steps *index past it. Returns whether it was that option.
bool TakeOptionValue(const char* name, int argc, char** argv, int* index, std::string* value) {
    const char* arg = argv[*index];
    size_t length = std::strlen(name);
    if (std::strncmp(arg, name, length) != 0) return false;
    if (arg[length] == '=') {
        *value = arg + length + 1;
        return true;
    }
    if (arg[length] != '\0') return false;
    *value = *index + 1 < argc ? argv[++*index] : "";
    return true;
}

// Returns 1 when every argument was understood; 0 with *error otherwise.
int ParseArguments(int argc, char** argv, RunArguments* args, std::string* error) {
    QueueRunOptions& options = args->options;
    options.pluginPath = MTAFILTER_DEFAULT_PLUGIN;
    options.connector = kSampleConnector;
    bool onlyIds = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (onlyIds || arg[0] != '-') {
            options.messageIds.push_back(arg);
        } else if (std::strcmp(arg, "--") == 0) {
            onlyIds = true;
        } else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            args->help = true;
        } else if (std::strcmp(arg, "--quiet") == 0) {
            options.quiet = true;
        } else if (std::strcmp(arg, "--json") == 0) {
            args->json = true;
        } else if (TakeOptionValue("--plugin", argc, argv, &i, &options.pluginPath)) {
            if (options.pluginPath.empty()) return Refuse(error, "--plugin needs a path");
            // A bare file name would make the loader search the system's library path.
            options.pluginPath = std::filesystem::absolute(options.pluginPath).string();
        } else if (TakeOptionValue("--connector", argc, argv, &i, &options.connector)) {
            if (!IsValidConnector(options.connector))
                return Refuse(error, "--connector needs a name of 1 to " +
                                         std::to_string(kMaxConnectorLength) + " characters");
        } else {
            return Refuse(error, std::string("unknown option ") + arg);
        }
    }
    for (const std::string& id : options.messageIds)
        if (!IsValidMessageId(id))
            return Refuse(error, "message id '" + id + "' is not 1 to " +
                                     std::to_string(kMaxMessageIdLength) + " characters long");
    return 1;
}

}  // namespace

int RunQueueCommand(int argc, char** argv) {
    RunArguments args;
    std::string error;
    if (!ParseArguments(argc, argv, &args, &error)) {
        std::fprintf(stderr, "mtafilter run: %s\n%s", error.c_str(), kSynopsis);
        return kExitUsage;
    }
    if (args.help) {
        std::printf("%s%s", kSynopsis, kDetails);
        return kExitSuccess;
    }
    QueueRunResult result;
    if (!RunQueue(args.options, &result, &error)) {
        std::fprintf(stderr, "mtafilter run: %s\n", error.c_str());
        return kExitFailure;
    }
    if (args.json) std::printf("%s\n", QueueRunJson(args.options, result).c_str());
    return kExitSuccess;
}
