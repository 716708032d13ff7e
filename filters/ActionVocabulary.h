// filters/ActionVocabulary.h: the actions a filter's action file may name, which differ
// between server and postoffice filters on one side and mailbox filters on the other,
// and the columns of an action line.
#pragma once

#include <cstddef>
#include <cstdint>

enum class ActionVocabulary {
    kServer,   // system and postoffice filters
    kMailbox,  // mailbox filters
};

struct ActionName {
    const char* name;  // as administrators write it; matched without regard to case
    ActionVocabulary vocabulary;
};

constexpr size_t kActionNameCount = 19;

// Both vocabularies, the server's first; DELETE appears in each.
extern const ActionName kActionNames[kActionNameCount];

// The row of `name` in the vocabulary of the scope; null when the scope has no such
// action. The name must match whole: a line end left on it makes it unknown.
const ActionName* FindAction(const char* name, bool mailboxScope);

bool IsKnownAction(const char* name, bool mailboxScope);

// One line of an action file, cut into tab-separated columns. Column 2 is not read.
struct ActionLine {
    int32_t status;          // column 1: the action runs only when it is 1
    char parameter[1024];    // column 3: what the action needs (address, prefix, ...)
    char name[64];           // column 4: the action (longer names are none we know)
    char description[1024];  // column 5: the administrator's note, the notices' reason
};

// Action files are read a line of at most 2047 characters at a time.
constexpr size_t kActionLineCapacity = 2048;

// Cuts a line as the action dispatcher reads it: the line end is taken off first, a
// column that does not fit is empty, a missing column reads as the line's last one.
void ParseActionLine(const char* line, ActionLine* action);
