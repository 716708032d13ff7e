// filters/FilterConsole.cpp: console lines with a per-thread quiet switch.
#include "filters/FilterConsole.h"

#include <cstdarg>
#include <cstdio>

namespace {

thread_local int consoleQuiet = 0;

}  // namespace

void FilterConsoleLine(const char* format, ...) {
    if (consoleQuiet) return;
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
}

int SetFilterConsoleQuiet(int quiet) {
    const int previous = consoleQuiet;
    consoleQuiet = quiet;
    return previous;
}
