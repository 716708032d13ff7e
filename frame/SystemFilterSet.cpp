// frame/SystemFilterSet.cpp: the system filter set and its replacement by a reload.
#include "frame/SystemFilterSet.h"

#include <mutex>

#include "filters/CompiledLists.h"
#include "filters/PatternCache.h"
#include "platform/NeverDestroyed.h"

namespace {

std::mutex currentLock;

// Released by the unload work, which can run after the library's globals are destroyed.
FilterSetRef& Current() {
    static platform::NeverDestroyed<FilterSetRef> current;
    return *current;
}
int filtersLoaded = 0;

// The last reference to a set destroys its filters (printing the release lines then,
// which for a set outlived by a slow run is when that run ends). The pattern cache is
// not touched here: by then it may hold the next set's lists.
void DestroySet(FilterSet* set) {
    DestroyFilters(set);
    delete set;
}

FilterSetRef LoadFreshSet() {
    std::shared_ptr<FilterSet> set(new FilterSet{}, DestroySet);
    ResetFilterSet(set.get());  // empty scope names: the system scope
    LoadFilters(set.get());
    CompileWordLists(set.get());  // the cost of a large list falls on loading, not a message
    return set;
}

FilterSetRef TakeCurrent() {
    std::lock_guard<std::mutex> guard(currentLock);
    return std::move(Current());
}

void Publish(FilterSetRef set) {
    std::lock_guard<std::mutex> guard(currentLock);
    Current() = std::move(set);
}

}  // namespace

void LoadSystemFilterSet() {
    if (filtersLoaded) return;
    Publish(LoadFreshSet());
    filtersLoaded = 1;
}

void ReleaseSystemFilterSet() {
    TakeCurrent().reset();
    EmptyPatternCache();
    filtersLoaded = 0;
}

void ReloadSystemFilterSet() {
    TakeCurrent().reset();
    EmptyPatternCache();
    Publish(LoadFreshSet());
}

FilterSetRef CurrentSystemFilterSet() {
    std::lock_guard<std::mutex> guard(currentLock);
    return Current();
}
