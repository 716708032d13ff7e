// common/Console.cpp: console lines with a per-thread quiet switch.
#include "common/Console.h"

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

thread_local int consoleQuiet = 0;

constexpr size_t kPlainLineCapacity = 4096;
constexpr size_t kNumberCapacity = 24;  // the digits of any 64-bit number and a sign

// The decimal digits of `value` in `number`, as "%d" and "%u" print them. Returns where
// they start; *length is their count.
template <typename Integer>
const char* Decimal(Integer value, char (&number)[kNumberCapacity], size_t* length) {
    const std::to_chars_result written = std::to_chars(number, number + sizeof number, value);
    *length = static_cast<size_t>(written.ptr - number);
    return number;
}

// The text of the conversion `at` points to (past its '%') and its length, with `at`
// moved past it. False for anything but "%s" of a non-null text, "%d", "%ld", "%u",
// "%lu" and "%%".
bool Convert(const char** at, va_list* args, char (&number)[kNumberCapacity], const char** text,
             size_t* length) {
    const bool isLong = **at == 'l';
    const char conversion = (*at)[isLong ? 1 : 0];
    *at += isLong ? 2 : 1;
    switch (conversion) {
        case 's':
            *text = isLong ? nullptr : va_arg(*args, const char*);
            if (*text == nullptr) return false;
            *length = std::strlen(*text);
            return true;
        case '%':
            *text = "%";
            *length = 1;
            return !isLong;
        case 'd':
            *text = isLong ? Decimal(va_arg(*args, long), number, length)
                           : Decimal(va_arg(*args, int), number, length);
            return true;
        case 'u':
            *text = isLong ? Decimal(va_arg(*args, unsigned long), number, length)
                           : Decimal(va_arg(*args, unsigned), number, length);
            return true;
        default:
            return false;
    }
}

// Writes a line whose only conversions are the plain ones Convert knows as the C
// library's formatter would, by copying (a line is written for every word found, and the
// formatter showed in profiles). False, with nothing written, for any other line.
bool WritePlainLine(const char* format, va_list* args) {
    char line[kPlainLineCapacity];
    size_t used = 0;
    char number[kNumberCapacity];
    for (const char* at = format; *at != '\0';) {
        const char* text = at;
        const char* percent = std::strchr(at, '%');
        size_t length = percent != nullptr ? static_cast<size_t>(percent - at) : std::strlen(at);
        at += length;
        if (length == 0) {  // at a conversion
            ++at;
            if (!Convert(&at, args, number, &text, &length)) return false;
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
    if (!WritePlainLine(format, &plain)) std::vprintf(format, args);
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
