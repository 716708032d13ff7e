// tests/filters/HandBuiltRun.h: a filter set and its evaluations built by hand for
// evaluator tests, so that they do not depend on the table loader.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/MessageRecord.h"
#include "filters/FilterSet.h"

namespace testing_support {

class HandBuiltRun {
public:
    HandBuiltRun() { evaluations.message = &message; }
    HandBuiltRun(const HandBuiltRun&) = delete;
    HandBuiltRun& operator=(const HandBuiltRun&) = delete;

    // Adds a filter (number filterCount) whose criterion `type` holds `value` with
    // `conditionCount` conditions and `enabled`, and a cleared evaluation for it.
    FilterDefinition& AddFilter(int type, const std::string& value, int conditionCount = 1,
                                int enabled = 1) {
        auto filter = std::make_unique<FilterDefinition>();
        filter->criteria[type] = Criterion{enabled, value, 1, conditionCount};
        const int n = ++set.filterCount;
        set.filters[n] = filter.get();
        filters_.push_back(std::move(filter));
        results_.push_back(std::make_unique<FilterEvaluation>());
        evaluations.evaluations[n] = results_.back().get();
        evaluations.count = n;
        return *set.filters[n];
    }

    // The evaluation of filter n (from 1).
    FilterEvaluation& Result(int n) { return *evaluations.evaluations[n]; }

    FilterSet set{};
    FilterEvaluationSet evaluations{};
    MessageRecord message{};

private:
    std::vector<std::unique_ptr<FilterDefinition>> filters_;
    std::vector<std::unique_ptr<FilterEvaluation>> results_;
};

}  // namespace testing_support
