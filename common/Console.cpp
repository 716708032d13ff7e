// common/Console.cpp: console lines with a per-thread quiet switch.
#include "common/Console.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

thread_local int consoleQuiet = 0;

constexpr size_t kPlainLineCapacity = 4096;

// Writes a line whose only conversions are plain "%s" of non-null texts as the C
// library's formatter would, by copying (a line is written for every word found, and the
// formatter showed in profiles). False, with nothing written, for any other line.
bool WritePlainLine(const char* format, va_list args) {
    char line[kPlainLineCapacity];
    size_t used = 0;
    const char* at = format;
    while (*at != '\0') {
        const char* text = at;
        const char* percent = std::strchr(at, '%');
        size_t length = percent != nullptr ? static_cast<size_t>(percent - at) : std::strlen(at);
        at += length;
        if (length == 0) {  // at a conversion
            if (at[1] != 's') return false;
            text = va_arg(args, const char*);
            if (text == nullptr) return false;
            length = std::strlen(text);
            at += 2;
        }
        if (length >= sizeof line - used) return false;
        std::memcpy(line + used, text, length);
        used += length;
    }
    (void)std::fwrite(line, 1, used, stdout);
    return true;
}

}  // namespace

void ConsoleLine(const char* format, ...) {
    if (consoleQuiet || format == nullptr) return;
    va_list args;
    va_start(args, format);
    va_list plain;
    va_copy(plain, args);
    if (!WritePlainLine(format, plain)) std::vprintf(format, args);
    va_end(plain);
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
