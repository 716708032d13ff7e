// providers/ScannerCriteria.h: the criteria answered by the scanning providers: Bayesian
// probability, SpamAssassin verdict, DKIM verdict and virus verdict of a whole message.
#pragma once

#include <cstdint>

#include "base/MessageRecord.h"
#include "filters/FilterSet.h"

// DKIM verdicts, as DKIM criterion values name them.
constexpr int32_t kDkimFail = 0;
constexpr int32_t kDkimPass = 1;
constexpr int32_t kDkimIndeterminate = 2;

// Each takes the criterion type, the run's message, the set being run and its
// evaluations, asks its provider at most once (at the first filter using the
// criterion), records the verdict for the filters using the criterion, and returns 1.
//
// SPAM_PROBABILITY: met when the probability exceeds the value, and again for each
// condition it exceeds; the result text is "<BFV>probability</BFV><BFT>threshold</BFT>".
int EvaluateBayesian(int type, MessageRecord* record, const FilterSet* set,
                     FilterEvaluationSet* evaluations);
// SPAMASSASSIN: the verdict is 1 for spam, 0 for a message that passed; met when the
// value, and again for each condition, names it. Result text "<PASS>verdict</PASS>".
int EvaluateSpamAssassin(int type, MessageRecord* record, const FilterSet* set,
                         FilterEvaluationSet* evaluations);
// DKIM: met for each condition naming the verdict (FAIL, PASS, INDETERMINATE or a
// number); a message that is not verified is INDETERMINATE with code 100.
int EvaluateDkim(int type, MessageRecord* record, const FilterSet* set,
                 FilterEvaluationSet* evaluations);
// HASVIRUS: met, whatever the value, when the antivirus engine found a virus; the
// result text is the engine's description.
int EvaluateAntivirus(int type, MessageRecord* record, const FilterSet* set,
                      FilterEvaluationSet* evaluations);

// 1 when one of the criteria above may call its provider (which may open the message
// file by its name); 0 when none can.
int ScanningProvidersReady();

// The verdict a DKIM condition names: "FAIL", "PASS" or "INDETERMINATE" (in any case),
// else the text read as a decimal integer.
int32_t DkimVerdictCode(const char* text);
