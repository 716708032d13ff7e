// actions/ActionDispatch.cpp: the action dispatcher. Actions are not carried out by
// this build yet, so no filter is reported as matched.
#include "actions/ActionDispatch.h"

int32_t ExecuteFilterActions(MessageRecord* /*record*/, const FilterSet* /*set*/,
                             FilterEvaluationSet* /*evaluations*/, char* /*reportLine*/,
                             size_t /*capacity*/) {
    return 0;
}
