// vbscript/Parser.h: builds the tree of one program text.
#pragma once

#include <memory>
#include <string_view>

#include "vbscript/Ast.h"

namespace vbscript {

// Deepest nesting of expressions and blocks a program may have.
constexpr int kMaxNesting = 200;

// Throws a compilation ScriptError (with line and column) for a malformed text.
std::unique_ptr<Unit> ParseProgram(std::string_view text, int firstLine);

}  // namespace vbscript
