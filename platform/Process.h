// platform/Process.h: starting programs with a bounded wait.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Splits a command line into arguments by the rules of the Windows C runtime:
// blanks separate; double quotes group; 2n backslashes before a quote give n
// backslashes and the quote delimits, 2n+1 give n backslashes and a literal quote;
// other backslashes are literal; "" inside a quoted group is a literal quote.
std::vector<std::string> SplitCommandLine(const char* commandLine);

enum class ProcessOutcome {
    kExited,      // the program ran and ended; *exitCode holds its code
    kTimedOut,    // it ran past the limit and was terminated
    kNotStarted,  // it could not be started (not found, not executable)
};

// Starts the program named by the first argument of `commandLine` (searched in PATH
// when it has no directory part; Windows-style paths accepted), waits for it at most
// `timeoutMs` milliseconds and terminates it when it is still running then.
// `workingDirectory` may be null or empty (the current one).
ProcessOutcome RunProcess(const char* commandLine, const char* workingDirectory, uint32_t timeoutMs,
                          uint32_t* exitCode);

// A program started to run alongside the caller; ended only by KillProcess.
struct StartedProcess;

// Starts the program as RunProcess does, but returns at once. Null when it could not be
// started.
StartedProcess* StartProcess(const char* commandLine, const char* workingDirectory);

// Ends the program at once, as a crash or a power cut would (nothing of its own runs any
// more), with whatever it started, waits until it is gone and frees `process`. Returns 1
// when it was killed, 0 when it had already ended by itself (or `process` is null).
int KillProcess(StartedProcess* process);

}  // namespace platform
