// frame/SystemFilterSet.h: the server-wide filters that every filter run evaluates.
//
// A run holds a reference to the set it started with, so a reload that goes ahead while
// a slow run is still evaluating never frees filters under it: the old set lives until
// its last run lets go, and new runs get the new set.
#pragma once

#include <memory>

#include "filters/FilterSet.h"

using FilterSetRef = std::shared_ptr<const FilterSet>;

// Loads the system set once per process (the first initialisation only).
void LoadSystemFilterSet();

// Releases the system set and empties the pattern cache (teardown).
void ReleaseSystemFilterSet();

// Replaces the system set with a freshly loaded one and empties the pattern cache before
// the new set fills it. The caller holds ReloadLock.
void ReloadSystemFilterSet();

// The set new runs use; null before the first load. Taken under ReloadLock by runs.
FilterSetRef CurrentSystemFilterSet();
