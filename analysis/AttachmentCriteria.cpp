// analysis/AttachmentCriteria.cpp: the attachment criteria, tested on the header lines of
// MIME parts and uuencoded blocks that name a file.
#include <cstdio>
#include <cstring>

#include "analysis/ContentCriteria.h"
#include "base/Settings.h"
#include "common/Console.h"
#include "common/SafeText.h"
#include "common/TextSearch.h"
#include "filters/EvaluationRecords.h"
#include "filters/WordMatcher.h"

namespace {

constexpr size_t kParameterCapacity = 1023;
constexpr size_t kPatternCapacity = 1024;
constexpr size_t kParameterNameCapacity = 64;
// "filename" first: its value is the name the sender meant; "name" is the older form.
constexpr const char* kNameParameters[] = {"filename", "name"};
// A line naming a file in any of the forms above holds this.
constexpr const char* kNamePresence = "name=";
// Characters that end an unquoted parameter value (RFC 2045 5.1 tokens stop at ";" and
// blanks; line ends and tabs come from folded header lines).
constexpr const char* kValueEnd = "\t; \r\n";

int RefuseParameter(char* destination) {
    ConsoleLine("No closing quotation for attachment\n");
    destination[0] = '\0';
    return 0;
}

bool NameMatches(const char* line, const char* pattern, const char* delimiters) {
    for (const char* parameter : kNameParameters) {
        char value[kParameterCapacity];
        if (ExtractHeaderParameter(line, parameter, value, sizeof value) &&
            MatchPattern(value, pattern, delimiters, CaseSensitive()))
            return true;
    }
    return false;
}

}  // namespace

int ExtractHeaderParameter(const char* line, const char* name, char* destination, size_t capacity) {
    if (destination == nullptr || capacity == 0) return 0;
    destination[0] = '\0';
    if (line == nullptr || name == nullptr) return 0;
    char search[kParameterNameCapacity];
    if (!FormatBounded(search, sizeof search, "%s=", name)) return 0;
    const size_t searchLength = std::strlen(search);
    const char* hit = FindNoCase(line, kMeasureLength, search, kMeasureLength);
    if (hit == nullptr) return 0;
    const char* begin = hit + searchLength;
    const char* end = nullptr;
    if (*begin == '"') {
        ++begin;
        end = std::strchr(begin, '"');
        if (end == nullptr) return RefuseParameter(destination);
    } else {
        end = begin + std::strcspn(begin, kValueEnd);
    }
    const size_t length = end - begin;
    if (length >= capacity) return RefuseParameter(destination);
    std::memcpy(destination, begin, length);
    destination[length] = '\0';
    return 1;
}

int EvaluateAttachmentName(int type, const char* line, const char* delimiters, const FilterSet* set,
                           FilterEvaluationSet* evaluations) {
    char condition[kPatternCapacity];
    char pattern[kPatternCapacity];
    ForEachEnabledCriterion(
        set, evaluations, type, [&](const Criterion& criterion, FilterEvaluation& evaluation) {
            ForEachCondition(criterion, condition, sizeof condition, [&](int j, const char* value) {
                ForEachAlternative(value, pattern, sizeof pattern, [&](const char* field) {
                    if (!NameMatches(line, field, delimiters)) return;
                    RecordFinding(evaluation, type, j, tags::kAttachment, field);
                    ConsoleLine("Attachment Criteria Met\n");
                });
            });
        });
    return 1;
}

int EvaluateHasAttachment(int type, const char* line, const char*, const FilterSet* set,
                          FilterEvaluationSet* evaluations) {
    const bool namesFile =
        line != nullptr && FindNoCase(line, kMeasureLength, kNamePresence, kMeasureLength);
    ForEachEnabledCriterion(
        set, evaluations, type, [&](const Criterion& criterion, FilterEvaluation& evaluation) {
            // Counted once per message however many attachments follow.
            if (evaluation.matchCount[type] >= 1) return;
            if (namesFile) {
                ++evaluation.matchCount[type];
                SetResultTag(evaluation, type, tags::kHasAttachment, "1");
                ConsoleLine("Message Body Has Attachment Criteria Met\n");
            }
            char count[kConditionValueCapacity];
            std::snprintf(count, sizeof count, "%d", evaluation.matchCount[type]);
            SetAllConditionValues(evaluation, criterion, type, count);
        });
    return 1;
}
