// tests/fuzz/FuzzVBScript.cpp: libFuzzer target for the VBScript lexer, parser and
// interpreter. Any input must end in a result or a script error, never a crash or a hang.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "vbscript/Interpreter.h"
#include "vbscript/Parser.h"

namespace {

// The same limits the plug-in puts on a filter script, far tighter: a script that loops or
// grows a text until its limit stops there, and at these sizes that costs under a
// millisecond, not fifty, so the fuzzer keeps its pace. Whatever the limits guard is reached
// as well at either size.
constexpr auto kTimeBudget = std::chrono::microseconds(500);
constexpr size_t kMemoryBudget = size_t{1} << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        vbscript::Interpreter interp;
        interp.SetDeadline(vbscript::Interpreter::Clock::now() + kTimeBudget);
        interp.SetMemoryLimit(kMemoryBudget);
        const vbscript::Unit& unit = interp.Load(vbscript::ParseProgram(text, 0));
        interp.Run(unit);
    } catch (const vbscript::ScriptError&) {
        // Malformed and failing programs are the expected outcome.
    } catch (const std::bad_alloc&) {
    }
    return 0;
}
