// providers/ScannerCriteria.h: the criteria answered by the scanning providers: Bayesian
// probability, SpamAssassin verdict, DKIM verdict and virus verdict of a whole message.
#pragma once

#include "filters/FilterSet.h"
#include "frame/MessageRecord.h"

// Each takes the criterion type, the run's message, the set being run and its
// evaluations, records the provider's verdict for the filters using the criterion, and
// returns 1.
int EvaluateBayesian(int type, MessageRecord* record, const FilterSet* set,
                     FilterEvaluationSet* evaluations);
int EvaluateSpamAssassin(int type, MessageRecord* record, const FilterSet* set,
                         FilterEvaluationSet* evaluations);
int EvaluateDkim(int type, MessageRecord* record, const FilterSet* set,
                 FilterEvaluationSet* evaluations);
int EvaluateAntivirus(int type, MessageRecord* record, const FilterSet* set,
                      FilterEvaluationSet* evaluations);
