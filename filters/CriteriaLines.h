// filters/CriteriaLines.h: reading the lines of a criteria table whole.
//
// Line n of a criteria table is criterion type n, so a line must never arrive in pieces:
// every piece would be read as a line of its own and push each later criterion into
// the slot of the next type (a To condition read as Cc). Lines are read whole up to a
// limit far beyond any list an administrator writes by hand; a longer line is passed
// over whole, so that the lines after it keep their slots.
#pragma once

#include <cstddef>
#include <string>

#include "platform/Files.h"

// The longest criteria line read, in bytes with its line end. A longer one is left out
// (its criterion stays off) and reported; a list that long belongs in a pattern file.
constexpr size_t kCriteriaLineLimit = 65536;

enum class CriteriaLine {
    kEnd,      // no line left
    kRead,     // `line` holds the whole line, with its line feed when it had one
    kTooLong,  // the line was longer than the limit: passed over, `line` empty
};

// Reads the next line of `file` (opened in text mode) into `line`.
CriteriaLine ReadCriteriaLine(platform::File file, std::string* line);
