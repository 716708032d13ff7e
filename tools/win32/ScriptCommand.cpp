// tools/win32/ScriptCommand.cpp: the "script" subcommand runs command scripts on our own
// VBScript engine, which the Windows build does not have (scripts there run on the
// system's engine).
#include <cstdio>

#include "tools/Commands.h"

int ScriptCommand(int /*argc*/, char** /*argv*/) {
    std::fprintf(stderr,
                 "mtafilter script: not available in the Windows build; run the script with "
                 "cscript.exe, or use 'mtafilter explain' to see a filter's script decide\n");
    return 2;
}
