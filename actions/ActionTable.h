// actions/ActionTable.h: the actions a filter's action file may name, which differ
// between server and postoffice filters on one side and mailbox filters on the other,
// each with the routine that carries it out. One table, so that an action is named in
// one place: the dispatcher, the explanation and the lint all read it.
#pragma once

#include <cstddef>

struct MessageRecord;
struct FilterSet;
struct FilterDefinition;

enum class ActionVocabulary {
    kServer,   // system and postoffice filters
    kMailbox,  // mailbox filters
};

// Everything an action routine may need from its line and its filter.
struct ActionCall {
    MessageRecord* record;
    const FilterSet* set;
    const FilterDefinition* filter;  // null for a mailbox rule
    const char* context;             // the result tags of the match; empty for a mailbox rule
    const char* parameter;           // column 3 of the line: address, prefix, folder, ...
    const char* description;         // column 5 of the line: the administrator's note
    bool inboundQueue;               // the message as it arrived (Inbound), else Outgoing
    bool* stop;                      // set when no later filter is to be decided
    bool* removed;                   // set when the message is kept out of the mailbox
};

// Returns 1 when the action was done (a server action is then listed as executed).
using ActionRoutine = int (*)(const ActionCall& call);

struct ActionName {
    const char* name;  // as administrators write it; matched without regard to case
    ActionVocabulary vocabulary;
    ActionRoutine run;
    bool stopsFilters;  // an enabled line of it means no later filter is decided
};

constexpr size_t kActionNameCount = 19;

// Both vocabularies, the server's first; DELETE appears in each.
extern const ActionName kActionNames[kActionNameCount];

// The row of `name` in the vocabulary of the scope; null when the scope has no such
// action. The name must match whole: a line end left on it makes it unknown.
const ActionName* FindAction(const char* name, bool mailboxScope);

bool IsKnownAction(const char* name, bool mailboxScope);
