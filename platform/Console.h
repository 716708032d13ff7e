// platform/Console.h: the standard streams and the environment of the mtafilter command.
#pragma once

#include <cstdint>
#include <ctime>

namespace platform {

// Whether standard output / standard error is a terminal (a console on Windows).
bool StandardOutputIsTerminal();
bool StandardErrorIsTerminal();

// Sends standard output to the null device; returns a token for the original, or -1
// when it could not be done (output then goes where it went).
int SilenceStandardOutput();
// Puts standard output back; -1 is ignored.
void RestoreStandardOutput(int token);

// Sets an environment variable of this process (seen by libraries it loads and programs
// it starts); a null value removes it. 1 on success.
int SetEnvironmentValue(const char* name, const char* value);

// The calendar parts of a moment in UTC. 1 on success.
int BreakDownUtc(int64_t utcSeconds, std::tm* parts);

}  // namespace platform
