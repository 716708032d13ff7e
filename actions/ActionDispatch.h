// actions/ActionDispatch.h: deciding which filters matched a message and carrying out
// their action files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "filters/FilterSet.h"
#include "frame/MessageRecord.h"

// Walks the filters in order and carries out the actions of each that matched. Returns
// 0 when nothing matched, 1 when a filter matched or an action line ran, 2 when a
// mailbox action removed the message. `reportLine` receives the last "Executed" entry.
int32_t ExecuteFilterActions(MessageRecord* record, const FilterSet* set,
                             FilterEvaluationSet* evaluations, char* reportLine,
                             size_t capacity);
