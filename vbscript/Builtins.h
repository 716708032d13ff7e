// vbscript/Builtins.h: the table of built-in functions and constants. Each family (strings,
// conversions, math, dates, display formats, objects, Eval/Execute) registers its own entries.
#pragma once

#include <string_view>
#include <unordered_map>

#include "vbscript/Object.h"

namespace vbscript {

using BuiltinFn = Value (*)(Interpreter& interp, Args& args);

struct Builtin {
    BuiltinFn fn;
    unsigned char minArgs;
    unsigned char maxArgs;
};

using BuiltinTable = std::unordered_map<std::string_view, Builtin>;
using ConstantTable = std::unordered_map<std::string_view, Value>;

void AddStringBuiltins(BuiltinTable& table);
void AddCharacterBuiltins(BuiltinTable& table);
void AddByteBuiltins(BuiltinTable& table);
void AddConversionBuiltins(BuiltinTable& table);
void AddMathBuiltins(BuiltinTable& table);
void AddDateBuiltins(BuiltinTable& table);
void AddFormatBuiltins(BuiltinTable& table);
void AddObjectBuiltins(BuiltinTable& table);
void AddRuntimeTextBuiltins(BuiltinTable& table);
void AddInfoBuiltins(BuiltinTable& table);
void AddConstants(ConstantTable& table);

// Built once, read-only afterwards, so every engine on every thread may share them.
const Builtin* FindBuiltin(std::string_view lowerName);
const Value* FindConstant(std::string_view lowerName);

// An optional argument: missing (or omitted) arguments read as Empty-free defaults.
inline bool HasArg(const Args& args, size_t index) {
    return index < args.size() && args[index].kind != Kind::Empty;
}

}  // namespace vbscript
