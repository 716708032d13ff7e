// tests/fuzz/FuzzFilterTable.cpp: libFuzzer target for filter loading. The input is written
// as the server's filter table and as the criteria table of a filter that table names, then
// loaded, walked as the evaluators walk it, and released.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Settings.h"
#include "common/Console.h"
#include "filters/FilterSet.h"
#include "tests/fixtures/PluginSettings.h"
#include "tests/fixtures/TempTree.h"

namespace {

using testing_support::ScopedRegistry;
using testing_support::TempTree;

// One tree for the whole run: the registry points the configuration directory into it.
struct FuzzTree {
    FuzzTree() {
        registry.SetString(testing_support::kRootKey, "Configuration Directory",
                           tree.Join("config"));
        ResetSettings();
        RefreshDirectoryGroup(nullptr);
        Settings().allowPatternCaching = 1;  // reach the pattern cache as well
        SetConsoleQuiet(1);
    }
    TempTree tree;
    ScopedRegistry registry{tree};
};

void WalkConditions(const FilterSet& set) {
    char condition[64];
    for (int n = 1; n <= set.filterCount; ++n)
        for (const Criterion& criterion : set.filters[n]->criteria)
            for (int j = 0; j < criterion.conditionCount; ++j)
                (void)GetCriterionCondition(criterion, j, condition, sizeof condition);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzTree fuzzTree;
    const std::string input(reinterpret_cast<const char*>(data), size);
    fuzzTree.tree.WriteFile("config/FILTERS/FILTER.TAB", input + "\nR\t1\tF\t\tN\n");
    fuzzTree.tree.WriteFile("config/FILTERS/CRITERIA/F.TAB", input);

    FilterSet set{};
    ResetFilterSet(&set);
    LoadFilters(&set);
    WalkConditions(set);
    FilterEvaluationSet evaluations{};
    AllocateEvaluations(&set, &evaluations);
    ReleaseEvaluations(&set, &evaluations);
    ReleaseFilters(&set);
    return 0;
}
