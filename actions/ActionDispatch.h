// actions/ActionDispatch.h: deciding which filters matched a message and carrying out
// their action files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/MessageRecord.h"
#include "filters/FilterSet.h"

// Walks the filters in order and carries out the actions of each that matched. Returns
// 0 when nothing matched, 1 when a filter matched or an action line ran, 2 when a
// mailbox action removed the message. `reportLine` receives the last "Executed" entry.
int32_t ExecuteFilterActions(MessageRecord* record, const FilterSet* set,
                             FilterEvaluationSet* evaluations, char* reportLine, size_t capacity);

// Carries out one action line of a mailbox filter: DELETE, JUNK, QUARANTINE, COPY, MOVE
// or PREFIX-SUBJECT (any case); other names are ignored. A known action is added to
// `executedList` (`capacity` bytes, joined by ",") before it runs, whatever its outcome.
// Sets `*status` to 2 when the action keeps the message out of the mailbox. Always 1.
int ExecuteMailboxRuleAction(MessageRecord* record, const char* actionName, const char* parameter,
                             char* executedList, size_t capacity, int32_t* status);
