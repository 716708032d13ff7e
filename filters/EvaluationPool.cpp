// filters/EvaluationPool.cpp: a stack of spare evaluation records shared by the runs.
#include "filters/EvaluationPool.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <iterator>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "platform/NeverDestroyed.h"

namespace {

// Runs on all threads together take at most one record per filter each; this many spares
// cover a few of them at once.
constexpr size_t kSpareRecords = 4 * kMaxFilters;

// Not thread_local: a thread_local with a destructor keeps the C library from ever
// unloading the plug-in, whose detach would then run after the static destructors. Never
// destroyed, for the same reason: a detach may still give records back. Kept in the
// library's own storage and emptied by the unload, so an unloaded plug-in leaves no
// record behind on the host's heap.
struct Spares {
    std::mutex lock;
    std::vector<std::unique_ptr<FilterEvaluation>> records;
};

Spares& TheSpares() {
    static platform::NeverDestroyed<Spares> spares;
    return *spares;
}

// Every writer of a record ends its texts with a terminator and every reader stops at the
// first one, so emptying the counts and the first byte of each text is as good as zeroing
// the whole record (some 32 KB, most of it never written). Only the types the writers
// marked are emptied: a message writes into a few of a record's 25, and touching all of
// them cost a few hundred cache lines per filter and message. A mark that cannot be
// trusted empties every type.
[[maybe_unused]] bool TextsEmpty(const FilterEvaluation& record, int type) {
    for (int j = 0; j < kMaxConditions; ++j)
        if (record.conditionValues[type][j][0] != '\0') return false;
    return record.resultText[type][0] == '\0';
}

void EmptyEvaluation(FilterEvaluation* record) {
    static_assert(kCriterionTypeCount < 32);
    constexpr uint32_t kEveryType = (1u << kCriterionTypeCount) - 1;
    const bool marked = record->writtenCheck == (record->writtenTypes ^ kWrittenCheckKey);
    const uint32_t written = marked ? record->writtenTypes & kEveryType : kEveryType;
    std::fill(std::begin(record->matchCount), std::end(record->matchCount), 0);
    // An unmarked write would show through to the next message: the tests catch it.
    for (int type = 0; type < kCriterionTypeCount; ++type)
        assert((written & (1u << type)) != 0 || TextsEmpty(*record, type));
    for (uint32_t left = written; left != 0; left &= left - 1) {  // the written types only
        const int type = std::countr_zero(left);
        record->resultText[type][0] = '\0';
        for (int j = 0; j < kMaxConditions; ++j) record->conditionValues[type][j][0] = '\0';
    }
    record->writtenTypes = 0;
    record->writtenCheck = kWrittenCheckKey;
}

}  // namespace

int TakeEvaluations(FilterEvaluation** records, int count) {
    if (records == nullptr || count <= 0) return 1;
    const size_t wanted = static_cast<size_t>(count);
    size_t reused = 0;
    {
        Spares& spares = TheSpares();
        std::lock_guard<std::mutex> guard(spares.lock);
        reused = std::min(wanted, spares.records.size());
        const size_t first = spares.records.size() - reused;
        for (size_t i = 0; i < reused; ++i) records[i] = spares.records[first + i].release();
        spares.records.resize(first);
    }
    for (size_t i = reused; i < wanted; ++i) {
        records[i] = new (std::nothrow) FilterEvaluation();  // zeroed
        if (records[i] != nullptr) continue;
        // All or none: evaluators index every filter's record without checking.
        GiveBackEvaluations(records, static_cast<int>(i));
        std::fill(records, records + wanted, nullptr);
        return 0;
    }
    // Nothing of an earlier message may show through; emptied outside the lock.
    for (size_t i = 0; i < wanted; ++i) EmptyEvaluation(records[i]);
    return 1;
}

void GiveBackEvaluations(FilterEvaluation* const* records, int count) {
    if (records == nullptr || count <= 0) return;
    const size_t given = static_cast<size_t>(count);
    size_t kept = 0;
    {
        Spares& spares = TheSpares();
        std::lock_guard<std::mutex> guard(spares.lock);
        // Room for every spare at once, so that keeping one never allocates.
        if (spares.records.capacity() < kSpareRecords) {
            try {
                spares.records.reserve(kSpareRecords);
            } catch (const std::bad_alloc&) {
                // None kept: all are freed below.
            }
        }
        const size_t room = std::min(kSpareRecords, spares.records.capacity());
        for (; kept < given && spares.records.size() < room; ++kept)
            if (records[kept] != nullptr) spares.records.emplace_back(records[kept]);
    }
    // Past the spares' room: freed here, outside the lock.
    for (size_t i = kept; i < given; ++i) delete records[i];
}

void ReleaseSpareEvaluations() {
    std::vector<std::unique_ptr<FilterEvaluation>> released;
    Spares& spares = TheSpares();
    {
        std::lock_guard<std::mutex> guard(spares.lock);
        released.swap(spares.records);
    }
    // The records are freed here, outside the lock.
}
