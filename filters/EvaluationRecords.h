// filters/EvaluationRecords.h: the frame every criterion evaluator shares: walking the
// filters whose criterion of a type is enabled, their conditions and the alternatives of
// a condition, and writing findings into the run's FilterEvaluation records.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

#include "common/DelimitedField.h"
#include "filters/FilterSet.h"

// The result tags evaluators write as "<tag>value</tag>"; templates name them "[QP_tag]".
namespace tags {
constexpr const char* kWord = "MF-W";            // word lists and word files
constexpr const char* kAddress = "MF-R";         // inline address lists
constexpr const char* kEnvelope = "MF-E";        // envelope values
constexpr const char* kAttachment = "MF-A";      // attachment name patterns
constexpr const char* kHasAttachment = "MF-HA";  // an attachment is present
constexpr const char* kSenderAuth = "MF-ES";     // the authentication status was met
}  // namespace tags

// Alternatives within a condition, and conditions within a criterion value, are
// separated by tabs (tables write commas, which the loader turns into tabs). One
// character: ForEachAlternative splits at it.
constexpr const char* kConditionSeparator = "\t";

// The conditions of a criterion that have a value slot: conditions past kMaxConditions
// are still evaluated, but their values have nowhere to go.
int ConditionSlots(const Criterion& criterion);

// Calls visit(criterion, evaluation) for every filter 1..filterCount whose criterion
// `type` has `enabled` exactly 1, with the evaluation of the same number. Filters
// without an evaluation, and type codes out of range, are skipped.
template <typename Visit>
void ForEachEnabledCriterion(const FilterSet* set, FilterEvaluationSet* evaluations, int type,
                             Visit visit) {
    if (set == nullptr || evaluations == nullptr) return;
    if (type < 0 || type >= kCriterionTypeCount) return;
    for (int f = 1; f <= set->filterCount && f <= kMaxFilters; ++f) {
        const FilterDefinition* filter = set->filters[f];
        FilterEvaluation* evaluation =
            f <= evaluations->count ? evaluations->evaluations[f] : nullptr;
        if (filter == nullptr || evaluation == nullptr) continue;
        if (filter->criteria[type].enabled != 1) continue;
        visit(filter->criteria[type], *evaluation);
    }
}

// Calls visit(j, condition) for the conditions j = 0..conditionCount-1. A condition is
// taken into `buffer` when it fits and otherwise whole into memory of its own: an
// administrator's list of any length is evaluated as written, never cut or skipped.
template <typename Visit>
void ForEachCondition(const Criterion& criterion, char* buffer, size_t capacity, Visit visit) {
    std::string whole;
    for (int j = 0; j < criterion.conditionCount; ++j) {
        buffer[0] = '\0';
        if (GetCriterionCondition(criterion, j, buffer, capacity)) {
            visit(j, static_cast<const char*>(buffer));
            continue;
        }
        if (!GetCriterionCondition(criterion, j, &whole)) continue;
        visit(j, whole.c_str());
    }
}

// Calls visit(field) for every tab-separated alternative of `condition`, in order, each
// taken into `buffer` (the visitor may rewrite it within `capacity`). An alternative that
// does not fit arrives whole in memory of its own, with room to the same `capacity`
// beyond its length. Empty alternatives arrive too (and match nothing).
template <typename Visit>
void ForEachAlternative(const char* condition, char* buffer, size_t capacity, Visit visit) {
    if (condition == nullptr || condition[0] == '\0' || buffer == nullptr || capacity == 0) return;
    std::string large;
    for (const char* begin = condition;;) {
        const char* end = std::strchr(begin, kConditionSeparator[0]);
        const size_t length =
            end != nullptr ? static_cast<size_t>(end - begin) : std::strlen(begin);
        char* field = buffer;
        if (length >= capacity) {
            large.assign(begin, length);
            large.resize(length + capacity, '\0');
            field = large.data();
        } else {
            std::memcpy(buffer, begin, length);
            buffer[length] = '\0';
        }
        visit(field);
        if (end == nullptr) return;
        begin = end + 1;
    }
}

// The evaluation of filter `number`; null when the set has none for it. Inline: the
// dispatcher asks for every filter of every message.
inline const FilterEvaluation* EvaluationOf(const FilterEvaluationSet* evaluations, int number) {
    if (evaluations == nullptr || number < 1 || number > evaluations->count) return nullptr;
    return evaluations->evaluations[number];
}

// The result text of `type` (kResultTextCapacity bytes) for a writer, marked written so
// that the record's next use empties it. Every text of a record is written through this,
// ConditionValueFor or the setters below.
char* ResultTextFor(FilterEvaluation& evaluation, int type);

// The value of condition `condition` of `type` (kConditionValueCapacity bytes) for a
// writer, marked written; `condition` must be below kMaxConditions.
char* ConditionValueFor(FilterEvaluation& evaluation, int type, int condition);

// Replaces the result text of `type` by "<tag>value</tag>", cut to fit.
void SetResultTag(FilterEvaluation& evaluation, int type, const char* tag, const char* value);

// Sets the value of condition `condition` of `type` (ignored past kMaxConditions).
void SetConditionValue(FilterEvaluation& evaluation, int type, int condition, const char* value);

// Sets the values of every condition of the criterion.
void SetAllConditionValues(FilterEvaluation& evaluation, const Criterion& criterion, int type,
                           const char* value);

// A met word or pattern: one more match, its result tag, and "1" for the condition.
void RecordFinding(FilterEvaluation& evaluation, int type, int condition, const char* tag,
                   const char* word);
