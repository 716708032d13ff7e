// filters/EvaluationPool.cpp: a small per-thread stack of spare evaluation records.
#include "filters/EvaluationPool.h"

#include <memory>
#include <new>
#include <vector>

namespace {

// A run takes at most one record per filter, so this many spares cover the next run.
constexpr size_t kSparesPerThread = kMaxFilters;

struct Spares {
    std::vector<std::unique_ptr<FilterEvaluation>> records;
};
thread_local Spares spares;

}  // namespace

FilterEvaluation* TakeEvaluation() {
    std::vector<std::unique_ptr<FilterEvaluation>>& records = spares.records;
    if (records.empty()) return new (std::nothrow) FilterEvaluation();  // zeroed
    FilterEvaluation* record = records.back().release();
    records.pop_back();
    *record = FilterEvaluation{};  // nothing of an earlier message may show through
    return record;
}

void GiveBackEvaluation(FilterEvaluation* evaluation) {
    std::unique_ptr<FilterEvaluation> record(evaluation);
    if (record == nullptr || spares.records.size() >= kSparesPerThread) return;
    try {
        spares.records.push_back(std::move(record));
    } catch (const std::bad_alloc&) {
        // Not kept: freed on leaving.
    }
}
