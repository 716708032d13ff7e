// filters/WordLists.h: matching message text against word lists: pattern files (cached or
// read line by line) and inline alternatives, recording hits in the run's evaluations.
#pragma once

#include "filters/FilterSet.h"

// Matches `text` against every word of the cached pattern file `path`, recording each
// hit for criterion `type`, condition `condition` in `evaluation` under `tag` (one of
// those in filters/EvaluationRecords.h; the last hit's text stays). Returns 0 when the
// path is not in the pattern cache, else 1.
[[nodiscard]] int MatchCachedWordList(const char* text, const char* delimiters, const char* path,
                                      int type, int condition, FilterEvaluation* evaluation,
                                      const char* tag);

// As MatchCachedWordList, reading the pattern file line by line (lines of up to 2047
// characters; a longer line is matched as several pieces). Returns 0 when the file
// cannot be opened, else 1.
[[nodiscard]] int MatchWordFile(const char* text, const char* delimiters, const char* path,
                                int type, int condition, FilterEvaluation* evaluation,
                                const char* tag);

// The evaluators that share the inline-list walk; see kListStyles for how they differ.
enum class ListKind {
    kWordList,  // subject, body, priority, headers, SPF, part headers
    kAddress,   // To, Cc, To-or-Cc, From header values
    kEnvelope,  // recipients, client address, account, connector
};

// For every filter whose criterion `type` is enabled, and each of its conditions: a
// condition naming a pattern file (or empty: the general pattern file) is matched
// against that file, from the pattern cache when "Allow Pattern Caching" is set; a
// condition that is inline, or whose file is unavailable, is a list of tab-separated
// alternatives, each matched with MatchPattern. Always 1.
int EvaluateListCriterion(ListKind kind, int type, const char* text, const char* delimiters,
                          const FilterSet* set, FilterEvaluationSet* evaluations);

// The same, walking every list word by word with MatchPattern: what the compiled lists
// must reproduce exactly. Always 1.
int EvaluateListCriterionByWord(ListKind kind, int type, const char* text, const char* delimiters,
                                const FilterSet* set, FilterEvaluationSet* evaluations);

// The general word-list evaluator of the text criteria. Always 1.
int EvaluateWordListCriterion(int type, const char* text, const char* delimiters,
                              const FilterSet* set, FilterEvaluationSet* evaluations);
