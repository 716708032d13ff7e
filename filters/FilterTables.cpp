// filters/FilterTables.cpp: loading a scope's filters from its filter and criteria tables,
// and the lifetime of the filters and of the evaluation records of a run.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "base/ReportLog.h"
#include "base/Settings.h"
#include "common/Console.h"
#include "common/DecimalNumber.h"
#include "common/DelimitedField.h"
#include "common/FileQueries.h"
#include "common/LineEnd.h"
#include "common/WholeFile.h"
#include "filters/CriteriaLines.h"
#include "filters/EvaluationPool.h"
#include "filters/FilterScript.h"
#include "filters/FilterSet.h"
#include "filters/PatternCache.h"
#include "filters/ScopePaths.h"
#include "platform/Files.h"

namespace {

// FILTER.TAB is read a line of at most 2047 characters at a time; a longer line arrives
// in pieces, each read as a line of its own. Criteria tables are read whole lines
// (filters/CriteriaLines.h).
constexpr size_t kLineCapacity = 2048;
constexpr size_t kNumberCapacity = 56;

struct FileCloser {
    void operator()(platform::FileState* file) const { platform::FileClose(file); }
};
using OpenFile = std::unique_ptr<platform::FileState, FileCloser>;

OpenFile OpenScopeFile(const FilterSet& set, ScopeFile kind, const char* name,
                       platform::FileMode mode) {
    char path[kFilterPathCapacity];
    if (!BuildScopePath(set, kind, name, path)) return nullptr;
    return OpenFile(platform::FileOpen(path, mode));
}

// The integer value of a column; 0 when the column cannot be taken.
[[nodiscard]] int NumberColumn(const char* line, int column, int* value) {
    char text[kNumberCapacity];
    if (!GetDelimitedField(line, "\t", column, text)) return 0;
    *value = DecimalValue(text);
    return 1;
}

// Criteria line: enabled, (unused), conditions separated by commas, ..., threshold in 6.
void ReadCriterionLine(const FilterSet& set, const char* line, Criterion* criterion) {
    ++criterion->conditionCount;
    char enabled[kNumberCapacity] = "";
    (void)GetDelimitedField(line, "\t", 1, enabled);  // one that does not fit reads as 0
    criterion->enabled = DecimalValue(enabled);

    // The condition column is taken whole, however long the line made it.
    std::string condition(std::strlen(line) + 1, '\0');  // stays empty without a tab
    (void)GetDelimitedField(line, "\t", 3, condition.data(), condition.size(), 0);
    condition.resize(std::strlen(condition.c_str()));
    std::replace(condition.begin(), condition.end(), ',', '\t');
    if (criterion->enabled == 1 && Settings().allowPatternCaching != 0 && !condition.empty())
        PreloadPatternFile(&set, condition.c_str(), " from simple filter");
    criterion->value = std::move(condition);

    int threshold = 1;
    if (NumberColumn(line, 6, &threshold) && criterion->enabled == 1 && threshold < 1)
        threshold = 1;
    criterion->threshold = threshold;
}

// A line too long to read keeps its slot, off, so that every later line keeps its own.
void ReportCriteriaLineTooLong(const FilterDefinition& filter, int n) {
    char text[512];
    std::snprintf(text, sizeof text,
                  "QP-W0301: Line %d of the criteria table of filter %s (criterion %s) is longer "
                  "than %zu bytes and was left out; move its list into a pattern file.\n",
                  n + 1, filter.filterId, kCriterionTypeNames[n], kCriteriaLineLimit);
    WriteReportLog(text);
}

// Line n of the criteria table is criterion type n.
void ReadCriteriaTable(const FilterSet& set, FilterDefinition* filter) {
    OpenFile file = OpenScopeFile(set, ScopeFile::kCriteriaTable, filter->filterId,
                                  platform::FileMode::kReadText);
    if (file == nullptr) return;  // the filter keeps no enabled criterion
    std::string line;
    for (int n = 0; n < kCriterionTypeCount; ++n) {
        const CriteriaLine read = ReadCriteriaLine(file.get(), &line);
        if (read == CriteriaLine::kEnd) break;
        if (read == CriteriaLine::kTooLong) {
            ++filter->criteria[n].conditionCount;
            ReportCriteriaLineTooLong(*filter, n);
            continue;
        }
        line.resize(
            TakeOffLineEnd(line.data()));  // a condition in the last column must not keep it
        ReadCriterionLine(set, line.c_str(), &filter->criteria[n]);
    }
}

// A filter whose identifier has a script file is a script filter; mailboxes have none.
bool LoadScript(FilterSet* set, FilterDefinition* filter) {
    char path[kFilterPathCapacity];
    if (ScopeOf(*set) == FilterScope::kMailbox ||
        !BuildScopePath(*set, ScopeFile::kCriteriaScript, filter->filterId, path) ||
        !FileExists(path))
        return false;
    filter->isScript = 1;
    set->usesScripts = 1;
    (void)ReadWholeFile(path, &filter->scriptText);  // an unreadable script is an empty one
    RegisterScriptCriteria(set, filter->scriptText.c_str());
    return true;
}

// Filter table line: rule name, enabled, identifier, (unused), display name.
void AddFilter(FilterSet* set, const char* line) {
    FilterDefinition* filter = new FilterDefinition();  // value-initialised: all off, empty
    set->filters[++set->filterCount] = filter;
    // A column that does not fit is stored empty.
    (void)GetDelimitedField(line, "\t", 1, filter->ruleName);
    (void)GetDelimitedField(line, "\t", 3, filter->filterId);
    (void)GetDelimitedField(line, "\t", 5, filter->displayName);
    if (!LoadScript(set, filter)) ReadCriteriaTable(*set, filter);
}

void ReadFilterTable(FilterSet* set) {
    OpenFile file = OpenScopeFile(*set, ScopeFile::kFilterTable, "", platform::FileMode::kReadText);
    if (file == nullptr) return;
    char line[kLineCapacity];
    while (platform::FileReadLine(file.get(), line, sizeof line) != nullptr) {
        TakeOffLineEnd(line);  // a display name in the last column must not keep it
        int enabled = 0;
        if (!NumberColumn(line, 2, &enabled) || enabled == 0) continue;
        if (set->filterCount >= kMaxFilters) {
            ConsoleLine("Too Many Filters Defined\r\n");
            break;
        }
        AddFilter(set, line);
    }
}

int LastFilter(const FilterSet& set) {
    return std::clamp<int>(set.filterCount, 0, kMaxFilters);
}

}  // namespace

int ResetFilterSet(FilterSet* set) {
    if (set == nullptr) return 1;
    std::fill(std::begin(set->filters), std::end(set->filters), nullptr);
    set->filterCount = 0;
    set->usesScripts = 0;
    return 1;
}

int LoadFilters(FilterSet* set) {
    if (set == nullptr) return 1;
    try {
        ReadFilterTable(set);
    } catch (const std::bad_alloc&) {
        // Out of memory: the filters read so far are the set.
    }
    ConsoleLine("Loaded %d Filters\n", set->filterCount);
    return 1;
}

int DestroyFilters(FilterSet* set) {
    if (set == nullptr) return 1;
    ConsoleLine("Releasing %d Filters\n", set->filterCount);
    for (long n = 1; n <= LastFilter(*set); ++n) {
        ConsoleLine("Releasing Filter %ld\n", n);
        delete set->filters[n];
        set->filters[n] = nullptr;
    }
    return 1;
}

int ReleaseFilters(FilterSet* set) {
    DestroyFilters(set);
    EmptyPatternCache();
    return 1;
}

int AllocateEvaluations(const FilterSet* set, FilterEvaluationSet* evaluations) {
    if (set == nullptr || evaluations == nullptr) return 1;
    ConsoleLine("Allocating %d Results\n", set->filterCount);
    std::fill(std::begin(evaluations->evaluations), std::end(evaluations->evaluations), nullptr);
    evaluations->count = LastFilter(*set);
    // All or none: evaluators index evaluation n for every filter n without checking.
    if (!TakeEvaluations(&evaluations->evaluations[1], evaluations->count)) evaluations->count = 0;
    return 1;
}

int ReleaseEvaluations(const FilterSet* set, FilterEvaluationSet* evaluations) {
    (void)set;
    if (evaluations == nullptr) return 1;
    ConsoleLine("Releasing %d Results\n", evaluations->count);
    const int last = std::clamp<int>(evaluations->count, 0, kMaxFilters);
    GiveBackEvaluations(&evaluations->evaluations[1], last);
    std::fill(&evaluations->evaluations[1], &evaluations->evaluations[1] + last, nullptr);
    evaluations->count = 0;
    return 1;
}

int GetCriterionCondition(const Criterion& criterion, int j, char* destination, size_t capacity) {
    if (destination == nullptr || capacity == 0) return 0;
    destination[0] = '\0';
    if (criterion.conditionCount > 1)
        return GetDelimitedField(criterion.value.c_str(), "\t", j + 1, destination, capacity, 0);
    if (criterion.conditionCount < 1 || criterion.value.size() >= capacity) return 0;
    std::memcpy(destination, criterion.value.c_str(), criterion.value.size() + 1);
    return 1;
}

int GetCriterionCondition(const Criterion& criterion, int j, std::string* destination) {
    if (destination == nullptr) return 0;
    destination->clear();
    if (j < 0 || j >= criterion.conditionCount) return 0;
    if (criterion.conditionCount == 1) {
        *destination = criterion.value;
        return 1;
    }
    // Field j+1; a missing field (fewer tabs than conditions) is an empty condition.
    size_t begin = 0;
    for (int field = 0; field < j; ++field) {
        begin = criterion.value.find('\t', begin);
        if (begin == std::string::npos) return 0;
        ++begin;
    }
    const size_t end = criterion.value.find('\t', begin);
    destination->assign(criterion.value, begin,
                        end == std::string::npos ? std::string::npos : end - begin);
    return 1;
}
