// actions/ActionDispatch.cpp: the action dispatcher: for each filter that matched a
// message, the lines of its action file in order, and one "Executed" report entry.
#include "actions/ActionDispatch.h"

#include <cstdio>
#include <cstring>

#include "actions/ActionContext.h"
#include "actions/ActionFiles.h"
#include "actions/ActionTable.h"
#include "base/ReportLog.h"
#include "common/Console.h"
#include "common/SafeText.h"
#include "filters/ScopePaths.h"

namespace {

constexpr size_t kExecutedListCapacity = 2048;
constexpr size_t kReportEntryCapacity = 2048;

constexpr int32_t kStatusNone = 0;
constexpr int32_t kStatusMatched = 1;
constexpr int32_t kStatusRemoved = 2;

void AppendExecuted(char* list, size_t capacity, const char* name) {
    if (list[0] != '\0') SafeAppend(list, ",", capacity);
    SafeAppend(list, name, capacity);
}

// One run over the filters of a set.
struct Dispatch {
    MessageRecord* record;
    const FilterSet* set;
    int32_t status;
    bool stop;
    ActionFolderCheck actionFolder;
};

// The filter being carried out.
struct MatchedFilter {
    const FilterDefinition* filter;
    FilterMatch match;
    char context[kActionContextCapacity];
    char executed[kExecutedListCapacity];
};

void PrintBypassed() {
    ConsoleLine("Bypassing Action. Status Disabled\n");
}

void CarryOutMailboxActions(Dispatch* dispatch, MatchedFilter* current) {
    SafeCopy(dispatch->record->account, dispatch->set->postoffice);
    SafeCopy(dispatch->record->mailbox, dispatch->set->mailbox);
    const std::shared_ptr<const ActionLines> lines =
        ActionFileLines(*dispatch->set, *current->filter, &dispatch->actionFolder);
    if (lines == nullptr) return;
    for (const ActionLine& line : *lines) {
        if (line.status != 1) {
            PrintBypassed();
            continue;
        }
        // The message has already been kept out of the mailbox: nothing further applies.
        if (dispatch->status == kStatusRemoved) {
            dispatch->stop = true;
            break;
        }
        dispatch->status = kStatusMatched;
        ExecuteMailboxRuleAction(dispatch->record, line.name, line.parameter, current->executed,
                                 sizeof current->executed, &dispatch->status);
        if (dispatch->status == kStatusRemoved) dispatch->stop = true;
    }
}

void CarryOutServerActions(Dispatch* dispatch, MatchedFilter* current,
                           const FilterEvaluation* evaluation) {
    const std::shared_ptr<const ActionLines> lines =
        ActionFileLines(*dispatch->set, *current->filter, &dispatch->actionFolder);
    if (lines == nullptr) return;
    bool removed = false;  // mailbox rules only
    // Only an enabled line's action reads the context: a filter whose lines are all
    // disabled is not worth the kilobyte of formatting.
    bool contextBuilt = false;
    // Server filters work on the message as it arrived (Inbound), postoffice filters on
    // the copy that is being delivered (Outgoing).
    ActionCall call{.record = dispatch->record,
                    .set = dispatch->set,
                    .filter = current->filter,
                    .context = current->context,
                    .parameter = "",
                    .description = "",
                    .inboundQueue = ScopeOf(*dispatch->set) == FilterScope::kSystem,
                    .stop = &dispatch->stop,
                    .removed = &removed};
    for (size_t next = 0; !dispatch->stop && next < lines->size(); ++next) {
        const ActionLine& line = (*lines)[next];
        if (line.status != 1) {
            PrintBypassed();
            continue;
        }
        dispatch->status = kStatusMatched;
        if (!contextBuilt) {
            BuildActionContext(*dispatch->record, current->match.criteriaName, evaluation,
                               current->context);
            contextBuilt = true;
        }
        const ActionName* action = FindAction(line.name, false);
        call.parameter = line.parameter;
        call.description = line.description;
        if (action != nullptr && action->run(call))
            AppendExecuted(current->executed, sizeof current->executed, action->name);
    }
}

// A report entry is one line, whatever its values hold (a script's result data may span
// lines): a tool reading the log takes a line for an entry. Line breaks inside become
// spaces, and an entry cut to its capacity still ends with its line feed.
void KeepOneLine(char* entry, size_t capacity) {
    size_t length = std::strlen(entry);
    while (length > 0 && (entry[length - 1] == '\n' || entry[length - 1] == '\r')) --length;
    for (size_t i = 0; i < length; ++i)
        if (entry[i] == '\n' || entry[i] == '\r') entry[i] = ' ';
    if (length + 1 >= capacity) length = capacity - 2;
    entry[length] = '\n';
    entry[length + 1] = '\0';
}

void WriteExecutedEntry(const Dispatch& dispatch, const MatchedFilter& current, char* reportLine,
                        size_t capacity) {
    char ownLine[kReportEntryCapacity];
    if (reportLine == nullptr || capacity < 2) {
        reportLine = ownLine;
        capacity = sizeof ownLine;
    }
    const MessageRecord& record = *dispatch.record;
    std::snprintf(reportLine, capacity, "Executed\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n",
                  record.messageId, record.connector, current.filter->displayName, current.executed,
                  dispatch.set->postoffice, record.sender, record.clientIp,
                  current.match.criteriaText, record.subject);
    KeepOneLine(reportLine, capacity);
    WriteReportLog(reportLine);
}

// Decides filter `number` and, when it matched, carries out its action file.
void DispatchFilter(Dispatch* dispatch, int number, FilterEvaluationSet* evaluations,
                    char* reportLine, size_t capacity) {
    const FilterDefinition* filter = dispatch->set->filters[number];
    if (filter == nullptr) return;
    MatchedFilter current;
    current.filter = filter;
    current.executed[0] = '\0';
    current.context[0] = '\0';
    DecideFilterMatch(dispatch->record, dispatch->set, number, evaluations, &current.match);
    if (current.match.criteriaMet) dispatch->status = kStatusMatched;
    if (!current.match.matched) return;
    ConsoleLine("All for rule (%s) satisfied. Executing associated action (%s).\n",
                filter->ruleName, filter->filterId);
    if (ScopeOf(*dispatch->set) == FilterScope::kMailbox)
        CarryOutMailboxActions(dispatch, &current);
    else
        CarryOutServerActions(dispatch, &current, EvaluationOf(evaluations, number));
    if (current.executed[0] != '\0') WriteExecutedEntry(*dispatch, current, reportLine, capacity);
}

}  // namespace

int32_t ExecuteFilterActions(MessageRecord* record, const FilterSet* set,
                             FilterEvaluationSet* evaluations, char* reportLine, size_t capacity) {
    if (record == nullptr || set == nullptr) return kStatusNone;
    Dispatch dispatch{record, set, kStatusNone, false, {}};
    for (int number = 1; number <= set->filterCount && number <= kMaxFilters && !dispatch.stop;
         ++number)
        DispatchFilter(&dispatch, number, evaluations, reportLine, capacity);
    return dispatch.status;
}

int ExecuteMailboxRuleAction(MessageRecord* record, const char* actionName, const char* parameter,
                             char* executedList, size_t capacity, int32_t* status) {
    const ActionName* action = FindAction(actionName, true);
    if (record == nullptr || action == nullptr) return 1;
    if (executedList != nullptr && capacity > 0)
        AppendExecuted(executedList, capacity, action->name);
    bool stop = false;
    bool removed = false;
    const ActionCall call{.record = record,
                          .set = nullptr,
                          .filter = nullptr,
                          .context = "",
                          .parameter = parameter != nullptr ? parameter : "",
                          .description = "",
                          .inboundQueue = false,
                          .stop = &stop,
                          .removed = &removed};
    (void)action->run(call);
    if (removed && status != nullptr) *status = kStatusRemoved;
    return 1;
}
