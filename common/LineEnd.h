// common/LineEnd.h: taking the line end off a line read from a configuration table.
//
// Table lines are split into columns after this; a line end left on the last column
// would travel into names, descriptions and header values and end a header block early.
#pragma once

#include <cstddef>

// Removes every carriage return and line feed at the end of `line` (a lone CR before
// the LF included, as files written by other tools have). Returns the new length. A
// null line is left alone and gives 0.
size_t TakeOffLineEnd(char* line);
