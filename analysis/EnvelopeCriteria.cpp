// analysis/EnvelopeCriteria.cpp: the criteria tested on envelope values before the
// message is read: recipients (To-or-Cc), client address, account and connector.
#include "analysis/ContentCriteria.h"
#include "filters/WordLists.h"

int EvaluateEnvelopeCriterion(int type, const char* delimiters, const char* text,
                              const FilterSet* set, FilterEvaluationSet* evaluations) {
    return EvaluateListCriterion(ListKind::kEnvelope, type, text, delimiters, set, evaluations);
}
