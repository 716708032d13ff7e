// actions/ActionFiles.h: filters' action files, kept parsed between messages while
// nothing says they changed.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "filters/ActionLine.h"
#include "filters/ScopePaths.h"

struct FilterSet;
struct FilterDefinition;

using ActionLines = std::vector<ActionLine>;

// What one message's dispatch learnt of the folder its set's action files share, so that
// whether anything there changed is asked once a message. Zeroed at the dispatch's start.
struct ActionFolderCheck {
    char folder[kFilterPathCapacity];
    int watched;  // 1: `changes` is the folder's change count
    uint64_t changes;
};

// The lines of a filter's action file as the dispatcher reads them (a line longer than
// kActionLineCapacity arrives in pieces); null when the file cannot be read. A file
// edited, replaced or removed since an earlier message is read afresh. `check` (null:
// none) carries what the same message found earlier.
std::shared_ptr<const ActionLines> ActionFileLines(const FilterSet& set,
                                                   const FilterDefinition& filter,
                                                   ActionFolderCheck* check);

// Forgets every parsed file and stops watching their folders; for the unload, after the
// last run.
void ForgetParsedActionFiles();
