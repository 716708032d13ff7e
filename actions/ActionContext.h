// actions/ActionContext.h: what the action dispatcher knows about a filter that matched:
// the decision itself, the criterion it reports and the tagged description of the
// message that the action routines fill their placeholders from.
#pragma once

#include <cstddef>

#include "base/MessageRecord.h"
#include "filters/EvaluationRecords.h"
#include "filters/FilterSet.h"

constexpr size_t kCriteriaNameCapacity = 256;
constexpr size_t kCriteriaTextCapacity = 1024;
constexpr size_t kActionContextCapacity = 1024;

struct FilterMatch {
    bool matched;
    bool criteriaMet;                          // a table criterion was met (not a script)
    char criteriaName[kCriteriaNameCapacity];  // the criterion reported, or the script's data
    char criteriaText[kCriteriaTextCapacity];  // "CRITERIA=<name>, DATA=<result>"
};

// Decides whether filter `number` of `set` matched the message. A table filter matches
// when any enabled criterion reached its threshold (criteria are joined by "or"); the
// last such criterion is the one reported. A script filter is decided by its script.
void DecideFilterMatch(MessageRecord* record, const FilterSet* set, int number,
                       FilterEvaluationSet* evaluations, FilterMatch* match);

// "<MSG>..</MSG><CON>..</CON><ACCOUNT>..</ACCOUNT><SENDER>..</SENDER><IP>..</IP>
// <CRITERIA>..</CRITERIA>" for the message, followed by the result tags of the filter's
// criteria as far as they fit. `destination` holds kActionContextCapacity bytes.
void BuildActionContext(const MessageRecord& record, const char* criteriaName,
                        const FilterEvaluation* evaluation, char* destination);
