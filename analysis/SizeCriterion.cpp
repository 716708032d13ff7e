// analysis/SizeCriterion.cpp: the SIZE criterion, tested once per message on the size of
// its file.
#include <cstdio>

#include "analysis/ContentCriteria.h"
#include "common/Console.h"
#include "common/DecimalNumber.h"
#include "common/DelimitedField.h"
#include "filters/EvaluationRecords.h"

namespace {

constexpr size_t kLimitCapacity = 1024;

// A script that names SIZE without a limit registers a lone carriage return; it asks
// for the size itself rather than a comparison.
constexpr char kSizeRequest = '\r';

void SetSizeConditions(const Criterion& criterion, int type, int32_t size,
                       FilterEvaluation& evaluation) {
    for (int j = 0; j < ConditionSlots(criterion); ++j) {
        char limit[kLimitCapacity] = "";
        if (!GetDelimitedField(criterion.value.c_str(), kConditionSeparator, j + 1, limit))
            limit[0] = '\0';
        char value[kConditionValueCapacity];
        if (limit[0] == kSizeRequest)
            std::snprintf(value, sizeof value, "%d", size);
        else
            std::snprintf(value, sizeof value, "%d", size > DecimalValue(limit) ? 1 : 0);
        SetConditionValue(evaluation, type, j, value);
    }
}

}  // namespace

int EvaluateSize(int type, int32_t size, const FilterSet* set, FilterEvaluationSet* evaluations) {
    ConsoleLine("Message Size detected as %ld\r\n", static_cast<long>(size));
    ForEachEnabledCriterion(
        set, evaluations, type, [&](const Criterion& criterion, FilterEvaluation& evaluation) {
            if (size > DecimalValue(criterion.value.c_str())) {
                evaluation.matchCount[type] = 1;  // set, not added: the size is measured once
                std::snprintf(ResultTextFor(evaluation, type), kResultTextCapacity,
                              "<SZ>%ld</SZ><SZL>%s</SZL>", static_cast<long>(size),
                              criterion.value.c_str());
            }
            SetSizeConditions(criterion, type, size, evaluation);
        });
    return 1;
}
