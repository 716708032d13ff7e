// platform/CommandLine.cpp: splitting a command line into arguments as the Windows C
// runtime splits it.
#include <string>
#include <vector>

#include "platform/NoThrow.h"
#include "platform/Process.h"

namespace platform {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// One argument starting at `p`; returns where it stopped (a blank or the end).
const char* ParseArgument(const char* p, std::string* argument) {
    bool quoted = false;
    for (;;) {
        size_t backslashes = 0;
        while (*p == '\\') {
            ++p;
            ++backslashes;
        }
        bool literal = true;
        if (*p == '"') {
            if (backslashes % 2 == 0) {
                if (quoted && p[1] == '"') {
                    ++p;  // "" inside quotes: one literal quote, still quoted
                } else {
                    literal = false;
                    quoted = !quoted;
                }
            }
            backslashes /= 2;
        }
        argument->append(backslashes, '\\');
        if (*p == '\0' || (!quoted && IsBlank(*p))) return p;
        if (literal) *argument += *p;
        ++p;
    }
}

}  // namespace

std::vector<std::string> SplitCommandLine(const char* commandLine) {
    if (commandLine == nullptr) return {};
    return NoThrow(std::vector<std::string>(), [&] {
        std::vector<std::string> arguments;
        const char* p = commandLine;
        for (;;) {
            while (IsBlank(*p)) ++p;
            if (*p == '\0') return arguments;
            arguments.emplace_back();
            p = ParseArgument(p, &arguments.back());
        }
    });
}

}  // namespace platform
