// platform/Console.cpp: standard streams and environment on POSIX.
#include "platform/Console.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace platform {

bool StandardOutputIsTerminal() {
    return isatty(STDOUT_FILENO) != 0;
}

bool StandardErrorIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

int SilenceStandardOutput() {
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const bool redirected = saved >= 0 && null >= 0 && dup2(null, STDOUT_FILENO) >= 0;
    if (null >= 0) close(null);
    if (redirected) return saved;
    if (saved >= 0) close(saved);
    return -1;
}

void RestoreStandardOutput(int token) {
    if (token < 0) return;
    std::fflush(stdout);
    dup2(token, STDOUT_FILENO);
    close(token);
}

int SetEnvironmentValue(const char* name, const char* value) {
    if (name == nullptr) return 0;
    if (value == nullptr) return unsetenv(name) == 0 ? 1 : 0;
    return setenv(name, value, 1) == 0 ? 1 : 0;
}

int BreakDownUtc(int64_t utcSeconds, std::tm* parts) {
    const time_t seconds = static_cast<time_t>(utcSeconds);
    return parts != nullptr && gmtime_r(&seconds, parts) != nullptr ? 1 : 0;
}

}  // namespace platform
