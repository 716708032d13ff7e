// common/Console.cpp: console lines with a per-thread quiet switch.
#include "common/Console.h"

#include <cstdarg>
#include <cstdio>

namespace {

thread_local int consoleQuiet = 0;

}  // namespace

void ConsoleLine(const char* format, ...) {
    if (consoleQuiet) return;
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
}

void ConsoleFlush() {
    std::fflush(stdout);
}

int SetConsoleQuiet(int quiet) {
    const int previous = consoleQuiet;
    consoleQuiet = quiet;
    return previous;
}
