// tools/win32/SystemScriptEngine.cpp: on Windows, scripts run on the system's VBScript
// engine, which COM finds by itself: there is no engine of our own to register, and the
// "script" subcommand, which runs command scripts on our own engine, is not available.
#include <cstdio>

#include "tools/Commands.h"
#include "vbscript/ScriptEngine.h"

namespace vbscript {

void RegisterVBScriptEngine() {}

}  // namespace vbscript

int ScriptCommand(int /*argc*/, char** /*argv*/) {
    std::fprintf(stderr,
                 "mtafilter script: not available in the Windows build; run the script with "
                 "cscript.exe, or use 'mtafilter explain' to see a filter's script decide\n");
    return 2;
}
