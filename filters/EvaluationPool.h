// filters/EvaluationPool.h: the per-run FilterEvaluation records (some 32 KB each) are
// reused from run to run instead of being freed, since returning them to the system and
// faulting them in again cost more than a whole small message's scan.
#pragma once

#include "filters/FilterSet.h"

// Fills records[0..count-1] with empty records: every count 0 and every text empty, as a
// fresh one reads. A reused record may hold bytes of an earlier message past those
// terminators, where no reader looks. Returns 1; 0 with every slot null when memory ran
// out. A message's records are taken together, so that concurrent runs meet at the
// pool's lock once a message rather than once a filter.
int TakeEvaluations(FilterEvaluation** records, int count);

// Hands records[0..count-1] back for reuse (nulls are ignored); past a few hundred spares
// they are freed.
void GiveBackEvaluations(FilterEvaluation* const* records, int count);

// Frees every spare record; for the unload, after the last run has ended.
void ReleaseSpareEvaluations();
