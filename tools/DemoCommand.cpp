// tools/DemoCommand.cpp: "mtafilter demo", which builds a default server tree with sample
// filters, runs its connector queues through the plug-in exactly as "mtafilter run" does,
// and shows the administrator the report log, what the filters did and where it all is.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "base/LoopMark.h"
#include "base/RegistryKeys.h"
#include "common/RegistryAccess.h"
#include "platform/Console.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "tools/CommandLine.h"
#include "tools/Commands.h"
#include "tools/Json.h"
#include "tools/PluginHost.h"
#include "tools/ScannerDaemons.h"
#include "tools/ServerTree.h"

namespace {

constexpr const char* kCommand = "demo";
constexpr const char* kUsage =
    "usage: mtafilter demo [DIR] [--json] [--scanners] [--spamd ADDRESS] [--clamd ADDRESS]\n"
    "\n"
    "Builds a complete default server tree in DIR (default ./mtafilter-demo): a registry\n"
    "DIR/registry.db (unless --registry names another) whose settings point into the tree,\n"
    "a filter table with sample filters, and sample messages in the Inbound queues of\n"
    "the SMTP and LS connectors. Then runs both queues through the plug-in as\n"
    "'mtafilter run' does, shows the report log and sums up what the filters did.\n"
    "Running the demo again on the same DIR rebuilds the tree from scratch.\n"
    "\n"
    "With --scanners, each scanner daemon that answers is used: spamd switches the\n"
    "SpamAssassin library on, clamd the antivirus library; each gets a filter and a\n"
    "sample message it catches (the GTUBE and EICAR test texts). A daemon that does not\n"
    "answer is named on standard error and its scanner stays off.\n"
    "\n"
    "  --json             a JSON summary on standard output instead of the text one\n"
    "  --scanners         use spamd and clamd where they answer (default addresses\n"
    "                     127.0.0.1:783 and /var/run/clamav/clamd.ctl)\n"
    "  --spamd ADDRESS    spamd's unix socket path or host:port (implies --scanners)\n"
    "  --clamd ADDRESS    clamd's unix socket path or host:port (implies --scanners)\n";

constexpr const char* kDefaultDirectory = "mtafilter-demo";
constexpr const char* kRegistryFile = "registry.db";
// Only a directory holding this file is emptied before a rebuild.
constexpr const char* kMarkerFile = "MTAFILTER-DEMO.txt";
constexpr const char* kMarkerText =
    "This directory was built by 'mtafilter demo'. Running the demo on it again deletes\n"
    "everything in it and builds it afresh.\n";
// Capacity of "Mail Root" as the plug-in reads it (1023 characters).
constexpr size_t kMailRootCapacity = 1024;

constexpr OptionSpec kOptions[] = {
    {"--json", nullptr},
    {"--scanners", nullptr},
    {"--spamd", "an address"},
    {"--clamd", "an address"},
};

struct ReportLog {
    std::string path;                // the report file
    std::vector<std::string> lines;  // its lines, without line ends
};

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
        platform::SetEnvironmentValue(platform::kRegistryPathVariable,
                                      JoinPath(root, kRegistryFile).c_str());
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

// What the runs did, counted from the report log's "Executed" lines and the tree.
struct DemoSummary {
    int processed = 0;                       // messages run through the plug-in
    int executed = 0;                        // Executed lines: filters that matched
    std::map<std::string, int> filters;      // Executed lines per filter name
    std::map<std::string, int> actions;      // actions carried out, per action name
    int quarantined = 0;                     // files below the quarantine directory
    std::vector<std::string> notifications;  // new messages the plug-in queued
};

// Report log columns of an Executed line.
constexpr size_t kColumnKind = 1;
constexpr size_t kColumnFilter = 4;
constexpr size_t kColumnActions = 5;

std::vector<std::string> SplitText(const std::string& text, const char* separators) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of(separators, start);
        if (end == std::string::npos) end = text.size();
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

std::string Trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void CountExecutedLines(const std::vector<ReportLog>& logs, DemoSummary* summary) {
    for (const ReportLog& log : logs)
        for (const std::string& line : log.lines) {
            std::vector<std::string> columns = SplitText(line, "\t");
            if (columns.size() <= kColumnActions || columns[kColumnKind] != "Executed") continue;
            ++summary->executed;
            ++summary->filters[columns[kColumnFilter]];
            for (const std::string& action : SplitText(columns[kColumnActions], ",;"))
                if (!Trimmed(action).empty()) ++summary->actions[Trimmed(action)];
        }
}

int CountFiles(const std::string& directory) {
    std::error_code error;
    int count = 0;
    for (auto it = std::filesystem::recursive_directory_iterator(directory, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
        count += it->is_regular_file(error) ? 1 : 0;
    return count;
}

std::vector<std::string> ListNames(const std::string& directory) {
    std::vector<std::string> names;
    if (!platform::DirectoryList(directory.c_str(), 0, &names)) names.clear();
    return names;
}

bool CarriesFilterMark(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    for (std::string line; std::getline(file, line) && line != "\r" && !line.empty();)
        if (line.starts_with(kLoopMarkName + std::string(":"))) return true;
    return false;
}

// The SMTP Inbound messages that were not there before the runs and that the plug-in
// marked as its own: the notifications it sent.
std::vector<std::string> FindNotifications(const std::string& messages,
                                           const std::vector<std::string>& before) {
    std::vector<std::string> found;
    for (const std::string& name : ListNames(messages))
        if (std::find(before.begin(), before.end(), name) == before.end() &&
            CarriesFilterMark(JoinPath(messages, name)))
            found.push_back(JoinPath(messages, name));
    return found;
}

std::string SampleMessagesDirectory(const std::string& root, const char* connector) {
    return JoinPath(JoinPath(JoinPath(root, kTreeConnectorRoot), connector), "Inbound/Messages");
}

void PrintSummary(const std::string& root, const DemoSummary& summary,
                  const std::vector<ReportLog>& logs) {
    std::printf("\nSummary\n");
    std::printf("  messages processed  %d\n", summary.processed);
    std::printf("  filters matched     %d\n", summary.executed);
    for (const auto& [name, count] : summary.filters)
        std::printf("    %-38s %d\n", name.c_str(), count);
    int actions = 0;
    for (const auto& entry : summary.actions) actions += entry.second;
    std::printf("  actions carried out %d\n", actions);
    for (const auto& [name, count] : summary.actions)
        std::printf("    %-38s %d\n", name.c_str(), count);
    for (const ReportLog& log : logs) std::printf("  report log          %s\n", log.path.c_str());
    std::printf("  quarantine          %s (%d files)\n", JoinPath(root, kTreeQuarantine).c_str(),
                summary.quarantined);
    std::printf("  notifications       %zu in %s\n", summary.notifications.size(),
                SampleMessagesDirectory(root, kSampleConnector).c_str());
    for (const std::string& path : summary.notifications) std::printf("    %s\n", path.c_str());
}

void PrintText(const std::string& root, const ScannerDaemons& scanners, int queued,
               const std::vector<QueueRunOptions>& runs, const std::vector<QueueRunResult>& results,
               const std::vector<ReportLog>& logs, const DemoSummary& summary) {
    std::printf("Demo server tree: %s\n", root.c_str());
    std::printf("  registry       %s\n", platform::RegistryDatabasePath());
    std::printf("  filter table   %s/FILTER.TAB\n", JoinPath(root, kTreeFilters).c_str());
    for (const SampleFilter& filter : kSampleFilters)
        std::printf("    %-36s %s\n", filter.displayName, filter.purpose);
    if (!scanners.spamd.empty())
        std::printf("    %-36s %s (spamd at %s)\n", kSpamAssassinFilter.displayName,
                    kSpamAssassinFilter.purpose, scanners.spamd.c_str());
    if (!scanners.clamd.empty())
        std::printf("    %-36s %s (clamd at %s)\n", kVirusFilter.displayName, kVirusFilter.purpose,
                    scanners.clamd.c_str());
    std::printf("  queues         %s/{%s,%s}/Inbound (%d sample messages)\n",
                JoinPath(root, kTreeConnectorRoot).c_str(), kSampleConnector, kSecondConnector,
                queued);
    for (size_t i = 0; i < runs.size(); ++i)
        std::printf("Processed %d %s messages through %s in %.1f s.\n", results[i].processed,
                    runs[i].connector.c_str(), runs[i].pluginPath.c_str(), results[i].seconds);
    if (logs.empty())
        std::printf("No report log was written in %s.\n", JoinPath(root, kTreeLogs).c_str());
    for (const ReportLog& log : logs) {
        std::printf("Report log %s:\n", log.path.c_str());
        for (const std::string& line : log.lines) std::printf("  %s\n", line.c_str());
    }
    PrintSummary(root, summary, logs);
    std::printf("Run a queue again with: mtafilter --registry %s run\n",
                platform::RegistryDatabasePath());
}

std::string CountsJson(const std::map<std::string, int>& counts) {
    JsonMembers members;
    for (const auto& [name, count] : counts) members.emplace_back(name, std::to_string(count));
    return JsonObject(members);
}

std::string ReportLogJson(const ReportLog& log) {
    return JsonObject(
        {{"path", JsonQuoted(log.path)}, {"lines", JsonArray(log.lines, JsonQuoted)}});
}

void PrintJson(const std::string& root, int queued, const std::vector<QueueRunOptions>& runs,
               const std::vector<QueueRunResult>& results, const std::vector<ReportLog>& logs,
               const DemoSummary& summary) {
    std::vector<std::string> runsJson;
    for (size_t i = 0; i < runs.size(); ++i) runsJson.push_back(QueueRunJson(runs[i], results[i]));
    const std::string json =
        JsonObject({{"tree", JsonQuoted(root)},
                    {"registry", JsonQuoted(platform::RegistryDatabasePath())},
                    {"queued", std::to_string(queued)},
                    {"runs", JsonArray(runsJson)},
                    {"messagesProcessed", std::to_string(summary.processed)},
                    {"executed", std::to_string(summary.executed)},
                    {"filters", CountsJson(summary.filters)},
                    {"actions", CountsJson(summary.actions)},
                    {"quarantined", std::to_string(summary.quarantined)},
                    {"notifications", JsonArray(summary.notifications, JsonQuoted)},
                    {"reportLogs", JsonArray(logs, ReportLogJson)}});
    std::printf("%s\n", json.c_str());
}

// Runs both connector queues, the sample one first, as the MTA would. Returns 1 with the
// results; 0 with *error when a run could not start.
int RunQueues(std::vector<QueueRunOptions>* runs, std::vector<QueueRunResult>* results,
              std::string* error) {
    for (const char* connector : {kSampleConnector, kSecondConnector}) {
        QueueRunOptions run;
        run.pluginPath = MTAFILTER_DEFAULT_PLUGIN;
        run.connector = connector;
        run.quiet = true;  // the summary says it all
        QueueRunResult result;
        if (!RunQueue(run, &result, error)) return 0;
        runs->push_back(run);
        results->push_back(result);
    }
    return 1;
}

// Builds the tree and runs it. Returns the exit code; errors are printed here.
int BuildAndRun(const std::string& root, const ScannerDaemons& scanners, bool json) {
    std::string error;
    int queued = 0;
    if (!PrepareDirectory(root, &error) || !ChooseRegistry(root, &error) ||
        !WriteMarker(root, &error) || (queued = BuildServerTree(root, &error, scanners)) == 0) {
        return Failure(kCommand, error);
    }
    std::string inbound = SampleMessagesDirectory(root, kSampleConnector);
    std::vector<std::string> before = ListNames(inbound);
    std::vector<QueueRunOptions> runs;
    std::vector<QueueRunResult> results;
    if (!RunQueues(&runs, &results, &error))
        return Failure(kCommand, "the tree is built in " + root + ", but " + error);
    std::vector<ReportLog> logs = ReadReportLogs(root);
    DemoSummary summary;
    for (const QueueRunResult& result : results) summary.processed += result.processed;
    CountExecutedLines(logs, &summary);
    summary.quarantined = CountFiles(JoinPath(root, kTreeQuarantine));
    summary.notifications = FindNotifications(inbound, before);
    if (json)
        PrintJson(root, queued, runs, results, logs, summary);
    else
        PrintText(root, scanners, queued, runs, results, logs, summary);
    return kExitSuccess;
}

// `address` when the daemon answers there; else empty, after telling the administrator.
std::string IfAnswering(bool (*answers)(const std::string&), const std::string& address,
                        const char* daemon, const char* scanner, const char* option) {
    if (answers(address)) return address;
    std::fprintf(stderr,
                 "mtafilter demo: %s does not answer at %s; %s stays off (start %s or name it "
                 "with %s ADDRESS)\n",
                 daemon, address.c_str(), scanner, daemon, option);
    return "";
}

// The daemons asked for that answer. Without --scanners, --spamd or --clamd none is
// asked, and the demo is the plain one.
ScannerDaemons AnsweringDaemons(const ParsedArguments& args) {
    if (!args.Has("--scanners") && !args.Has("--spamd") && !args.Has("--clamd")) return {};
    return {IfAnswering(SpamdAnswers, args.Value("--spamd", kDefaultSpamdAddress), "spamd",
                        "SpamAssassin", "--spamd"),
            IfAnswering(ClamdAnswers, args.Value("--clamd", kDefaultClamdAddress), "clamd",
                        "the antivirus", "--clamd")};
}

}  // namespace

int DemoCommand(int argc, char** argv) {
    ParsedArguments parsed;
    if (int code = ReadArguments(kCommand, kUsage, argc, argv, kOptions, &parsed); code != kProceed)
        return code;
    if (parsed.positional.size() > 1)
        return UsageError(kCommand, kUsage, "more than one DIR: " + parsed.positional[1]);
    // Absolute, because the registry settings must name the tree from anywhere.
    std::filesystem::path root =
        std::filesystem::absolute(parsed.positional.empty() ? kDefaultDirectory
                                                            : parsed.positional[0])
            .lexically_normal();
    if (!root.has_filename()) root = root.parent_path();  // "demo/" names "demo"
    return BuildAndRun(root.string(), AnsweringDaemons(parsed), parsed.Has("--json"));
}
