// tools/ScriptCommand.cpp: "mtafilter script FILE.vbs": runs a VBScript file as a command-line
// script host does, or, with --function, calls one function of it as the plug-in calls a
// filter program, so that administrators can try filter code outside the MTA.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "filters/ScriptHost.h"
#include "filters/ScriptSite.h"
#include "tools/CommandLine.h"
#include "tools/Commands.h"
#include "tools/Json.h"
#include "vbscript/CommandHost.h"
#include "vbscript/ScriptEngine.h"

namespace {

constexpr const char* kUsage =
    "usage: mtafilter script FILE.vbs\n"
    "       mtafilter script FILE.vbs --function NAME [--json]\n"
    "\n"
    "Without --function, runs the VBScript program in FILE.vbs from its first line, as a\n"
    "command-line script host does. WScript.Echo prints its arguments separated by a space.\n"
    "A compilation or run-time error prints the file, line, column, error number and\n"
    "description, and the exit status is 1.\n"
    "\n"
    "With --function, loads the program as the plug-in loads a filter program, calls\n"
    "function NAME without arguments and prints its result (the low 16 bits, so True is -1)\n"
    "and its result data: what QP_GetResultData returns. A filter program matches when\n"
    "its result is exactly 1. Script errors are printed to standard error and the exit\n"
    "status is 1. A function the program does not define gives the result 0.\n"
    "\n"
    "  --function NAME  the function to call (a filter program's is QP_Execute)\n"
    "  --json           print {\"result\": N, \"resultData\": \"...\"} instead\n";

constexpr const char* kCommand = "script";
constexpr int kResultDataCapacity = 1024;

struct Arguments {
    std::string file;
    std::string function;
    bool json = false;
};

constexpr OptionSpec kOptions[] = {
    {"--function", "the name of a function of the program"},
    {"--json", nullptr},
};

// The options into *args. Returns 1, or 0 with *error.
int TakeArguments(const ParsedArguments& parsed, Arguments* args, std::string* error) {
    args->function = parsed.Value("--function");
    args->json = parsed.Has("--json");
    if (parsed.positional.size() > 1) {
        *error = "give one script file";
        return 0;
    }
    if (parsed.positional.empty()) {
        *error = "give one script file, for example 'mtafilter script filter.vbs'";
        return 0;
    }
    args->file = parsed.positional[0];
    if (args->json && args->function.empty()) {
        *error = "--json goes with --function";
        return 0;
    }
    return 1;
}

// Script errors of the --function run, shown on standard error as they come.
std::vector<std::string> scriptErrors;

void PrintScriptError(const char* caption, const char* text) {
    scriptErrors.push_back(text);
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

int CallFunction(const Arguments& args, const std::string& program) {
    vbscript::RegisterVBScriptEngine();
    scriptErrors.clear();
    const ScriptErrorPresenter previous = SetScriptErrorPresenter(PrintScriptError);
    char resultData[kResultDataCapacity] = "";
    const int32_t result =
        ExecuteVBScript(program.c_str(), args.function.c_str(), resultData, kResultDataCapacity, 1);
    SetScriptErrorPresenter(previous);
    if (args.json)
        std::printf("%s\n", JsonObject({{"result", std::to_string(result)},
                                        {"resultData", JsonQuoted(resultData)}})
                                .c_str());
    else
        std::printf("result: %d\nresult data: %s\n", result, resultData);
    if (!scriptErrors.empty() || std::strncmp(resultData, "Script Syntax Error", 19) == 0) {
        return Failure(kCommand,
                       "the program failed; correct the line shown above and run it again");
    }
    return kExitSuccess;
}

int RunWholeScript(const Arguments& args, const std::string& program) {
    std::string output, errors;
    int status = vbscript::RunCommandScript(program, args.file, &output, &errors);
    std::fwrite(output.data(), 1, output.size(), stdout);
    std::fflush(stdout);
    std::fwrite(errors.data(), 1, errors.size(), stderr);
    return status == 0 ? kExitSuccess : kExitFailure;
}

}  // namespace

int ScriptCommand(int argc, char** argv) {
    ParsedArguments parsed;
    if (int code = ReadArguments(kCommand, kUsage, argc, argv, kOptions, &parsed); code != kProceed)
        return code;
    Arguments args;
    std::string error;
    if (!TakeArguments(parsed, &args, &error)) return UsageError(kCommand, kUsage, error);
    std::ifstream file(args.file, std::ios::binary);
    if (!file)
        return Failure(kCommand,
                       "cannot read " + args.file + "; check the path and its permissions");
    std::ostringstream text;
    text << file.rdbuf();
    return args.function.empty() ? RunWholeScript(args, text.str())
                                 : CallFunction(args, text.str());
}
