// tools/FilterLint.h: the checks of "mtafilter filters" for configurations that load
// without complaint and then silently never act (or always act): a byte-order mark that
// turns the first line's enabled column into 0, a blank beside a comma that keeps a word
// from ever matching, a threshold no message reaches, an action name in the wrong
// column, a notification template whose header block ends before its author meant.
//
// Every finding names the file and the line (as the administrator's editor counts them,
// from 1) and says what to change. The checks read files but never change them.
#pragma once

#include <string>
#include <vector>

#include "filters/FilterSet.h"

using Findings = std::vector<std::string>;

// The line (from 1) of a filter's criteria file that condition j of criterion `type`
// comes from: line type+1 of a table, the line of the j-th token of a script.
int CriterionLine(const FilterDefinition& filter, int type, int j);

// A file that begins with a UTF-8 byte-order mark; `effect` says what the mark breaks.
void LintFileStart(const char* path, const char* effect, Findings* findings);

// Criteria table lines too long to be read (their criteria are left out).
void LintCriteriaLines(const char* path, Findings* findings);

// An enabled criterion of a loaded filter: alternatives or conditions with blanks around
// them, and values or thresholds that no message can meet. `path` is the criteria table
// or script the criterion came from.
void LintCriterion(const FilterDefinition& filter, int type, const char* path, Findings* findings);

// The lines of a pattern file: a byte-order mark, and words with blanks around them.
void LintPatternFile(const char* path, Findings* findings);

// Line `number` of an action file (`line` as read): an action name outside its column,
// and the template a notification names.
void LintActionLine(const FilterSet& set, const char* path, int number, const char* line,
                    Findings* findings);

// A notification template: a byte-order mark, and header lines that would end the header
// block early.
void LintTemplate(const char* path, Findings* findings);
