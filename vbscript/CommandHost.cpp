// vbscript/CommandHost.cpp: the command-line host. Lines and columns print from 1, as a
// person reads them. The file and what the program prints cross in the ANSI code page, as
// they do for a filter's program, so that a program tried here behaves as it does there.
#include "vbscript/CommandHost.h"

#include <cstdio>

#include "vbscript/Interpreter.h"
#include "vbscript/Parser.h"
#include "vbscript/WideText.h"

namespace vbscript {

int RunCommandScript(const std::string& text, const std::string& fileName, std::string* output,
                     std::string* errors) {
    std::string program;
    try {
        program = FromAnsiText(text);
        Interpreter interp;
        interp.SetEcho([output](const std::string& line) { *output += ToAnsiText(line); });
        const Unit& unit = interp.Load(ParseProgram(program, 0));
        interp.Run(unit);
        return 0;
    } catch (const ScriptError& error) {
        const int column = error.line < 0
                               ? error.column
                               : CharacterColumn(LineOf(program, error.line), error.column);
        char where[64];
        std::snprintf(where, sizeof where, "(%d, %d) ", error.line + 1, column + 1);
        *errors += fileName + where + error.source + " " + std::to_string(error.number) + ": " +
                   ToAnsiText(error.description) + "\n";
        return 1;
    } catch (const std::bad_alloc&) {
        *errors += fileName + ": out of memory\n";
        return 1;
    }
}

}  // namespace vbscript
