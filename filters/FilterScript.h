// filters/FilterScript.h: script filters. A script filter's criteria come from the tokens
// ("[QP_SUBJECT]", "[QP_BODY]", ...) of its program; the ordinary evaluators decide them,
// and at action time each token is replaced by what was found and the program decides
// whether the filter matched.
#pragma once

#include <string>

#include "base/MessageRecord.h"
#include "filters/FilterSet.h"

// Registers every token of `script` as one more condition of filter `filterCount`'s
// criterion of that type. Always 1.
int RegisterScriptCriteria(FilterSet* set, const char* script);

// Builds filter `number`'s program from `body` (placeholders and tokens replaced, the
// fixed header and trailer around it), runs it and returns what its QP_Execute returned,
// or 0 when it could not run. `resultData` receives the program's result data when the
// result is nonzero.
int BuildAndRunFilterScript(const MessageRecord* record, const FilterSet* set, int number,
                            const FilterEvaluationSet* evaluations, const char* body,
                            char* resultData, int capacity);

// Replaces occurrences of `pattern` in `text` by `replacement`: at most `maximum` of them
// (below 1: all), case-sensitively with `exact`, else without regard to case. Searching
// goes on after each inserted replacement, or, with `stay`, at its start (so a pattern
// that reappears there is replaced again). Returns the number of replacements.
int ReplaceInString(std::string* text, const char* pattern, const char* replacement, int maximum,
                    bool stay, bool exact);
