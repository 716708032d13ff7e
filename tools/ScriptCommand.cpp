// tools/ScriptCommand.cpp: "mtafilter script FILE.vbs": runs a VBScript file as a command-line
// script host does, so that administrators can try filter code outside the MTA.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/Commands.h"
#include "vbscript/CommandHost.h"

int ScriptCommand(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf(
            "usage: mtafilter script FILE.vbs\n"
            "\n"
            "Runs the VBScript program in FILE.vbs from its first line, as a command-line\n"
            "script host does. WScript.Echo prints its arguments separated by a space.\n"
            "A compilation or run-time error prints the file, line, column, error number\n"
            "and description, and the exit status is 1.\n");
        return kExitSuccess;
    }
    if (argc != 2) {
        std::fprintf(stderr, "mtafilter script: give one script file, for example "
                             "'mtafilter script filter.vbs' (see --help)\n");
        return kExitUsage;
    }
    std::ifstream file(argv[1], std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "mtafilter script: cannot read %s; check the path and its "
                             "permissions\n", argv[1]);
        return kExitFailure;
    }
    std::ostringstream text;
    text << file.rdbuf();
    std::string output, errors;
    int status = vbscript::RunCommandScript(text.str(), argv[1], &output, &errors);
    std::fwrite(output.data(), 1, output.size(), stdout);
    std::fflush(stdout);
    std::fwrite(errors.data(), 1, errors.size(), stderr);
    return status == 0 ? kExitSuccess : kExitFailure;
}
