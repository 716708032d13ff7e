// platform/win32/Console.cpp: standard streams and environment on the Windows C runtime.
#include "platform/Console.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>

namespace platform {

bool StandardOutputIsTerminal() {
    return _isatty(_fileno(stdout)) != 0;
}

bool StandardErrorIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}

int SilenceStandardOutput() {
    std::fflush(stdout);
    const int saved = _dup(_fileno(stdout));
    const int null = _open("NUL", _O_WRONLY | _O_NOINHERIT);
    const bool redirected = saved >= 0 && null >= 0 && _dup2(null, _fileno(stdout)) == 0;
    if (null >= 0) _close(null);
    if (redirected) return saved;
    if (saved >= 0) _close(saved);
    return -1;
}

void RestoreStandardOutput(int token) {
    if (token < 0) return;
    std::fflush(stdout);
    _dup2(token, _fileno(stdout));
    _close(token);
}

int SetEnvironmentValue(const char* name, const char* value) {
    if (name == nullptr) return 0;
    // An empty value is how the C runtime removes a variable.
    return _putenv_s(name, value != nullptr ? value : "") == 0 ? 1 : 0;
}

int BreakDownUtc(int64_t utcSeconds, std::tm* parts) {
    const __time64_t seconds = utcSeconds;
    return parts != nullptr && _gmtime64_s(parts, &seconds) == 0 ? 1 : 0;
}

}  // namespace platform
