// tools/CommandLine.h: what every mtafilter subcommand shares: reading its arguments,
// answering --help and bad usage, saying what failed, and choosing among subcommands of
// its own.
//
// Arguments are options ("--name", "--name VALUE", "--name=VALUE") and positional
// arguments in any order; "--" ends the options; "-h" is "--help". A lone "-" is
// positional. An option that takes a value must be given a nonempty one.
#pragma once

#include <span>
#include <string>
#include <vector>

// One option a subcommand knows.
struct OptionSpec {
    const char* name;   // "--connector"
    const char* needs;  // what its value is ("a path"); null for a switch
};

struct ParsedArguments {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;  // in order; switches have ""
    bool help = false;

    bool Has(const char* name) const;
    // The last value given for `name`, or `fallback` when it was not given.
    std::string Value(const char* name, const std::string& fallback = "") const;
    // Every value given for a repeatable option, in order.
    std::vector<std::string> Values(const char* name) const;
};

// Returns 1, or 0 with *error naming the unknown option or the value it lacks.
[[nodiscard]] int ParseArguments(int argc, char** argv, std::span<const OptionSpec> known,
                                 ParsedArguments* parsed, std::string* error);

// What ReadArguments returns when the subcommand is to go on.
constexpr int kProceed = -1;

// Parses the arguments after the subcommand's name (argv[0]). Answers --help with
// `usage` on standard output and bad usage on standard error; returns the exit code
// then, else kProceed. `command` is the subcommand's name as typed ("registry get").
int ReadArguments(const char* command, const char* usage, int argc, char** argv,
                  std::span<const OptionSpec> known, ParsedArguments* parsed);

// "mtafilter COMMAND: WHAT; run 'mtafilter COMMAND --help'" and the synopsis (the lines
// of `usage` before its first empty line) on standard error. Returns kExitUsage.
int UsageError(const char* command, const char* usage, const std::string& what);

// "mtafilter COMMAND: WHAT" on standard error. Returns kExitFailure.
int Failure(const char* command, const std::string& what);

// A subcommand with subcommands of its own ("registry get", "bayes learn").
struct Subcommand {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* summary;  // for the list in the usage; may be null
};

// Runs the subcommand named by argv[1] with the arguments after it, answering "--help",
// "-h" and "help" with `usage` and a missing or unknown name as bad usage.
int DispatchSubcommand(const char* command, const char* usage,
                       std::span<const Subcommand> subcommands, int argc, char** argv);
