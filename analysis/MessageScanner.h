// analysis/MessageScanner.h: the single pass over a queued message that feeds the
// header and body criteria.
#pragma once

#include "base/MessageRecord.h"
#include "filters/FilterSet.h"

// Reads the message file of `record` once and records what the criteria find. Returns
// 1 when the message was read and may be acted on; 0 when its file cannot be opened,
// or a loop mark of this filter level says it must be left alone.
int ScanMessage(MessageRecord* record, const FilterSet* set, FilterEvaluationSet* evaluations);
