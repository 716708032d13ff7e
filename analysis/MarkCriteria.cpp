// analysis/MarkCriteria.cpp: criteria met by a fact the caller already knows: every
// message (ALLMESSAGES), a listed link (URLBL), the sender's authentication status.
#include <cstdio>

#include "analysis/ContentCriteria.h"
#include "common/DecimalNumber.h"
#include "filters/EvaluationRecords.h"

int EvaluateSenderAuth(int type, int32_t status, const FilterSet* set,
                       FilterEvaluationSet* evaluations) {
    char statusText[kConditionValueCapacity];
    std::snprintf(statusText, sizeof statusText, "%d", status);
    ForEachEnabledCriterion(set, evaluations, type,
                            [&](const Criterion& criterion, FilterEvaluation& evaluation) {
                                if (DecimalValue(criterion.value.c_str()) == status) {
                                    ++evaluation.matchCount[type];
                                    SetResultTag(evaluation, type, tags::kSenderAuth, "1");
                                }
                                // Scripts compare the status themselves, so they get it whether met
                                // or not.
                                SetAllConditionValues(evaluation, criterion, type, statusText);
                            });
    return 1;
}

int MarkCriterion(int type, const char* tag, const char* value, const FilterSet* set,
                  FilterEvaluationSet* evaluations) {
    ForEachEnabledCriterion(set, evaluations, type,
                            [&](const Criterion& criterion, FilterEvaluation& evaluation) {
                                ++evaluation.matchCount[type];
                                SetResultTag(evaluation, type, tag, value);
                                SetAllConditionValues(evaluation, criterion, type, "1");
                            });
    return 1;
}
