// filters/FilterScript.cpp: registering a script's criteria and building and running its
// program.
#include "filters/FilterScript.h"

#include <algorithm>
#include <cstring>

#include "base/Settings.h"
#include "common/Console.h"
#include "common/SafeText.h"
#include "common/TextSearch.h"
#include "filters/EvaluationRecords.h"
#include "filters/ScopePaths.h"
#include "filters/ScriptHost.h"
#include "filters/ScriptSite.h"
#include "filters/SenderAddress.h"

namespace {

constexpr size_t kTokenTextLimit = 1023;  // names are cut to this (no name is longer)

// A token without a comma after it has no condition: evaluators then store what they
// measured (the size, for SIZE) instead of a truth value.
constexpr const char* kNoCondition = "\r";

// Every program is this header, the filter's body, then the trailer.
constexpr const char* kScriptHeader =
    "Dim QPResultData\r\n"
    "QPResultData = \"SCRIPT\"\r\n"
    "Function QP_GetResultData()\r\n"
    "QP_GetResultData=QPResultData\r\n"
    "End Function\r\n"
    "Function CriteriaMet(Value,Condition)\r\n"
    "\tCriteriaMet=(Value<>0)\r\n"
    "End Function\r\n"
    "Function QP_Execute\r\n"
    "\tFilterResult=0\r\n";
constexpr const char* kScriptTrailer = "\r\nQP_Execute = FilterResult\r\nEnd Function\r\n";

// The program line (from 0) on which the body starts: script errors count lines from it.
constexpr unsigned long LinesIn(const char* text) {
    unsigned long count = 0;
    for (; *text != '\0'; ++text) count += *text == '\n' ? 1 : 0;
    return count;
}
constexpr unsigned long kBodyFirstLine = LinesIn(kScriptHeader);

bool IsSpaceOrLineEnd(char c) {
    return c == ' ' || c == '\r' || c == '\n' || c == '\t';
}

bool IsWhiteSpace(char c) {
    return IsSpaceOrLineEnd(c) || c == '\v' || c == '\f';
}

std::string CutText(const char* begin, const char* end) {
    return std::string(begin, std::min(static_cast<size_t>(end - begin), kTokenTextLimit));
}

// One token found by the scan.
struct ScannedToken {
    std::string name;
    std::string condition;
    const char* resume;  // where the scan goes on; null: it ends after this token
    bool complete;       // false when the condition was never closed
};

// The condition after a token's "]": a quoted text, the unquoted text up to ")", or none.
void ReadCondition(const char* close, ScannedToken* token) {
    const char* p = close + 1;
    while (IsSpaceOrLineEnd(*p)) ++p;
    if (*p != ',') {
        token->condition = kNoCondition;
        token->resume = close + 1;
        return;
    }
    ++p;
    while (IsWhiteSpace(*p)) ++p;
    const char* begin = *p == '"' ? p + 1 : close + 2;
    const char* end = std::strchr(begin, *p == '"' ? '"' : ')');
    if (end == nullptr) {
        token->complete = false;
        token->resume = nullptr;
        return;
    }
    // Kept whole: a long list of alternatives is the administrator's, to be evaluated as
    // written.
    token->condition.assign(begin, end);
    token->resume = end + 1;
}

// The next token at or after `from`; false when there is none.
bool NextToken(const char* from, ScannedToken* token) {
    const char* open = std::strstr(from, "[QP_");
    if (open == nullptr) return false;
    const char* close = std::strchr(open + 1, ']');
    if (close == nullptr) return false;
    *token = ScannedToken{CutText(open + 4, close), "", nullptr, true};
    ReadCondition(close, token);
    return true;
}

void AddCondition(const FilterSet& set, Criterion* criterion, int type,
                  const std::string& condition) {
    ++criterion->conditionCount;
    criterion->enabled = 1;
    ConsoleLine("Setting Critieria:%ld:%s\n", static_cast<long>(type), condition.c_str());
    if (Settings().allowPatternCaching != 0) PreloadPatternFile(&set, condition.c_str(), "");
    // Occurrence j must stay condition j, so an empty condition keeps its field too.
    if (criterion->conditionCount > 1) criterion->value += '\t';
    criterion->value += condition;
}

void RegisterToken(FilterSet* set, FilterDefinition* filter, const ScannedToken& token) {
    for (int type = 0; type < kCriterionTypeCount; ++type)
        if (SameTextNoCase(token.name.c_str(), kCriterionTypeNames[type]))
            AddCondition(*set, &filter->criteria[type], type, token.condition);
}

// A message value as it may stand inside a script's string literal. Every value comes
// from the sender's side of the connection, so none may end the literal early: a quote
// is doubled, as VBScript escapes it, and a line end (which no literal may span, and
// which would shift the line numbers of script errors) is dropped.
std::string ScriptLiteralText(const char* value) {
    std::string text;
    for (const char* p = value; *p != '\0'; ++p) {
        if (*p == '\r' || *p == '\n') continue;
        if (*p == '"') text += '"';
        text += *p;
    }
    return text;
}

// The message values the placeholders stand for, in the order they are replaced.
void ReplacePlaceholders(const MessageRecord& record, std::string* program) {
    char senderAddress[kSenderAddressCapacity];
    ExtractSenderAddress(record.sender, senderAddress);
    const struct {
        const char* placeholder;
        const char* value;
    } kPlaceholders[] = {
        {"%IPADDRESS%", record.clientIp},    {"%POSTOFFICE%", record.account},
        {"%SENDER%", record.sender},         {"%SENDERADDRESS%", senderAddress},
        {"%RECIPIENTS%", record.recipients}, {"%SUBJECT%", record.subject},
    };
    for (const auto& item : kPlaceholders)
        ReplaceInString(program, item.placeholder, ScriptLiteralText(item.value).c_str(), 0, false,
                        true);
}

// Condition j's recorded value. A script may name a criterion more often than there are
// value slots; the occurrences past them have no recorded value and so count as not met.
const char* ConditionValue(const FilterEvaluation* evaluation, int type, int j) {
    if (evaluation == nullptr || j >= kMaxConditions) return "";
    return evaluation->conditionValues[type][j];
}

// Each token occurrence, left to right, takes the value of the next condition of its type.
void ReplaceTokens(const FilterDefinition& filter, const FilterEvaluation* evaluation, int number,
                   std::string* program) {
    for (int type = 0; type < kCriterionTypeCount; ++type) {
        const std::string token = std::string("[QP_") + kCriterionTypeNames[type] + "]";
        for (int j = 0; j < filter.criteria[type].conditionCount; ++j) {
            const char* value = ConditionValue(evaluation, type, j);
            ConsoleLine("Checking Filter[%ld]Criteria[%ld]::(%s)->%ld\n", static_cast<long>(number),
                        static_cast<long>(type), value,
                        static_cast<long>(static_cast<unsigned char>(value[0])));
            const bool met = value[0] != '\0' && std::strcmp(value, "0") != 0;
            if (met)
                ConsoleLine("Setting True value %s\n", value);
            else
                ConsoleLine("Setting False\n");
            ReplaceInString(program, token.c_str(), met ? value : "0", 1, false, true);
        }
    }
}

}  // namespace

int RegisterScriptCriteria(FilterSet* set, const char* script) {
    if (set == nullptr || script == nullptr || set->filterCount < 1 ||
        set->filterCount > kMaxFilters || set->filters[set->filterCount] == nullptr)
        return 1;
    FilterDefinition* filter = set->filters[set->filterCount];
    ScannedToken token;
    for (const char* from = script; NextToken(from, &token); from = token.resume) {
        // A condition left open cannot be known; the program will not parse either, so
        // the token registers nothing and the filter never matches.
        if (!token.complete) break;
        RegisterToken(set, filter, token);
    }
    return 1;
}

int BuildAndRunFilterScript(const MessageRecord* record, const FilterSet* set, int number,
                            const FilterEvaluationSet* evaluations, const char* body,
                            char* resultData, int capacity) {
    if (record == nullptr || set == nullptr || body == nullptr || number < 1 ||
        number > set->filterCount || number > kMaxFilters || set->filters[number] == nullptr)
        return 0;
    const FilterDefinition& filter = *set->filters[number];
    std::string text = body;
    if (Settings().scriptLiteralMode != 0) ReplacePlaceholders(*record, &text);
    ReplaceTokens(filter, EvaluationOf(evaluations, number), number, &text);
    const std::string program = kScriptHeader + text + kScriptTrailer;

    std::string trace = std::string("Executing filter script for ") + filter.displayName + "\n";
    ScriptTrace(trace.c_str());
    char scriptPath[kFilterPathCapacity];
    if (!BuildScopePath(*set, ScopeFile::kCriteriaScript, filter.filterId, scriptPath))
        SafeCopy(scriptPath, filter.filterId);
    const ScopedScriptErrorOrigin origin({filter.displayName, scriptPath, kBodyFirstLine});
    return ExecuteVBScript(program.c_str(), "QP_Execute", resultData, capacity, 0);
}

int ReplaceInString(std::string* text, const char* pattern, const char* replacement, int maximum,
                    bool stay, bool exact) {
    if (text == nullptr || pattern == nullptr || pattern[0] == '\0' || replacement == nullptr)
        return 0;
    const size_t patternLength = std::strlen(pattern);
    const size_t replacementLength = std::strlen(replacement);
    // Staying on a replacement that contains the pattern would replace it forever.
    if (stay && maximum < 1 &&
        FindNoCase(replacement, static_cast<uint32_t>(replacementLength), pattern,
                   static_cast<uint32_t>(patternLength)) != nullptr)
        stay = false;
    int count = 0;
    size_t from = 0;
    while (from <= text->size()) {
        size_t hit;
        if (exact) {
            hit = text->find(pattern, from, patternLength);
        } else {
            const char* found =
                FindNoCase(text->c_str() + from, static_cast<uint32_t>(text->size() - from),
                           pattern, static_cast<uint32_t>(patternLength));
            hit = found != nullptr ? static_cast<size_t>(found - text->c_str()) : std::string::npos;
        }
        if (hit == std::string::npos) break;
        text->replace(hit, patternLength, replacement, replacementLength);
        ++count;
        if (maximum > 0 && count >= maximum) break;
        from = stay ? hit : hit + replacementLength;
    }
    return count;
}
