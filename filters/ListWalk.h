// filters/ListWalk.h: private to filters/: what the inline-list evaluators share between
// the word-by-word walk (the reference) and the compiled word lists, so that both print,
// tag and record exactly alike.
#pragma once

#include <cstddef>

#include "filters/FilterSet.h"
#include "filters/WordLists.h"

using Announce = void (*)(const char* tag, const char* word);

struct ListStyle {
    size_t conditionCapacity;            // condition and alternative buffers
    int senderCapacity;                  // ReplaceAll room for "[QP_SENDER]"; 0: left alone
    const char* fileTag;                 // tag of hits from a pattern file
    const char* inlineTag;               // tag of hits from an inline alternative
    void (*announceCount)(int count);    // printed before the alternatives; may be null
    void (*announceMatch)(const char*);  // printed on each inline hit; may be null
};

const ListStyle& StyleOf(ListKind kind);

// Printed for each hit of a cached pattern file.
void AnnounceCachedHit(const char* tag, const char* word);

struct ListWalk {
    const ListStyle& style;
    int type;
    const char* text;
    const char* delimiters;
    const FilterSet* set;
    const char* sender;
};

constexpr size_t kListBufferCapacity = 2048;  // the largest condition of any style
constexpr size_t kPatternPathCapacity = 2048;

// Whether the inline alternatives of `condition` take the message sender's address, so
// that they differ from message to message.
bool TakesSender(const ListStyle& style, const char* condition);

// The reference walk of one condition: its pattern file when it names a usable one, else
// its inline alternatives, each word tested with MatchPattern.
void MatchConditionByWord(const ListWalk& walk, int j, const char* condition,
                          FilterEvaluation& evaluation);

// Evaluates the criterion of `walk` through the set's compiled lists. Returns 0, having
// done nothing, when they are switched off or cannot be used for this text; the caller
// then walks the lists word by word.
int MatchCompiledLists(const ListWalk& walk, ListKind kind, FilterEvaluationSet* evaluations);
