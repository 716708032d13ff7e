// tools/DemoCommand.cpp: "mtafilter demo", which builds a complete default server tree,
// runs its sample queue through the plug-in exactly as "mtafilter run" does, and shows
// the administrator where everything is and what the report log says.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/RegistryAccess.h"
#include "frame/RegistryKeys.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "tools/Commands.h"
#include "tools/PluginHost.h"
#include "tools/ServerTree.h"

namespace {

constexpr const char* kSynopsis = "usage: mtafilter demo [DIR] [--json]\n";
constexpr const char* kDetails =
    "\n"
    "Builds a complete default server tree in DIR (default ./mtafilter-demo): a registry\n"
    "DIR/registry.db (unless --registry names another) whose settings point into the tree,\n"
    "a filter table, and sample messages in the SMTP connector's Inbound queue.\n"
    "Then runs that queue through the plug-in as 'mtafilter run' does and shows the report\n"
    "log. Running the demo again on the same DIR rebuilds the tree from scratch.\n"
    "\n"
    "  --json  a JSON summary on standard output instead of the text one\n";

constexpr const char* kDefaultDirectory = "mtafilter-demo";
constexpr const char* kRegistryFile = "registry.db";
// Only a directory holding this file is emptied before a rebuild.
constexpr const char* kMarkerFile = "MTAFILTER-DEMO.txt";
constexpr const char* kMarkerText =
    "This directory was built by 'mtafilter demo'. Running the demo on it again deletes\n"
    "everything in it and builds it afresh.\n";
// Capacity of "Mail Root" as the plug-in reads it (1023 characters).
constexpr size_t kMailRootCapacity = 1024;

struct DemoArguments {
    std::string directory = kDefaultDirectory;  // where the tree goes
    bool json = false;                          // --json
    bool help = false;                          // --help
};

struct ReportLog {
    std::string path;                // the report file
    std::vector<std::string> lines;  // its lines, without line ends
};

// Returns 1 when every argument was understood; 0 with *error otherwise.
int ParseArguments(int argc, char** argv, DemoArguments* args, std::string* error) {
    bool haveDirectory = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            args->help = true;
        } else if (std::strcmp(arg, "--json") == 0) {
            args->json = true;
        } else if (arg[0] == '-' || haveDirectory) {
            *error = std::string(arg[0] == '-' ? "unknown option " : "more than one DIR: ") + arg;
            return 0;
        } else {
            args->directory = arg;
            haveDirectory = true;
        }
    }
    return 1;
}

std::string JoinPath(const std::string& directory, const std::string& name) {
    return directory + "/" + name;
}

int RemoveEntry(const std::string& path) {
    return platform::DirectoryExists(path.c_str()) ? platform::DirectoryRemoveTree(path.c_str())
                                                   : platform::FileDelete(path.c_str());
}

// Leaves `root` an empty directory: creates it, or empties a previous demo tree. Refuses a
// directory that has anything else in it, so that no administrator's files are lost.
int PrepareDirectory(const std::string& root, std::string* error) {
    std::vector<std::string> entries;
    if (!platform::DirectoryExists(root.c_str())) {
        if (platform::DirectoryCreate(root.c_str())) return 1;
        *error = "cannot create the directory " + root;
        return 0;
    }
    if (!platform::DirectoryList(root.c_str(), 1, &entries)) {
        *error = "cannot list " + root;
        return 0;
    }
    if (entries.empty()) return 1;
    if (platform::FileSize(JoinPath(root, kMarkerFile).c_str()) < 0) {
        *error = root +
                 " is not empty and was not built by 'mtafilter demo'; name a new or "
                 "empty directory";
        return 0;
    }
    for (const std::string& entry : entries) {
        if (RemoveEntry(JoinPath(root, entry))) continue;
        *error = "cannot remove " + JoinPath(root, entry) + " from the previous demo tree";
        return 0;
    }
    return 1;
}

// Without --registry the tree gets a registry of its own. One that was given may not
// serve another server already: the demo would repoint that server's directories.
int ChooseRegistry(const std::string& root, std::string* error) {
    if (std::getenv(platform::kRegistryPathVariable) == nullptr) {
        setenv(platform::kRegistryPathVariable, JoinPath(root, kRegistryFile).c_str(), 1);
        return 1;
    }
    char mailRoot[kMailRootCapacity];
    if (!ReadRegistryString(keys::kRoot, values::kMailRoot, mailRoot) ||
        JoinPath(root, kTreeMailRoot) == mailRoot)
        return 1;
    *error = std::string("the registry ") + platform::RegistryDatabasePath() +
             " already holds the settings of the server whose \"" + values::kMailRoot + "\" is " +
             mailRoot + "; give the demo a registry of its own with --registry FILE";
    return 0;
}

int WriteMarker(const std::string& root, std::string* error) {
    std::string path = JoinPath(root, kMarkerFile);
    std::ofstream marker(path, std::ios::binary | std::ios::trunc);
    marker << kMarkerText;
    marker.close();
    if (marker) return 1;
    *error = "cannot write " + path;
    return 0;
}

// Every report file of the tree's log directory (two when the run crossed midnight).
std::vector<ReportLog> ReadReportLogs(const std::string& root) {
    std::string directory = JoinPath(root, kTreeLogs);
    std::vector<std::string> names;
    std::vector<ReportLog> logs;
    if (!platform::DirectoryList(directory.c_str(), 0, &names)) return logs;
    for (const std::string& name : names) {
        ReportLog log{JoinPath(directory, name), {}};
        std::ifstream file(log.path, std::ios::binary);
        for (std::string line; std::getline(file, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            log.lines.push_back(line);
        }
        logs.push_back(log);
    }
    return logs;
}

void PrintText(const std::string& root, int queued, const QueueRunOptions& run,
               const QueueRunResult& result, const std::vector<ReportLog>& logs) {
    std::printf("Demo server tree: %s\n", root.c_str());
    std::printf("  registry       %s\n", platform::RegistryDatabasePath());
    std::printf("  filter table   %s/FILTER.TAB\n", JoinPath(root, kTreeFilters).c_str());
    std::printf("  queue          %s/%s/Inbound (%d sample messages)\n",
                JoinPath(root, kTreeConnectorRoot).c_str(), run.connector.c_str(), queued);
    std::printf("Processed %d messages through %s in %.1f s.\n", result.processed,
                run.pluginPath.c_str(), result.seconds);
    if (logs.empty())
        std::printf("No report log was written in %s.\n", JoinPath(root, kTreeLogs).c_str());
    for (const ReportLog& log : logs) {
        std::printf("Report log %s:\n", log.path.c_str());
        for (const std::string& line : log.lines) std::printf("  %s\n", line.c_str());
    }
    std::printf("Run the queue again with: mtafilter --registry %s run\n",
                platform::RegistryDatabasePath());
}

void PrintJson(const std::string& root, int queued, const QueueRunOptions& run,
               const QueueRunResult& result, const std::vector<ReportLog>& logs) {
    std::string json = "{\"tree\": " + JsonQuoted(root) +
                       ", \"registry\": " + JsonQuoted(platform::RegistryDatabasePath()) +
                       ", \"queued\": " + std::to_string(queued) +
                       ", \"run\": " + QueueRunJson(run, result) + ", \"reportLogs\": [";
    for (size_t i = 0; i < logs.size(); ++i) {
        json += (i ? ", " : "") + std::string("{\"path\": ") + JsonQuoted(logs[i].path) +
                ", \"lines\": [";
        for (size_t j = 0; j < logs[i].lines.size(); ++j)
            json += (j ? ", " : "") + JsonQuoted(logs[i].lines[j]);
        json += "]}";
    }
    std::printf("%s]}\n", json.c_str());
}

// Builds the tree and runs it. Returns the exit code; errors are printed here.
int BuildAndRun(const std::string& root, bool json) {
    std::string error;
    int queued = 0;
    if (!PrepareDirectory(root, &error) || !ChooseRegistry(root, &error) ||
        !WriteMarker(root, &error) || (queued = BuildServerTree(root, &error)) == 0) {
        std::fprintf(stderr, "mtafilter demo: %s\n", error.c_str());
        return kExitFailure;
    }
    QueueRunOptions run;
    run.pluginPath = MTAFILTER_DEFAULT_PLUGIN;
    run.connector = kSampleConnector;
    run.quiet = true;  // the summary below says it all
    QueueRunResult result;
    if (!RunQueue(run, &result, &error)) {
        std::fprintf(stderr, "mtafilter demo: the tree is built in %s, but %s\n", root.c_str(),
                     error.c_str());
        return kExitFailure;
    }
    std::vector<ReportLog> logs = ReadReportLogs(root);
    if (json)
        PrintJson(root, queued, run, result, logs);
    else
        PrintText(root, queued, run, result, logs);
    return kExitSuccess;
}

}  // namespace

int DemoCommand(int argc, char** argv) {
    DemoArguments args;
    std::string error;
    if (!ParseArguments(argc, argv, &args, &error)) {
        std::fprintf(stderr, "mtafilter demo: %s\n%s", error.c_str(), kSynopsis);
        return kExitUsage;
    }
    if (args.help) {
        std::printf("%s%s", kSynopsis, kDetails);
        return kExitSuccess;
    }
    // Absolute, because the registry settings must name the tree from anywhere.
    std::filesystem::path root = std::filesystem::absolute(args.directory).lexically_normal();
    if (!root.has_filename()) root = root.parent_path();  // "demo/" names "demo"
    return BuildAndRun(root.string(), args.json);
}
