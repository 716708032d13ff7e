// filters/EvaluationRecords.cpp: writing findings into the run's evaluation records.
// Every write is bounded by the record's arrays; callers have checked the type code.
#include "filters/EvaluationRecords.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "common/SafeText.h"

namespace {

bool ValidType(int type) {
    if (type >= 0 && type < kCriterionTypeCount) return true;
    assert(!"criterion type out of range");
    return false;
}

void MarkWritten(FilterEvaluation& evaluation, int type) {
    evaluation.writtenTypes |= 1u << type;
    evaluation.writtenCheck = evaluation.writtenTypes ^ kWrittenCheckKey;
}

}  // namespace

char* ResultTextFor(FilterEvaluation& evaluation, int type) {
    MarkWritten(evaluation, type);
    return evaluation.resultText[type];
}

char* ConditionValueFor(FilterEvaluation& evaluation, int type, int condition) {
    MarkWritten(evaluation, type);
    return evaluation.conditionValues[type][condition];
}

int ConditionSlots(const Criterion& criterion) {
    return std::clamp(criterion.conditionCount, 0, kMaxConditions);
}

void SetResultTag(FilterEvaluation& evaluation, int type, const char* tag, const char* value) {
    if (!ValidType(type)) return;
    if (tag == nullptr) tag = "";
    if (value == nullptr) value = "";
    // Cut rather than dropped: the text only names what matched in logs and notifications.
    // Written piece by piece (a finding is recorded for every line that holds a word), cut
    // where the formatted print of "<tag>value</tag>" would cut it.
    char* text = ResultTextFor(evaluation, type);
    constexpr size_t kLast = kResultTextCapacity - 1;  // the terminator's place when full
    const size_t tagLength = strnlen(tag, kLast);
    const size_t valueLength = strnlen(value, kLast);
    if (2 * tagLength + valueLength + 5 > kLast) {
        size_t used = 0;
        text[0] = '\0';
        for (const char* piece : {"<", tag, ">", value, "</", tag, ">"})
            AppendPiece(text, kResultTextCapacity, &used, piece);
        return;
    }
    char* at = text;
    *at++ = '<';
    at = static_cast<char*>(std::memcpy(at, tag, tagLength)) + tagLength;
    *at++ = '>';
    at = static_cast<char*>(std::memcpy(at, value, valueLength)) + valueLength;
    *at++ = '<';
    *at++ = '/';
    at = static_cast<char*>(std::memcpy(at, tag, tagLength)) + tagLength;
    *at++ = '>';
    *at = '\0';
}

void SetConditionValue(FilterEvaluation& evaluation, int type, int condition, const char* value) {
    if (!ValidType(type) || condition < 0 || condition >= kMaxConditions) return;
    SafeCopy(ConditionValueFor(evaluation, type, condition), value, kConditionValueCapacity);
}

void SetAllConditionValues(FilterEvaluation& evaluation, const Criterion& criterion, int type,
                           const char* value) {
    for (int j = 0; j < ConditionSlots(criterion); ++j)
        SetConditionValue(evaluation, type, j, value);
}

void RecordFinding(FilterEvaluation& evaluation, int type, int condition, const char* tag,
                   const char* word) {
    if (!ValidType(type)) return;
    ++evaluation.matchCount[type];
    SetResultTag(evaluation, type, tag, word);
    SetConditionValue(evaluation, type, condition, "1");
}
