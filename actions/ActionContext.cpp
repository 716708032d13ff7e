// actions/ActionContext.cpp: the match decision of a filter and the action context handed
// to the action routines.
#include "actions/ActionContext.h"

#include <cstdio>
#include <cstring>

#include "base/MessageEnvelope.h"
#include "common/SafeText.h"
#include "filters/FilterScript.h"

namespace {

// Only the start of a criterion's result goes into the report's criteria text.
constexpr size_t kReportedResultLength = 511;

// Only a result of exactly 1 is a match: True (-1) and other numbers are not.
bool RunFilterScript(MessageRecord* record, const FilterSet* set, int number,
                     FilterEvaluationSet* evaluations, char* resultData, int capacity) {
    resultData[0] = '\0';
    return BuildAndRunFilterScript(record, set, number, evaluations,
                                   set->filters[number]->scriptText.c_str(), resultData,
                                   capacity) == 1;
}

void DecideScriptFilter(MessageRecord* record, const FilterSet* set, int number,
                        FilterEvaluationSet* evaluations, FilterMatch* match) {
    char resultData[1024];
    match->matched =
        RunFilterScript(record, set, number, evaluations, resultData, sizeof resultData);
    SafeCopy(match->criteriaText, resultData);
    SafeCopy(match->criteriaName, resultData);
}

// Whether no criterion of the filter found anything: then none is met, since an enabled
// criterion needs at least one finding (loading makes every threshold at least 1). Most
// filters of a message are decided by this, without visiting their 25 criteria.
bool NothingFound(const FilterEvaluation& evaluation) {
    static constexpr int32_t kNone[kCriterionTypeCount] = {};
    static_assert(sizeof kNone == sizeof evaluation.matchCount);
    return std::memcmp(evaluation.matchCount, kNone, sizeof kNone) == 0;
}

// "CRITERIA=<name>, DATA=<result>", cut as the formatted print of the report would cut it.
void WriteCriteriaText(const char* name, const char* result, char* text) {
    size_t used = 0;
    text[0] = '\0';
    AppendPiece(text, kCriteriaTextCapacity, &used, "CRITERIA=");
    AppendPiece(text, kCriteriaTextCapacity, &used, name);
    AppendPiece(text, kCriteriaTextCapacity, &used, ", DATA=");
    AppendPiece(text, kCriteriaTextCapacity, &used, result, kReportedResultLength);
}

void DecideTableFilter(const FilterDefinition& filter, const FilterEvaluation* evaluation,
                       FilterMatch* match) {
    if (evaluation == nullptr || NothingFound(*evaluation)) return;
    int reported = -1;  // the last criterion met
    for (int slot = 0; slot < kCriterionTypeCount; ++slot) {
        const Criterion& criterion = filter.criteria[slot];
        if (criterion.enabled == 1 && evaluation->matchCount[slot] >= criterion.threshold)
            reported = slot;
    }
    if (reported < 0) return;
    match->matched = true;
    match->criteriaMet = true;
    SafeCopy(match->criteriaName, kCriterionTypeNames[reported]);
    WriteCriteriaText(match->criteriaName, evaluation->resultText[reported], match->criteriaText);
}

}  // namespace

void DecideFilterMatch(MessageRecord* record, const FilterSet* set, int number,
                       FilterEvaluationSet* evaluations, FilterMatch* match) {
    // Emptied rather than zeroed: its texts are read up to their terminators, and zeroing
    // 1.3 KB for each filter of each message showed in profiles.
    match->matched = false;
    match->criteriaMet = false;
    match->criteriaName[0] = '\0';
    match->criteriaText[0] = '\0';
    const FilterDefinition& filter = *set->filters[number];
    if (filter.isScript == 1)
        DecideScriptFilter(record, set, number, evaluations, match);
    else
        DecideTableFilter(filter, EvaluationOf(evaluations, number), match);
}

void BuildActionContext(const MessageRecord& record, const char* criteriaName,
                        const FilterEvaluation* evaluation, char* destination) {
    // The bare address: the text between the first ":" and the first "]" after it, or
    // the whole field when there is no such pair.
    char sender[sizeof record.sender];
    SafeCopy(sender, record.sender);
    const char* colon = std::strchr(record.sender, ':');
    if (colon != nullptr) ExtractEnvelopeAddress(colon, sender, sizeof sender);
    std::snprintf(destination, kActionContextCapacity,
                  "<MSG>%s</MSG><CON>%s</CON><ACCOUNT>%s</ACCOUNT><SENDER>%s</SENDER><IP>%s</IP>"
                  "<CRITERIA>%s</CRITERIA>",
                  record.messageId, record.connector, record.account, sender, record.clientIp,
                  criteriaName);
    if (evaluation == nullptr) return;
    size_t length = std::strlen(destination);
    for (int slot = 0; slot < kCriterionTypeCount; ++slot) {
        const size_t added = strnlen(evaluation->resultText[slot], kResultTextCapacity);
        if (added == 0 || length + added >= kActionContextCapacity) continue;
        std::memcpy(destination + length, evaluation->resultText[slot], added);
        length += added;
        destination[length] = '\0';
    }
}
