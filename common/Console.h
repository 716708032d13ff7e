// common/Console.h: the plug-in's console lines, which an administrator watching the
// service sees on standard output. Every module writes them here, so that one switch
// can quiet them all (the mtafilter command shows its own account instead).
#pragma once

// printf-style text to standard output, unless this thread asked for quiet.
[[gnu::format(printf, 1, 2)]] void ConsoleLine(const char* format, ...);

// Hands what the console lines wrote so far to standard output's reader.
void ConsoleFlush();

// With `quiet` 1 the console lines of this thread's calls are dropped. Returns the
// setting it replaced.
int SetConsoleQuiet(int quiet);

// Quiets this thread's console lines (when `quiet`) for as long as it lives, then puts
// back the setting it found.
class ConsoleQuiet {
public:
    explicit ConsoleQuiet(bool quiet) : previous_(SetConsoleQuiet(quiet ? 1 : 0)) {}
    ~ConsoleQuiet() { SetConsoleQuiet(previous_); }
    ConsoleQuiet(const ConsoleQuiet&) = delete;
    ConsoleQuiet& operator=(const ConsoleQuiet&) = delete;

private:
    int previous_;
};
