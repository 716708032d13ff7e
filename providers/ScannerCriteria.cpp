// providers/ScannerCriteria.cpp: the scanning providers' criteria.
// The scanning providers' verdicts are not evaluated by this build yet: nothing is recorded.
#include "providers/ScannerCriteria.h"

int EvaluateBayesian(int, MessageRecord*, const FilterSet*, FilterEvaluationSet*) {
    return 1;
}

int EvaluateSpamAssassin(int, MessageRecord*, const FilterSet*, FilterEvaluationSet*) {
    return 1;
}

int EvaluateDkim(int, MessageRecord*, const FilterSet*, FilterEvaluationSet*) {
    return 1;
}

int EvaluateAntivirus(int, MessageRecord*, const FilterSet*, FilterEvaluationSet*) {
    return 1;
}
