// filters/FilterSet.h: the in-memory filters of one scope and the per-run records in
// which criterion evaluators report what they found.
//
// A scope is chosen by the two names of a FilterSet: no postoffice is the whole server
// (system scope), a postoffice alone is that postoffice, both names are one mailbox.
// Filters are numbered from 1 in the order of their lines in FILTER.TAB; number 0 is
// never used, so that filter n and evaluation n belong together.
#pragma once

#include <cstdint>
#include <string>

#include "filters/CompiledLists.h"

struct MessageRecord;

constexpr int kMaxFilters = 100;
constexpr int kCriterionTypeCount = 25;
constexpr int kMaxConditions = 16;           // condition values per criterion
constexpr int kResultTextCapacity = 1024;    // result tags of one criterion
constexpr int kConditionValueCapacity = 16;  // one short number text

// The index of a criterion slot. ORDER MATTERS: the codes are stored in criteria
// tables (line n is type n) and index kCriterionTypeNames.
enum CriterionType : int {
    kSubject = 0,
    kBody = 1,
    kTo = 2,
    kCc = 3,
    kToOrCc = 4,
    kPriority = 5,
    kFrom = 6,
    kSize = 7,
    kHasAttachmentsMatching = 8,
    kHasAnAttachment = 9,
    kSecure = 10,
    kHeadersContain = 11,
    kSpamProbability = 12,
    kSpf = 13,
    kHasVirus = 14,
    kAllMessages = 15,
    kSenderAuth = 16,
    kIpAddress = 17,
    kAccount = 18,
    kConnector = 19,
    kUrlbl = 20,
    kBoundaryHeadersContain = 21,
    kIpAddressWhitelisted = 22,
    kDkim = 23,
    kSpamAssassin = 24,
};

// The names of the criterion types, indexed by code. They are also the tokens of filter
// scripts and the criterion names in log lines.
extern const char* const kCriterionTypeNames[kCriterionTypeCount];

struct Criterion {
    int32_t enabled;         // takes part only when exactly 1
    std::string value;       // the conditions, tab-separated when there are several
    int32_t threshold;       // matches a table filter needs; at least 1 when enabled
    int32_t conditionCount;  // conditions in value: 1 from a table, one per script token
};

struct FilterDefinition {
    Criterion criteria[kCriterionTypeCount];  // indexed by CriterionType
    char ruleName[64];                        // FILTER.TAB column 1
    char filterId[64];                        // column 3: names the criteria and action files
    char displayName[256];                    // column 5: the name in logs and notifications
    int32_t isScript;                         // 1 when the criteria come from a script (.MES)
    std::string scriptText;                   // the whole script file, byte for byte
};

struct FilterSet {
    FilterDefinition* filters[kMaxFilters + 1];  // 1..filterCount, owned by the set
    char postoffice[128];                        // empty: system scope
    char mailbox[128];                           // with a postoffice: mailbox scope
    int32_t filterCount;
    int32_t usesScripts;              // 1 when any script filter is loaded
    CompiledListSlots compiledLists;  // word lists compiled at first use, shared by runs
};

struct FilterEvaluation {
    int32_t matchCount[kCriterionTypeCount];
    // The types whose texts were written since the record was last emptied (bit `type`),
    // so that reusing it empties only those; kept by the writers in EvaluationRecords.h.
    // `writtenCheck` is writtenTypes ^ kWrittenCheckKey while the mark can be trusted:
    // bytes written past the writers (any equal pair) make the record emptied whole.
    // Beside the counts, which every reuse empties too: one cache line less to fetch.
    uint32_t writtenTypes;
    uint32_t writtenCheck;
    char resultText[kCriterionTypeCount][kResultTextCapacity];
    char conditionValues[kCriterionTypeCount][kMaxConditions][kConditionValueCapacity];
};

constexpr uint32_t kWrittenCheckKey = 0x5EA1ED00u;
static_assert(kCriterionTypeCount <= 32, "one bit per criterion type in writtenTypes");

struct FilterEvaluationSet {
    int32_t count;                                   // evaluations allocated
    FilterEvaluation* evaluations[kMaxFilters + 1];  // 1..count, evaluation n for filter n
    const MessageRecord* message;                    // the message being filtered
};

// Empties filterCount and usesScripts (the filters themselves must be released first).
int ResetFilterSet(FilterSet* set);

// Appends the scope's enabled filters from its filter table. Always 1.
int LoadFilters(FilterSet* set);

// Destroys filters 1..filterCount and empties the whole pattern cache. filterCount is
// left as it was (ResetFilterSet follows). Always 1.
int ReleaseFilters(FilterSet* set);

// ReleaseFilters without emptying the pattern cache: for a set that outlived a reload,
// whose cache entries belong to its successor by now. Always 1.
int DestroyFilters(FilterSet* set);

// One cleared evaluation per filter; count = filterCount. Always 1.
int AllocateEvaluations(const FilterSet* set, FilterEvaluationSet* evaluations);

// Frees evaluations 1..count; count = 0. Always 1.
int ReleaseEvaluations(const FilterSet* set, FilterEvaluationSet* evaluations);

// The pattern file a condition names ("<REFERENCE>...<FILE>name</FILE>..."), or the
// general pattern file for an empty condition. Returns 1 with the path; 0 for an inline
// condition, a reference without a file, or a path that does not fit.
int ResolvePatternPath(const FilterSet* set, const char* condition, char* destination,
                       size_t capacity);

// Loading the filters is what warms the pattern cache, so that runs find the words in
// memory: caches the file a condition names unless it is cached already, announcing it
// on the console with `origin` after the path ("" or " from simple filter").
void PreloadPatternFile(const FilterSet* set, const char* condition, const char* origin);

// Condition j (from 0) of a criterion: the whole value when it holds one condition,
// else tab-separated field j+1. Returns 1 with the condition, 0 when it does not fit.
int GetCriterionCondition(const Criterion& criterion, int j, char* destination, size_t capacity);

// Condition j whole, however long. Returns 1 with the condition; 0 when the criterion
// has no condition j.
int GetCriterionCondition(const Criterion& criterion, int j, std::string* destination);
