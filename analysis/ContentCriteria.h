// analysis/ContentCriteria.h: the evaluators of the address, envelope, attachment, size,
// authentication and mark criteria. Each walks the filters of a set whose criterion of
// its type is enabled and writes what it finds into the run's FilterEvaluationSet (match
// counts, result tags, condition values). All return 1. The whitelist criterion is in
// analysis/Whitelists.h, included here so that the filter run finds every evaluator.
#pragma once

#include <cstddef>
#include <cstdint>

#include "analysis/Whitelists.h"
#include "filters/FilterSet.h"

// To, Cc, To-or-Cc and From header values (and continuations) against inline addresses
// ("<MF-R>" hits; "[QP_SENDER]" is the envelope sender) or pattern files ("<MF-W>").
int EvaluateAddressCriterion(int type, const char* text, const char* delimiters,
                             const FilterSet* set, FilterEvaluationSet* evaluations);

// The envelope's recipients, client address, account and connector ("<MF-E>" hits).
int EvaluateEnvelopeCriterion(int type, const char* delimiters, const char* text,
                              const FilterSet* set, FilterEvaluationSet* evaluations);

// An attachment header line: each name pattern is met when the "filename" parameter, or
// else the "name" parameter, matches it ("<MF-A>" hits).
int EvaluateAttachmentName(int type, const char* line, const char* delimiters, const FilterSet* set,
                           FilterEvaluationSet* evaluations);

// An attachment header line holding "name=": met at most once per filter and message.
// `delimiters` is not consulted.
int EvaluateHasAttachment(int type, const char* line, const char* delimiters, const FilterSet* set,
                          FilterEvaluationSet* evaluations);

// The value of parameter `name` of a MIME header line ("name=value" or name="value"),
// found without regard to case. Returns 1 with the value; 0 with `destination` empty
// when there is none, the quotes are not closed or the value does not fit `capacity`.
[[nodiscard]] int ExtractHeaderParameter(const char* line, const char* name, char* destination,
                                         size_t capacity);

// The message size against each filter's limit: met (count set to 1) when larger.
int EvaluateSize(int type, int32_t size, const FilterSet* set, FilterEvaluationSet* evaluations);

// The envelope's authentication status against each filter's expected status.
int EvaluateSenderAuth(int type, int32_t status, const FilterSet* set,
                       FilterEvaluationSet* evaluations);

// Marks the criterion met for every filter that uses it, with "<tag>value</tag>".
int MarkCriterion(int type, const char* tag, const char* value, const FilterSet* set,
                  FilterEvaluationSet* evaluations);
