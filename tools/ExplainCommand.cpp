// tools/ExplainCommand.cpp: "mtafilter explain", which evaluates the system filters'
// criteria on one queued message without acting and shows what the action dispatcher
// would decide from, so an administrator sees why a message was or was not caught.

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "actions/ActionContext.h"
#include "actions/ActionTable.h"
#include "base/MessageEnvelope.h"
#include "base/RegistryKeys.h"
#include "base/Settings.h"
#include "common/Console.h"
#include "common/FileQueries.h"
#include "common/SafeText.h"
#include "filters/ActionLine.h"
#include "filters/FilterSet.h"
#include "filters/ScopePaths.h"
#include "filters/ScriptSite.h"
#include "frame/MessageEvaluation.h"
#include "platform/Console.h"
#include "platform/Files.h"
#include "providers/DnsProvider.h"
#include "providers/ProviderLibraries.h"
#include "providers/ProviderOverview.h"
#include "providers/StoreLibrary.h"
#include "tools/CommandLine.h"
#include "tools/Commands.h"
#include "tools/Json.h"
#include "tools/PluginHost.h"
#include "tools/ScannerReport.h"
#include "tools/ServerConfiguration.h"
#include "vbscript/ScriptEngine.h"

namespace {

constexpr const char* kUsage =
    "usage: mtafilter explain [--connector NAME] [--json] [--verbose] MESSAGE_ID\n"
    "\n"
    "Evaluates the server's filters on message MESSAGE_ID of a connector's Inbound queue\n"
    "as the plug-in does, without running any action, and shows for each filter whether\n"
    "it matched and, for each enabled criterion, how often it matched, the threshold it\n"
    "needs, what it found and its condition values. A script filter's program is run as\n"
    "the plug-in runs it (it decides nothing else) and its result data is shown; script\n"
    "errors are printed to standard error.\n"
    "The DNS provider and the scanning providers are loaded and asked as the plug-in asks\n"
    "them; the report says which of them took part. Statistics counters are left as they\n"
    "are. Filters after one whose actions stop processing are shown as not reached, as\n"
    "the plug-in never decides them.\n"
    "\n"
    "  --connector NAME  the connector queue (default SMTP)\n"
    "  --json            the same as one JSON object\n"
    "  --verbose         also show the plug-in's own console lines, before the report\n";

constexpr const char* kCommand = "explain";
constexpr size_t kPathCapacity = 1024;
constexpr size_t kActionLineCapacity = 2048;  // as the dispatcher reads action lines

struct Arguments {
    std::string connector = "SMTP";
    std::string messageId;
    bool json = false;
    bool verbose = false;
};

struct CriterionReport {
    int type = 0;
    int matchCount = 0;
    int threshold = 0;
    std::string resultText;
    std::vector<std::string> conditionValues;
};

struct FilterReport {
    int number = 0;
    std::string ruleName;
    std::string displayName;
    bool isScript = false;
    bool reached = true;  // false after a filter that stops processing
    bool matched = false;
    bool stops = false;            // matched, and its actions stop processing
    std::string scriptResultData;  // what a script filter's program named its match
    std::vector<CriterionReport> criteria;
};

constexpr OptionSpec kOptions[] = {
    {"--connector", "a name"},
    {"--json", nullptr},
    {"--verbose", nullptr},
};

// The options into *args. Returns 1, or 0 with *error.
int TakeArguments(const ParsedArguments& parsed, Arguments* args, std::string* error) {
    args->connector = parsed.Value("--connector", args->connector);
    args->json = parsed.Has("--json");
    args->verbose = parsed.Has("--verbose");
    if (!IsValidConnector(args->connector)) {
        *error = "--connector needs a name of 1 to " + std::to_string(kMaxConnectorLength) +
                 " characters";
        return 0;
    }
    if (parsed.positional.size() > 1) {
        *error = "only one MESSAGE_ID may be given";
        return 0;
    }
    if (parsed.positional.size() == 1) args->messageId = parsed.positional[0];
    if (!IsValidMessageId(args->messageId)) {
        *error =
            "give one MESSAGE_ID of 1 to " + std::to_string(kMaxMessageIdLength) + " characters";
        return 0;
    }
    return 1;
}

// Script errors are for the administrator running the command, not for the report log.
void PrintScriptError(const char* caption, const char* text) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

// The message file of the Inbound queue; 0 with a message naming where it looked.
int FindMessage(const Arguments& args) {
    char root[kPathCapacity];
    char path[kPathCapacity];
    CurrentConnectorRoot(root, sizeof root);
    if (!MessageFilePath(root, args.connector.c_str(), args.messageId.c_str(), Queue::kInbound,
                         path, sizeof path))
        return Failure(kCommand, "the message path below " + std::string(root) + " is too long");
    if (FileExists(path)) return 1;
    Failure(kCommand, "no message " + args.messageId + " in the Inbound queue of connector " +
                          args.connector + ": looked for " + platform::HostPath(path) +
                          " (set the connector root with \"" + values::kConnectorRootDirectory +
                          "\")");
    return 0;
}

// The DNS provider and the scanning providers loaded and initialised as the plug-in
// does, for as long as the object lives, so that the link blacklist and scanner criteria
// are evaluated too. An explanation is not a scan of the server's mail, so the
// statistics counters are left alone.
class ScannerSession {
public:
    ScannerSession() {
        Settings().updateStatistics = 0;
        LoadDnsProvider(Settings().localDnsServerList);  // stays loaded, as in the plug-in
        ReadScannerSwitches();
        LoadScannerProviders();
    }
    ~ScannerSession() {
        ReleaseScannerProviders();
        StopStoreLibrary();  // the antivirus engine brings it along
    }
    ScannerSession(const ScannerSession&) = delete;
    ScannerSession& operator=(const ScannerSession&) = delete;
};

CriterionReport DescribeCriterion(const Criterion& criterion, const FilterEvaluation* evaluation,
                                  int type) {
    CriterionReport report;
    report.type = type;
    report.threshold = criterion.threshold;
    if (evaluation == nullptr) return report;
    report.matchCount = evaluation->matchCount[type];
    report.resultText = evaluation->resultText[type];
    const int count =
        criterion.conditionCount < kMaxConditions ? criterion.conditionCount : kMaxConditions;
    for (int j = 0; j < count; ++j)
        report.conditionValues.push_back(evaluation->conditionValues[type][j]);
    return report;
}

// Whether the filter's action file has an enabled STOP_PROCESSING line: the dispatcher
// then decides no later filter.
bool StopsProcessing(const FilterSet& set, const FilterDefinition& filter) {
    char path[kFilterPathCapacity];
    if (!BuildScopePath(set, ScopeFile::kActionFile, filter.filterId, path)) return false;
    platform::File file = platform::FileOpen(path, platform::FileMode::kReadText);
    if (file == nullptr) return false;
    bool stops = false;
    char text[kActionLineCapacity];
    ActionLine line;
    while (!stops && platform::FileReadLine(file, text, sizeof text) != nullptr) {
        ParseActionLine(text, &line);
        const ActionName* action = FindAction(line.name, ScopeOf(set) == FilterScope::kMailbox);
        stops = line.status == 1 && action != nullptr && action->stopsFilters;
    }
    platform::FileClose(file);
    return stops;
}

FilterReport DescribeFilter(MessageRecord* record, const FilterSet* set, int number,
                            FilterEvaluationSet* evaluations, bool reached) {
    const FilterDefinition& filter = *set->filters[number];
    FilterReport report;
    report.number = number;
    report.ruleName = filter.ruleName;
    report.displayName = filter.displayName;
    report.isScript = filter.isScript == 1;
    report.reached = reached;
    if (reached) {
        // The dispatcher's own decision, scripts run as the plug-in runs them.
        auto match = std::make_unique<FilterMatch>();
        DecideFilterMatch(record, set, number, evaluations, match.get());
        report.matched = match->matched;
        if (report.isScript) report.scriptResultData = match->criteriaName;
        report.stops = report.matched && StopsProcessing(*set, filter);
    }
    const FilterEvaluation* evaluation = EvaluationOf(evaluations, number);
    for (int type = 0; type < kCriterionTypeCount; ++type) {
        if (filter.criteria[type].enabled == 1)
            report.criteria.push_back(DescribeCriterion(filter.criteria[type], evaluation, type));
    }
    return report;
}

struct ProvidersReport {
    bool dnsReady = false;
    ScannerOverviewList scanners{};
};

// The system filters evaluated on the message exactly as the plug-in's run evaluates
// it, and the providers that took part; 0 with a message when it cannot be read.
int Evaluate(const Arguments& args, std::vector<FilterReport>* reports,
             ProvidersReport* providers) {
    // The plug-in's console lines would mix with the report; --verbose keeps them.
    const ConsoleQuiet quiet(!args.verbose);
    ScannerSession scannerSession;
    providers->dnsReady = DnsProviderReady() != 0;
    providers->scanners = LoadedScanners();
    auto set = std::make_unique<FilterSet>();
    ResetFilterSet(set.get());
    LoadFilters(set.get());
    int scanned = 0;
    {
        MessageEvaluation message(set.get(), args.connector.c_str(), args.messageId.c_str());
        scanned = message.Scanned();
        bool reached = true;
        for (int number = 1; scanned && number <= set->filterCount; ++number) {
            reports->push_back(DescribeFilter(message.Record(), set.get(), number,
                                              message.Evaluations(), reached));
            if (reports->back().stops) reached = false;
        }
    }
    ReleaseFilters(set.get());
    ResetFilterSet(set.get());
    return scanned;
}

std::string ProvidersText(const ProvidersReport& providers) {
    return std::string("DNS ") + (providers.dnsReady ? "ready" : "not loaded") + ", " +
           ScannersText(providers.scanners);
}

std::string ProvidersJson(const ProvidersReport& providers) {
    JsonMembers members = {{"DNS", JsonQuoted(providers.dnsReady ? "ready" : "not loaded")}};
    for (auto& member : ScannerMembers(providers.scanners)) members.push_back(std::move(member));
    return JsonObject(members, JsonLayout::kCompact);
}

void PrintText(const Arguments& args, const std::vector<FilterReport>& reports,
               const ProvidersReport& providers) {
    std::printf("Message %s (connector %s, Inbound)\n", args.messageId.c_str(),
                args.connector.c_str());
    std::printf("Providers: %s\n", ProvidersText(providers).c_str());
    if (reports.empty()) std::printf("No filters are loaded.\n");
    for (const FilterReport& filter : reports) {
        std::string verdict = !filter.reached ? "not reached: an earlier filter stops processing"
                              : filter.isScript
                                  ? std::string(filter.matched ? "matched" : "not matched") +
                                        " by its script (result data \"" + filter.scriptResultData +
                                        "\")"
                              : filter.matched ? "matched"
                                               : "not matched";
        if (filter.stops) verdict += "; its actions stop processing";
        std::printf("\nFilter %d: %s (%s): %s\n", filter.number, filter.displayName.c_str(),
                    filter.ruleName.c_str(), verdict.c_str());
        for (const CriterionReport& criterion : filter.criteria) {
            std::string conditions;
            for (const std::string& value : criterion.conditionValues)
                conditions += (conditions.empty() ? "\"" : ", \"") + value + "\"";
            // A script filter's criteria have no threshold: its program decides the match.
            const std::string count =
                std::to_string(criterion.matchCount) +
                (filter.isScript ? " found" : " of " + std::to_string(criterion.threshold));
            std::printf("  %s: %s, result \"%s\", conditions [%s]\n",
                        kCriterionTypeNames[criterion.type], count.c_str(),
                        criterion.resultText.c_str(), conditions.c_str());
        }
    }
}

std::string JsonCriterion(const CriterionReport& criterion) {
    return JsonObject({{"type", JsonQuoted(kCriterionTypeNames[criterion.type])},
                       {"matchCount", std::to_string(criterion.matchCount)},
                       {"threshold", std::to_string(criterion.threshold)},
                       {"resultText", JsonQuoted(criterion.resultText)},
                       {"conditionValues",
                        JsonArray(criterion.conditionValues, JsonQuoted, JsonLayout::kCompact)}},
                      JsonLayout::kCompact);
}

std::string JsonFilter(const FilterReport& filter) {
    JsonMembers members = {{"number", std::to_string(filter.number)},
                           {"ruleName", JsonQuoted(filter.ruleName)},
                           {"displayName", JsonQuoted(filter.displayName)},
                           {"isScript", JsonBool(filter.isScript)}};
    if (filter.isScript)
        members.emplace_back("scriptResultData", JsonQuoted(filter.scriptResultData));
    members.insert(members.end(),
                   {{"reached", JsonBool(filter.reached)},
                    {"matched", JsonBool(filter.matched)},
                    {"stopsProcessing", JsonBool(filter.stops)},
                    {"criteria", JsonArray(filter.criteria, JsonCriterion, JsonLayout::kCompact)}});
    return JsonObject(members, JsonLayout::kCompact);
}

}  // namespace

int ExplainCommand(int argc, char** argv) {
    ParsedArguments parsed;
    if (int code = ReadArguments(kCommand, kUsage, argc, argv, kOptions, &parsed); code != kProceed)
        return code;
    Arguments args;
    std::string error;
    if (!TakeArguments(parsed, &args, &error)) return UsageError(kCommand, kUsage, error);
    char configuration[kFilterPathCapacity];
    if (!ReadServerConfiguration(kCommand, configuration, sizeof configuration) ||
        !FindMessage(args))
        return kExitFailure;
    std::vector<FilterReport> reports;
    ProvidersReport providers;
    vbscript::RegisterVBScriptEngine();
    const ScriptErrorPresenter previous = SetScriptErrorPresenter(PrintScriptError);
    const int evaluated = Evaluate(args, &reports, &providers);
    SetScriptErrorPresenter(previous);
    if (!evaluated)
        return Failure(kCommand,
                       "message " + args.messageId +
                           " could not be read, or a loop mark says the filters leave it alone");
    if (args.json)
        std::printf("%s\n",
                    JsonObject({{"filters", JsonArray(reports, JsonFilter, JsonLayout::kCompact)},
                                {"providers", ProvidersJson(providers)}},
                               JsonLayout::kCompact)
                        .c_str());
    else
        PrintText(args, reports, providers);
    return kExitSuccess;
}
