// filters/EvaluationPool.h: the per-run FilterEvaluation records (some 32 KB each) are
// reused from run to run instead of being freed, since returning them to the system and
// faulting them in again cost more than a whole small message's scan.
#pragma once

#include "filters/FilterSet.h"

// An empty record: every count 0 and every text empty, as a fresh one reads. A reused
// record may hold bytes of an earlier message past those terminators, where no reader
// looks. Null when memory ran out.
FilterEvaluation* TakeEvaluation();

// Hands a record back for reuse (null is ignored); past a few hundred spares it is freed.
void GiveBackEvaluation(FilterEvaluation* evaluation);

// Frees every spare record; for the unload, after the last run has ended.
void ReleaseSpareEvaluations();
