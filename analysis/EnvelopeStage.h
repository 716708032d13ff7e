// analysis/EnvelopeStage.h: the criteria decided from a message's envelope alone, before
// the message file is read.
#pragma once

#include "base/MessageRecord.h"
#include "filters/FilterSet.h"

// Records in `evaluations` what the envelope of `record` meets: recipients, client
// address and its whitelist, account, connector, sender authentication, and the
// all-messages criterion.
void EvaluateEnvelopeCriteria(const MessageRecord& record, const FilterSet* set,
                              FilterEvaluationSet* evaluations);
