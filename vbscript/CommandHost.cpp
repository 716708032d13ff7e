// vbscript/CommandHost.cpp: the command-line host. Lines and columns print from 1, as a
// person reads them.
#include "vbscript/CommandHost.h"

#include <cstdio>

#include "vbscript/Interpreter.h"
#include "vbscript/Parser.h"

namespace vbscript {

int RunCommandScript(const std::string& text, const std::string& fileName, std::string* output,
                     std::string* errors) {
    try {
        Interpreter interp;
        interp.SetEcho([output](const std::string& line) { *output += line; });
        const Unit& unit = interp.Load(ParseProgram(text, 0));
        interp.Run(unit);
        return 0;
    } catch (const ScriptError& error) {
        char where[64];
        std::snprintf(where, sizeof where, "(%d, %d) ", error.line + 1, error.column + 1);
        *errors += fileName + where + error.source + " " + std::to_string(error.number) + ": " +
                   error.description + "\n";
        return 1;
    } catch (const std::bad_alloc&) {
        *errors += fileName + ": out of memory\n";
        return 1;
    }
}

}  // namespace vbscript
