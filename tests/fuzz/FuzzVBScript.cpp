// tests/fuzz/FuzzVBScript.cpp: libFuzzer target for the VBScript lexer, parser and
// interpreter. Any input must end in a result or a script error, never a crash or a hang.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "vbscript/Interpreter.h"
#include "vbscript/Parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        vbscript::Interpreter interp;
        interp.SetDeadline(vbscript::Interpreter::Clock::now() + std::chrono::milliseconds(50));
        const vbscript::Unit& unit = interp.Load(vbscript::ParseProgram(text, 0));
        interp.Run(unit);
    } catch (const vbscript::ScriptError&) {
        // Malformed and failing programs are the expected outcome.
    } catch (const std::bad_alloc&) {
    }
    return 0;
}
