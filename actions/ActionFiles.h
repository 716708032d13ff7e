// actions/ActionFiles.h: filters' action files, kept parsed between messages while
// nothing says they changed.
#pragma once

#include <memory>
#include <vector>

#include "filters/ActionLine.h"

struct FilterSet;
struct FilterDefinition;

using ActionLines = std::vector<ActionLine>;

// The lines of a filter's action file as the dispatcher reads them (a line longer than
// kActionLineCapacity arrives in pieces); null when the file cannot be read. A file
// edited, replaced or removed is read afresh by the next lookup.
std::shared_ptr<const ActionLines> ActionFileLines(const FilterSet& set,
                                                   const FilterDefinition& filter);

// Forgets every parsed file and stops watching their folders; for the unload, after the
// last run.
void ForgetParsedActionFiles();
