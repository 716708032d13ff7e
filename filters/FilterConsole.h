// filters/FilterConsole.h: the console lines of filter loading and script filters, which an
// administrator watching the service sees on standard output.
#pragma once

// printf-style line to standard output, unless this thread asked for quiet.
[[gnu::format(printf, 1, 2)]] void FilterConsoleLine(const char* format, ...);

// With `quiet` 1 the console lines of this thread's filter calls are dropped (the
// mtafilter command shows its own account of the filters instead). Returns the setting
// it replaced.
int SetFilterConsoleQuiet(int quiet);
