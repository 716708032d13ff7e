// tools/CommandLine.cpp: the one argument reader of the mtafilter subcommands.
#include "tools/CommandLine.h"

#include <cstdio>
#include <cstring>

#include "tools/Commands.h"

namespace {

const OptionSpec* FindOption(std::span<const OptionSpec> known, const std::string& name) {
    for (const OptionSpec& option : known)
        if (name == option.name) return &option;
    return nullptr;
}

bool IsOption(const char* arg) {
    return arg[0] == '-' && arg[1] != '\0';
}

// Reads the option at argv[*index], stepping *index past a value given as the next
// argument. Returns 1, or 0 with *error.
int TakeOption(int argc, char** argv, int* index, std::span<const OptionSpec> known,
               ParsedArguments* parsed, std::string* error) {
    const std::string arg = argv[*index];
    if (arg == "--help" || arg == "-h") {
        parsed->help = true;
        return 1;
    }
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const OptionSpec* option = FindOption(known, name);
    if (option == nullptr || (option->needs == nullptr && equals != std::string::npos)) {
        *error = "unknown option " + arg;
        return 0;
    }
    std::string value;
    if (option->needs != nullptr) {
        if (equals != std::string::npos)
            value = arg.substr(equals + 1);
        else if (*index + 1 < argc)
            value = argv[++*index];
        if (value.empty()) {
            *error = name + " needs " + option->needs;
            return 0;
        }
    }
    parsed->options.emplace_back(name, value);
    return 1;
}

}  // namespace

bool ParsedArguments::Has(const char* name) const {
    for (const auto& option : options)
        if (option.first == name) return true;
    return false;
}

std::string ParsedArguments::Value(const char* name, const std::string& fallback) const {
    std::string value = fallback;
    for (const auto& option : options)
        if (option.first == name) value = option.second;
    return value;
}

std::vector<std::string> ParsedArguments::Values(const char* name) const {
    std::vector<std::string> values;
    for (const auto& option : options)
        if (option.first == name) values.push_back(option.second);
    return values;
}

int ParseArguments(int argc, char** argv, std::span<const OptionSpec> known,
                   ParsedArguments* parsed, std::string* error) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        if (optionsEnded || !IsOption(argv[i])) {
            parsed->positional.emplace_back(argv[i]);
        } else if (std::strcmp(argv[i], "--") == 0) {
            optionsEnded = true;
        } else if (!TakeOption(argc, argv, &i, known, parsed, error)) {
            return 0;
        }
    }
    return 1;
}

int ReadArguments(const char* command, const char* usage, int argc, char** argv,
                  std::span<const OptionSpec> known, ParsedArguments* parsed) {
    std::string error;
    if (!ParseArguments(argc, argv, known, parsed, &error))
        return UsageError(command, usage, error);
    if (!parsed->help) return kProceed;
    std::fputs(usage, stdout);
    return kExitSuccess;
}

int UsageError(const char* command, const char* usage, const std::string& what) {
    const char* end = std::strstr(usage, "\n\n");
    const int synopsis = static_cast<int>(end != nullptr ? end - usage + 1 : std::strlen(usage));
    std::fprintf(stderr, "mtafilter %s: %s; run 'mtafilter %s --help'\n%.*s", command, what.c_str(),
                 command, synopsis, usage);
    return kExitUsage;
}

int Failure(const char* command, const std::string& what) {
    std::fprintf(stderr, "mtafilter %s: %s\n", command, what.c_str());
    return kExitFailure;
}

int DispatchSubcommand(const char* command, const char* usage,
                       std::span<const Subcommand> subcommands, int argc, char** argv) {
    if (argc < 2) return UsageError(command, usage, "name a command");
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        std::fputs(usage, stdout);
        return kExitSuccess;
    }
    for (const Subcommand& subcommand : subcommands)
        if (name == subcommand.name) return subcommand.run(argc - 1, argv + 1);
    return UsageError(command, usage, "unknown command '" + name + "'");
}
