// filters/ActionLine.h: the columns of a line of a filter's action file. The actions a
// line may name, and what they do, are in actions/ActionTable.h.
#pragma once

#include <cstddef>
#include <cstdint>

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
