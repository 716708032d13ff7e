// vbscript/Operators.h: the language's operators on Variants, with its promotion rules
// (Byte to Integer to Long to Double on overflow) and its Null propagation.
#pragma once

#include "vbscript/Ast.h"
#include "vbscript/Value.h"

namespace vbscript {

// Arithmetic, concatenation and logical operators (not Is, not comparisons).
Value Arithmetic(BinOp op, const Value& left, const Value& right);
// A comparison; a literal operand side is read as a number when the other side is one.
Value Compare(BinOp op, const Value& left, const Value& right, bool leftLiteral = false,
              bool rightLiteral = false);
// -1, 0, 1 ordering used by Compare and Select Case; binary text comparison.
int Order(const Value& left, const Value& right, bool leftLiteral, bool rightLiteral);
Value Negate(const Value& v);
Value LogicalNot(const Value& v);
bool IsComparison(BinOp op);

}  // namespace vbscript
