// vbscript/BuiltinsConvert.cpp: the conversion and test functions (CInt .. CStr, IsNumeric,
// IsEmpty, TypeName, VarType, Hex, Oct) and the array functions (Array, UBound, LBound).
#include <strings.h>

#include <cmath>
#include <cstdio>

#include "vbscript/Builtins.h"
#include "vbscript/Interpreter.h"
#include "vbscript/LocaleNumber.h"

namespace vbscript {
namespace {

// Text converts as the locale writes numbers ("1,000", "$5", "(3)"); other values as they are.
Value Operand(Interpreter& in, const Value& raw) {
    Value v = in.Deref(raw);
    if (v.kind != Kind::String) return v;
    std::optional<double> number = ParseLocaleNumber(v.s);
    if (!number) ThrowRuntime(kErrTypeMismatch);
    return Value::Double(*number);
}

Value CInt(Interpreter& in, Args& a) {
    return Value::Integer(ToInteger(Operand(in, a[0])));
}
Value CLng(Interpreter& in, Args& a) {
    return Value::Long(ToLong(Operand(in, a[0])));
}
Value CDbl(Interpreter& in, Args& a) {
    return Value::Double(ToDouble(Operand(in, a[0])));
}
Value CStr(Interpreter& in, Args& a) {
    return Value::String(ToString(in.Deref(a[0])));
}

// "True" and "False" are Booleans in any case; other text must be a number.
Value CBool(Interpreter& in, Args& a) {
    Value v = in.Deref(a[0]);
    if (v.kind == Kind::String &&
        (strcasecmp(v.s.c_str(), "true") == 0 || strcasecmp(v.s.c_str(), "false") == 0))
        return Value::Bool(ToBool(v));
    return Value::Bool(ToBool(Operand(in, v)));
}

Value CSng(Interpreter& in, Args& a) {
    double x = ToDouble(Operand(in, a[0]));
    if (std::fabs(x) > 3.402823466e38) ThrowRuntime(kErrOverflow);
    return Value::Single(x);
}

Value CByte(Interpreter& in, Args& a) {
    double x = BankersRound(ToDouble(Operand(in, a[0])));
    if (x < 0 || x > 255) ThrowRuntime(kErrOverflow);
    return Value::Byte(static_cast<int64_t>(x));
}

Value CCur(Interpreter& in, Args& a) {
    double x = ToDouble(Operand(in, a[0])) * 10000.0;
    if (std::fabs(x) >= 9.2233720368547758e18) ThrowRuntime(kErrOverflow);
    return Value::Currency(static_cast<int64_t>(BankersRound(x)));
}

// A Date is not numeric, nor is Null; Empty is (it reads as 0).
Value IsNumeric(Interpreter&, Args& a) {
    const Value& v = a[0];
    if (v.IsNumericKind() || v.kind == Kind::Empty) return Value::Bool(true);
    return Value::Bool(v.kind == Kind::String && ParseLocaleNumber(v.s).has_value());
}

Value IsEmpty(Interpreter&, Args& a) {
    return Value::Bool(a[0].kind == Kind::Empty);
}
Value IsNull(Interpreter&, Args& a) {
    return Value::Bool(a[0].kind == Kind::Null);
}
Value IsArray(Interpreter&, Args& a) {
    return Value::Bool(a[0].kind == Kind::Array);
}
Value IsObject(Interpreter&, Args& a) {
    return Value::Bool(a[0].kind == Kind::Object);
}
Value TypeNameOf(Interpreter&, Args& a) {
    return Value::String(TypeName(a[0]));
}
Value VarType(Interpreter&, Args& a) {
    return Value::Integer(VarTypeOf(a[0]));
}

// Hex and Oct show Integer-sized values in 16 bits and the others in 32.
uint32_t RadixOperand(const Value& v) {
    int32_t n = ToLong(v);
    bool narrow = v.kind == Kind::Integer || v.kind == Kind::Byte || v.kind == Kind::Boolean ||
                  v.kind == Kind::Empty;
    return narrow ? static_cast<uint16_t>(n) : static_cast<uint32_t>(n);
}

Value Hex(Interpreter& in, Args& a) {
    if (a[0].IsNull()) return a[0];
    char text[16];
    std::snprintf(text, sizeof text, "%X", RadixOperand(Operand(in, a[0])));
    return Value::String(text);
}

Value Oct(Interpreter& in, Args& a) {
    if (a[0].IsNull()) return a[0];
    char text[16];
    std::snprintf(text, sizeof text, "%o", RadixOperand(Operand(in, a[0])));
    return Value::String(text);
}

Value ArrayOf(Interpreter&, Args& a) {
    return MakeArray(a);
}

Value Bound(Args& a, bool upper) {
    if (a[0].kind != Kind::Array) ThrowRuntime(kErrTypeMismatch);
    const ArrayData& array = *a[0].arr;
    int32_t dimension = HasArg(a, 1) ? ToLong(a[1]) : 1;
    if (dimension < 1 || static_cast<size_t>(dimension) > array.upper.size())
        ThrowRuntime(kErrSubscript);
    return Value::Long(upper ? array.upper[static_cast<size_t>(dimension) - 1] : 0);
}

Value UBound(Interpreter&, Args& a) {
    return Bound(a, true);
}
Value LBound(Interpreter&, Args& a) {
    return Bound(a, false);
}

}  // namespace

void AddConversionBuiltins(BuiltinTable& table) {
    table["cint"] = {CInt, 1, 1};
    table["clng"] = {CLng, 1, 1};
    table["cdbl"] = {CDbl, 1, 1};
    table["csng"] = {CSng, 1, 1};
    table["cstr"] = {CStr, 1, 1};
    table["cbool"] = {CBool, 1, 1};
    table["cbyte"] = {CByte, 1, 1};
    table["ccur"] = {CCur, 1, 1};
    table["isnumeric"] = {IsNumeric, 1, 1};
    table["isempty"] = {IsEmpty, 1, 1};
    table["isnull"] = {IsNull, 1, 1};
    table["isarray"] = {IsArray, 1, 1};
    table["isobject"] = {IsObject, 1, 1};
    table["typename"] = {TypeNameOf, 1, 1};
    table["vartype"] = {VarType, 1, 1};
    table["hex"] = {Hex, 1, 1};
    table["oct"] = {Oct, 1, 1};
    table["array"] = {ArrayOf, 0, 255};
    table["ubound"] = {UBound, 1, 2};
    table["lbound"] = {LBound, 1, 2};
}

}  // namespace vbscript
