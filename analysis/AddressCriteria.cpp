// analysis/AddressCriteria.cpp: the To, Cc, To-or-Cc and From criteria, tested on the
// address header values of a message.
#include "analysis/ContentCriteria.h"
#include "filters/WordLists.h"

int EvaluateAddressCriterion(int type, const char* text, const char* delimiters,
                             const FilterSet* set, FilterEvaluationSet* evaluations) {
    return EvaluateListCriterion(ListKind::kAddress, type, text, delimiters, set, evaluations);
}
