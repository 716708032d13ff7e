// vbscript/CommandHost.h: runs a program the way a command-line script host does: top-level
// code with a WScript.Echo, errors printed with file, line, column, number and text.
#pragma once

#include <string>

namespace vbscript {

// Runs `text`; echoed lines go to *output, an error message to *errors. Returns 0 when the
// program ran to its end, 1 after a compilation or run-time error.
int RunCommandScript(const std::string& text, const std::string& fileName, std::string* output,
                     std::string* errors);

}  // namespace vbscript
