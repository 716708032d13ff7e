// tools/Dispatch.cpp: the global options of mtafilter and the choice of subcommand.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "platform/Console.h"
#include "platform/Registry.h"
#include "tools/CommandLine.h"
#include "tools/Commands.h"

namespace {

constexpr Subcommand kSubcommands[] = {
    {"run", RunQueueCommand, "run a connector queue through the plug-in as the MTA does"},
    {"demo", DemoCommand, "build a default server tree and run its queue"},
    {"filters", FiltersCommand, "show a scope's filters, criteria, actions and their problems"},
    {"explain", ExplainCommand, "show why each system filter matches a queued message or not"},
    {"script", ScriptCommand, "run a VBScript file, or call one function of a filter program"},
    {"bayes", BayesCommand, "train the Bayesian classifier from .eml folders, show its store"},
    {"registry", RegistryCommand, "import, export, get, set and delete registry values"},
};

void PrintUsage(FILE* out) {
    std::fprintf(out,
                 "usage: mtafilter [--registry FILE] COMMAND [ARGS...]\n"
                 "\n"
                 "The registry database is FILE, or the file named by %s, or %s.\n"
                 "\n"
                 "Commands:\n",
                 platform::kRegistryPathVariable, platform::kDefaultRegistryPath);
    for (const Subcommand& command : kSubcommands)
        std::fprintf(out, "  %-10s %s\n", command.name, command.summary);
    std::fprintf(out, "\nRun 'mtafilter COMMAND --help' for a command's options.\n");
}

// Takes "--registry FILE" or "--registry=FILE" out of the arguments, wherever it
// stands, and makes it the registry of this process (and of the plug-in it loads).
// Returns 0 when the option lacks its file.
int TakeRegistryOption(std::vector<char*>* args) {
    for (size_t i = 1; i < args->size(); ++i) {
        const char* arg = (*args)[i];
        if (std::strncmp(arg, "--registry=", 11) == 0) {
            platform::SetEnvironmentValue(platform::kRegistryPathVariable, arg + 11);
            args->erase(args->begin() + static_cast<long>(i));
            --i;
        } else if (std::strcmp(arg, "--registry") == 0) {
            if (i + 1 >= args->size()) return 0;
            platform::SetEnvironmentValue(platform::kRegistryPathVariable, (*args)[i + 1]);
            args->erase(args->begin() + static_cast<long>(i),
                        args->begin() + static_cast<long>(i) + 2);
            --i;
        } else if (std::strcmp(arg, "--") == 0) {
            break;
        }
    }
    return 1;
}

}  // namespace

int MtafilterMain(int argc, char** argv) {
    try {
        std::vector<char*> args(argv, argv + argc);
        if (!TakeRegistryOption(&args)) {
            std::fprintf(stderr,
                         "mtafilter: --registry needs a file name, for example "
                         "--registry /var/lib/mtafilter/registry.db\n");
            return kExitUsage;
        }
        if (args.size() < 2) {
            PrintUsage(stderr);
            return kExitUsage;
        }
        const char* name = args[1];
        if (std::strcmp(name, "--help") == 0 || std::strcmp(name, "-h") == 0 ||
            std::strcmp(name, "help") == 0) {
            PrintUsage(stdout);
            return kExitSuccess;
        }
        for (const Subcommand& command : kSubcommands) {
            if (std::strcmp(name, command.name) == 0)
                return command.run(static_cast<int>(args.size()) - 1, args.data() + 1);
        }
        std::fprintf(
            stderr, "mtafilter: unknown command '%s'; run 'mtafilter --help' for the list\n", name);
        return kExitUsage;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "mtafilter: %s\n", error.what());
        return kExitFailure;
    }
}
