// tools/FiltersCommand.cpp: "mtafilter filters", which loads the filters of the server, a
// postoffice or a mailbox as the plug-in does and shows each with its criteria and
// actions, pointing out what would keep a filter from ever acting.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "actions/ActionTable.h"
#include "base/RegistryKeys.h"
#include "base/Settings.h"
#include "common/Console.h"
#include "common/FileQueries.h"
#include "common/SafeText.h"
#include "filters/ActionLine.h"
#include "filters/FilterSet.h"
#include "filters/ScopePaths.h"
#include "platform/Files.h"
#include "tools/CommandLine.h"
#include "tools/Commands.h"
#include "tools/FilterLint.h"
#include "tools/Json.h"
#include "tools/ServerConfiguration.h"

namespace {

constexpr const char* kUsage =
    "usage: mtafilter filters [--postoffice NAME [--mailbox NAME]] [--json]\n"
    "\n"
    "Loads the filters of the server (default), of postoffice NAME or of one of its\n"
    "mailboxes as the plug-in loads them, and shows each filter with its criteria, their\n"
    "conditions and thresholds, the pattern files they name and the lines of its action\n"
    "file. Problems that keep a filter from ever acting are listed under the filter: a\n"
    "missing criteria or action file, no enabled criterion, a missing pattern file, an\n"
    "enabled action the scope does not know, an action name in the wrong column, a\n"
    "byte-order mark at the start of a table, pattern file, script or template, blanks\n"
    "around a word or address of a list, a criteria line too long to read, a value or\n"
    "threshold no message can meet, a missing notification template or one whose header\n"
    "block ends early. Each names the file and line and says what to change.\n"
    "\n"
    "  --postoffice NAME  the filters of postoffice NAME\n"
    "  --mailbox NAME     the filters of mailbox NAME of that postoffice\n"
    "  --json             the same as one JSON object\n";

constexpr const char* kCommand = "filters";
constexpr size_t kLineCapacity = 2048;  // action lines as the actions read them
constexpr size_t kNameCapacity = sizeof(FilterSet::postoffice);

struct Arguments {
    std::string postoffice;
    std::string mailbox;
    bool json = false;
};

struct FileReport {
    std::string path;  // host path
    bool exists = false;
    std::string source;  // the path as the plug-in names it, for reading
};

struct CriterionReport {
    int type = 0;
    int threshold = 0;
    std::vector<std::string> conditions;  // the alternatives, one by one
    std::vector<FileReport> patternFiles;
};

struct ActionReport {
    int line = 0;
    bool enabled = false;
    std::string name;
    bool known = false;
    std::string parameter;
    std::string description;
};

struct FilterReport {
    int number = 0;
    std::string ruleName;
    std::string filterId;
    std::string displayName;
    bool isScript = false;
    FileReport criteriaFile;  // the criteria table, or the script of a script filter
    std::vector<CriterionReport> criteria;
    FileReport actionFile;
    std::vector<ActionReport> actions;
    std::vector<std::string> problems;
};

struct ScopeReport {
    const char* scope = "system";
    Arguments names;
    std::string configuration;
    FileReport filterTable;
    std::vector<std::string> problems;  // of the filter table itself
    std::vector<FilterReport> filters;
};

constexpr OptionSpec kOptions[] = {
    {"--postoffice", "a name"},
    {"--mailbox", "a name"},
    {"--json", nullptr},
};

// The options into *args. Returns 1, or 0 with *error.
int TakeArguments(const ParsedArguments& parsed, Arguments* args, std::string* error) {
    if (!parsed.positional.empty()) {
        *error = "unknown argument " + parsed.positional[0];
        return 0;
    }
    args->postoffice = parsed.Value("--postoffice");
    args->mailbox = parsed.Value("--mailbox");
    args->json = parsed.Has("--json");
    if (!args->mailbox.empty() && args->postoffice.empty()) {
        *error = "--mailbox needs --postoffice: name the mailbox's postoffice";
        return 0;
    }
    if (args->postoffice.size() >= kNameCapacity || args->mailbox.size() >= kNameCapacity) {
        *error = "names are limited to " + std::to_string(kNameCapacity - 1) + " characters";
        return 0;
    }
    return 1;
}

// Control characters made visible: a line feed left in a value is what breaks a filter.
std::string Escaped(const std::string& text) {
    std::string shown;
    for (char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '\n' || c == '\r' || c == '\t') {
            shown += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            shown += escape;
        } else {
            shown += c;
        }
    }
    return shown;
}

// Values are shown between quotes in the text output.
std::string Shown(const std::string& text) {
    return "\"" + Escaped(text) + "\"";
}

FileReport FileAt(const char* path) {
    return FileReport{platform::HostPath(path), FileExists(path) != 0, path};
}

// The scope's file for a filter; an empty path when it cannot be named.
FileReport ScopeFileOf(const FilterSet& set, ScopeFile kind, const char* name) {
    char path[kFilterPathCapacity];
    if (!BuildScopePath(set, kind, name, path)) return FileReport{};
    return FileAt(path);
}

std::vector<std::string> Alternatives(const char* condition) {
    std::vector<std::string> alternatives;
    const char* start = condition;
    for (const char* tab; (tab = std::strchr(start, '\t')) != nullptr; start = tab + 1)
        alternatives.emplace_back(start, tab);
    alternatives.emplace_back(start);
    return alternatives;
}

void AddCondition(const FilterSet& set, const std::string& where, const char* condition,
                  CriterionReport* criterion, FilterReport* filter) {
    const std::string type = kCriterionTypeNames[criterion->type];
    for (std::string& alternative : Alternatives(condition))
        criterion->conditions.push_back(std::move(alternative));
    char path[kFilterPathCapacity];
    // An empty condition means the general list only to the criteria that use one.
    if (condition[0] == '\0' || !ResolvePatternPath(&set, condition, path, sizeof path)) return;
    criterion->patternFiles.push_back(FileAt(path));
    if (!criterion->patternFiles.back().exists) {
        filter->problems.push_back(where + type + ": pattern file " +
                                   Escaped(criterion->patternFiles.back().path) +
                                   " does not exist; create it or correct the reference");
        return;
    }
    for (const CriterionReport& earlier : filter->criteria)
        for (const FileReport& file : earlier.patternFiles)
            if (file.source == path) return;  // checked once a filter
    for (size_t k = 0; k + 1 < criterion->patternFiles.size(); ++k)
        if (criterion->patternFiles[k].source == path) return;
    LintPatternFile(path, &filter->problems);
}

void AddCriteria(const FilterSet& set, const FilterDefinition& definition, FilterReport* filter) {
    for (int type = 0; type < kCriterionTypeCount; ++type) {
        const Criterion& criterion = definition.criteria[type];
        if (criterion.enabled != 1) continue;
        CriterionReport report;
        report.type = type;
        report.threshold = criterion.threshold;
        const char* source = filter->criteriaFile.source.c_str();
        std::string condition;
        for (int j = 0; j < criterion.conditionCount; ++j) {
            if (!GetCriterionCondition(criterion, j, &condition)) continue;
            const std::string where = Escaped(filter->criteriaFile.path) + " line " +
                                      std::to_string(CriterionLine(definition, type, j)) + ": ";
            AddCondition(set, where, condition.c_str(), &report, filter);
        }
        LintCriterion(definition, type, source, &filter->problems);
        filter->criteria.push_back(std::move(report));
    }
    if (!definition.isScript && filter->criteriaFile.exists && filter->criteria.empty())
        filter->problems.push_back("no criterion is enabled, so the filter never matches");
}

std::string VocabularyList(bool mailboxScope) {
    std::string list;
    for (const ActionName& action : kActionNames)
        if ((action.vocabulary == ActionVocabulary::kMailbox) == mailboxScope)
            list += (list.empty() ? "" : ", ") + std::string(action.name);
    return list;
}

void CheckAction(const ActionReport& action, bool mailboxScope, FilterReport* filter) {
    if (!action.enabled || action.known) return;
    const std::string where = "action line " + std::to_string(action.line) + ": ";
    filter->problems.push_back(where + "unknown action " + Shown(action.name) +
                               (mailboxScope ? " for a mailbox filter" : "") +
                               "; known actions: " + VocabularyList(mailboxScope));
}

bool IsBlank(const char* line) {
    return line[std::strspn(line, " \t\r\n")] == '\0';
}

void AddActions(const FilterSet& set, const FilterDefinition& definition, FilterReport* filter) {
    char path[kFilterPathCapacity];
    if (!BuildScopePath(set, ScopeFile::kActionFile, definition.filterId, path)) {
        filter->problems.push_back("the action file's path is too long");
        return;
    }
    filter->actionFile = FileAt(path);
    platform::File file = platform::FileOpen(path, platform::FileMode::kReadText);
    if (file == nullptr) {
        filter->problems.push_back("action file " + Escaped(filter->actionFile.path) +
                                   " is missing");
        return;
    }
    LintFileStart(path,
                  "so the first line's status column does not read as 1 and its action "
                  "never runs",
                  &filter->problems);
    const bool mailboxScope = ScopeOf(set) == FilterScope::kMailbox;
    char line[kLineCapacity];
    ActionLine parsed;
    for (int number = 1; platform::FileReadLine(file, line, sizeof line) != nullptr; ++number) {
        if (IsBlank(line)) continue;
        ParseActionLine(line, &parsed);
        ActionReport action{number,           parsed.status == 1,
                            parsed.name,      IsKnownAction(parsed.name, mailboxScope),
                            parsed.parameter, parsed.description};
        const size_t before = filter->problems.size();
        LintActionLine(set, path, number, line, &filter->problems);
        // A name found in another column says more than "unknown action" would.
        if (filter->problems.size() == before) CheckAction(action, mailboxScope, filter);
        filter->actions.push_back(std::move(action));
    }
    platform::FileClose(file);
}

FilterReport DescribeFilter(const FilterSet& set, int number) {
    const FilterDefinition& definition = *set.filters[number];
    FilterReport filter;
    filter.number = number;
    filter.ruleName = definition.ruleName;
    filter.filterId = definition.filterId;
    filter.displayName = definition.displayName;
    filter.isScript = definition.isScript != 0;
    filter.criteriaFile =
        ScopeFileOf(set, filter.isScript ? ScopeFile::kCriteriaScript : ScopeFile::kCriteriaTable,
                    definition.filterId);
    if (!filter.isScript && !filter.criteriaFile.exists)
        filter.problems.push_back("criteria file " + Escaped(filter.criteriaFile.path) +
                                  " is missing");
    if (filter.isScript) {
        LintFileStart(filter.criteriaFile.source.c_str(),
                      "which the script engine reads as part of the first statement",
                      &filter.problems);
    } else {
        LintFileStart(filter.criteriaFile.source.c_str(),
                      "so the first line's enabled column does not read as 1 and criterion "
                      "SUBJECT is off",
                      &filter.problems);
        LintCriteriaLines(filter.criteriaFile.source.c_str(), &filter.problems);
    }
    AddCriteria(set, definition, &filter);
    AddActions(set, definition, &filter);
    return filter;
}

// The filter set of a scope, loaded and released without the plug-in's console lines.
class LoadedFilters {
public:
    explicit LoadedFilters(const Arguments& args) {
        SafeCopy(set_.postoffice, args.postoffice.c_str());  // lengths checked with the options
        SafeCopy(set_.mailbox, args.mailbox.c_str());
        const int previous = SetConsoleQuiet(1);
        ResetFilterSet(&set_);
        LoadFilters(&set_);
        SetConsoleQuiet(previous);
    }
    ~LoadedFilters() {
        const int previous = SetConsoleQuiet(1);
        ReleaseFilters(&set_);
        SetConsoleQuiet(previous);
    }
    LoadedFilters(const LoadedFilters&) = delete;
    LoadedFilters& operator=(const LoadedFilters&) = delete;
    const FilterSet& Set() const { return set_; }

private:
    FilterSet set_{};
};

const char* ScopeName(FilterScope scope) {
    return scope == FilterScope::kSystem       ? "system"
           : scope == FilterScope::kPostoffice ? "postoffice"
                                               : "mailbox";
}

ScopeReport Describe(const Arguments& args, const char* configuration) {
    LoadedFilters loaded(args);
    const FilterSet& set = loaded.Set();
    ScopeReport report;
    report.scope = ScopeName(ScopeOf(set));
    report.names = args;
    report.configuration = configuration;
    report.filterTable = ScopeFileOf(set, ScopeFile::kFilterTable, "");
    LintFileStart(report.filterTable.source.c_str(),
                  "which becomes part of the first filter's rule name", &report.problems);
    for (int number = 1; number <= set.filterCount; ++number)
        report.filters.push_back(DescribeFilter(set, number));
    return report;
}

std::string ShownFile(const FileReport& file) {
    return Escaped(file.path) + (file.exists ? "" : " (missing)");
}

void PrintCriterion(const CriterionReport& criterion) {
    std::printf("    %s, threshold %d\n", kCriterionTypeNames[criterion.type], criterion.threshold);
    for (const std::string& condition : criterion.conditions)
        std::printf("      condition %s\n", Shown(condition).c_str());
    for (const FileReport& file : criterion.patternFiles)
        std::printf("      pattern file %s\n", ShownFile(file).c_str());
}

void PrintAction(const ActionReport& action) {
    std::printf("    line %d: %-8s %s%s parameter %s description %s\n", action.line,
                action.enabled ? "enabled" : "disabled", Shown(action.name).c_str(),
                action.known ? "" : " (unknown)", Shown(action.parameter).c_str(),
                Shown(action.description).c_str());
}

void PrintFilter(const FilterReport& filter) {
    std::printf("\nFilter %d: %s\n", filter.number, Shown(filter.ruleName).c_str());
    std::printf("  Identifier:   %s\n", Shown(filter.filterId).c_str());
    std::printf("  Display name: %s\n", Shown(filter.displayName).c_str());
    std::printf("  Criteria:     %s %s\n", filter.isScript ? "script" : "table",
                ShownFile(filter.criteriaFile).c_str());
    for (const CriterionReport& criterion : filter.criteria) PrintCriterion(criterion);
    if (filter.isScript) std::printf("    (set by the script when it runs)\n");
    std::printf("  Actions:      %s\n", ShownFile(filter.actionFile).c_str());
    for (const ActionReport& action : filter.actions) PrintAction(action);
    if (filter.problems.empty()) return;
    std::printf("  Problems:\n");
    for (const std::string& problem : filter.problems) std::printf("    - %s\n", problem.c_str());
}

void PrintText(const ScopeReport& report) {
    std::printf("Scope: %s", report.scope);
    if (!report.names.postoffice.empty())
        std::printf(" (postoffice %s", Shown(report.names.postoffice).c_str());
    if (!report.names.mailbox.empty())
        std::printf(", mailbox %s", Shown(report.names.mailbox).c_str());
    std::printf("%s\n", report.names.postoffice.empty() ? "" : ")");
    std::printf("Configuration directory: %s\n", Escaped(report.configuration).c_str());
    std::printf("Filter table: %s\n", ShownFile(report.filterTable).c_str());
    size_t problems = report.problems.size();
    for (const std::string& problem : report.problems) std::printf("  - %s\n", problem.c_str());
    for (const FilterReport& filter : report.filters) {
        PrintFilter(filter);
        problems += filter.problems.size();
    }
    std::printf("\n%zu filter%s loaded, %zu problem%s\n", report.filters.size(),
                report.filters.size() == 1 ? "" : "s", problems, problems == 1 ? "" : "s");
}

std::string JsonFile(const FileReport& file) {
    return JsonObject({{"path", JsonQuoted(file.path)}, {"exists", JsonBool(file.exists)}});
}

std::string JsonCriterion(const CriterionReport& criterion) {
    return JsonObject({{"type", JsonQuoted(kCriterionTypeNames[criterion.type])},
                       {"conditions", JsonArray(criterion.conditions, JsonQuoted)},
                       {"threshold", std::to_string(criterion.threshold)},
                       {"patternFiles", JsonArray(criterion.patternFiles, JsonFile)}});
}

std::string JsonAction(const ActionReport& action) {
    return JsonObject({{"line", std::to_string(action.line)},
                       {"enabled", JsonBool(action.enabled)},
                       {"name", JsonQuoted(action.name)},
                       {"known", JsonBool(action.known)},
                       {"parameter", JsonQuoted(action.parameter)},
                       {"description", JsonQuoted(action.description)}});
}

std::string JsonFilter(const FilterReport& filter) {
    return JsonObject({{"number", std::to_string(filter.number)},
                       {"ruleName", JsonQuoted(filter.ruleName)},
                       {"filterId", JsonQuoted(filter.filterId)},
                       {"displayName", JsonQuoted(filter.displayName)},
                       {"isScript", JsonBool(filter.isScript)},
                       {"criteriaFile", JsonFile(filter.criteriaFile)},
                       {"criteria", JsonArray(filter.criteria, JsonCriterion)},
                       {"actionFile", JsonFile(filter.actionFile)},
                       {"actions", JsonArray(filter.actions, JsonAction)},
                       {"problems", JsonArray(filter.problems, JsonQuoted)}});
}

void PrintJson(const ScopeReport& report) {
    const std::string json =
        JsonObject({{"scope", JsonQuoted(report.scope)},
                    {"postoffice", JsonQuoted(report.names.postoffice)},
                    {"mailbox", JsonQuoted(report.names.mailbox)},
                    {"configurationDirectory", JsonQuoted(report.configuration)},
                    {"filterTable", JsonFile(report.filterTable)},
                    {"problems", JsonArray(report.problems, JsonQuoted)},
                    {"filters", JsonArray(report.filters, JsonFilter)}});
    std::printf("%s\n", json.c_str());
}

}  // namespace

int FiltersCommand(int argc, char** argv) {
    ParsedArguments parsed;
    if (int code = ReadArguments(kCommand, kUsage, argc, argv, kOptions, &parsed); code != kProceed)
        return code;
    Arguments args;
    std::string error;
    if (!TakeArguments(parsed, &args, &error)) return UsageError(kCommand, kUsage, error);
    char configuration[kFilterPathCapacity];
    if (!ReadServerConfiguration(kCommand, configuration, sizeof configuration))
        return kExitFailure;
    const ScopeReport report = Describe(args, configuration);
    if (args.json)
        PrintJson(report);
    else
        PrintText(report);
    return kExitSuccess;
}
