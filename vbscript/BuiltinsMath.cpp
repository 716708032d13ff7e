// vbscript/BuiltinsMath.cpp: the math functions (Abs, Int, Fix, Round, Sqr, Sgn, Exp, Log,
// the trigonometric ones, Rnd). Integer subtypes keep their subtype where the language does.
#include <cmath>
#include <cstring>

#include "vbscript/Builtins.h"
#include "vbscript/Interpreter.h"
#include "vbscript/Operators.h"

namespace vbscript {
namespace {

bool IsWholeKind(Kind kind) {
    return kind == Kind::Integer || kind == Kind::Long || kind == Kind::Byte;
}

Value Abs(Interpreter&, Args& a) {
    const Value& v = a[0];
    if (v.IsNull()) return v;
    if (v.kind == Kind::Empty) return Value::Integer(0);
    if (IsWholeKind(v.kind) || v.kind == Kind::Boolean) {
        return v.i < 0 ? Negate(v.kind == Kind::Boolean ? Value::Integer(v.i) : v) : v;
    }
    if (v.kind == Kind::Currency) return Value::Currency(v.i < 0 ? -v.i : v.i);
    if (v.kind == Kind::Single) return Value::Single(std::fabs(v.d));
    return Value::Double(std::fabs(ToDouble(v)));
}

Value Rounded(const Value& v, double (*round)(double)) {
    if (v.IsNull()) return v;
    if (IsWholeKind(v.kind)) return v;
    if (v.kind == Kind::Boolean || v.kind == Kind::Empty) return Value::Integer(v.i);
    if (v.kind == Kind::Currency) {
        return Value::Currency(static_cast<int64_t>(round(static_cast<double>(v.i) / 10000)) *
                               10000);
    }
    if (v.kind == Kind::Single) return Value::Single(round(v.d));
    if (v.kind == Kind::Date) return Value::Date(round(v.d));
    return Value::Double(round(ToDouble(v)));
}

Value Int(Interpreter&, Args& a) {
    return Rounded(a[0], std::floor);
}
Value Fix(Interpreter&, Args& a) {
    return Rounded(a[0], std::trunc);
}

Value Round(Interpreter&, Args& a) {
    const Value& v = a[0];
    if (v.IsNull()) return v;
    int32_t places = HasArg(a, 1) ? ToLong(a[1]) : 0;
    if (places < 0) ThrowRuntime(kErrInvalidCall);
    if (IsWholeKind(v.kind)) return v;
    if (v.kind == Kind::Boolean || v.kind == Kind::Empty) return Value::Integer(v.i);
    double scale = std::pow(10.0, places);
    double x = BankersRound(ToDouble(v) * scale) / scale;
    if (v.kind == Kind::Single) return Value::Single(x);
    if (v.kind == Kind::Currency) return Value::Currency(std::llround(x * 10000));
    return Value::Double(x);
}

Value Sqr(Interpreter&, Args& a) {
    double x = ToDouble(a[0]);
    if (x < 0) ThrowRuntime(kErrInvalidCall);
    return Value::Double(std::sqrt(x));
}

Value Sgn(Interpreter&, Args& a) {
    if (a[0].IsNull()) return a[0];
    double x = ToDouble(a[0]);
    return Value::Integer(x > 0 ? 1 : (x < 0 ? -1 : 0));
}

Value Exp(Interpreter&, Args& a) {
    double x = std::exp(ToDouble(a[0]));
    if (std::isinf(x)) ThrowRuntime(kErrOverflow);
    return Value::Double(x);
}

Value Log(Interpreter&, Args& a) {
    double x = ToDouble(a[0]);
    if (x <= 0) ThrowRuntime(kErrInvalidCall);
    return Value::Double(std::log(x));
}

Value Sin(Interpreter&, Args& a) {
    return Value::Double(std::sin(ToDouble(a[0])));
}
Value Cos(Interpreter&, Args& a) {
    return Value::Double(std::cos(ToDouble(a[0])));
}
Value Tan(Interpreter&, Args& a) {
    return Value::Double(std::tan(ToDouble(a[0])));
}
Value Atn(Interpreter&, Args& a) {
    return Value::Double(std::atan(ToDouble(a[0])));
}

// A 24-bit linear congruential generator, kept per engine. A negative argument seeds it
// from the number's bits, so that the same negative number always gives the same value;
// zero repeats the value given last.
Value Rnd(Interpreter& interp, Args& a) {
    uint32_t& state = interp.RandomState();
    double x = HasArg(a, 0) ? ToDouble(a[0]) : 1;
    if (x == 0) return Value::Single(state / 16777216.0);
    if (x < 0) {
        float single = static_cast<float>(x);
        uint32_t bits = 0;
        std::memcpy(&bits, &single, sizeof bits);
        state = (bits + (bits >> 24)) & 0xFFFFFF;
    }
    state = (state * 1140671485u + 12820163u) & 0xFFFFFF;
    return Value::Single(state / 16777216.0);
}

}  // namespace

void AddMathBuiltins(BuiltinTable& table) {
    table["abs"] = {Abs, 1, 1};
    table["int"] = {Int, 1, 1};
    table["fix"] = {Fix, 1, 1};
    table["round"] = {Round, 1, 2};
    table["sqr"] = {Sqr, 1, 1};
    table["sgn"] = {Sgn, 1, 1};
    table["exp"] = {Exp, 1, 1};
    table["log"] = {Log, 1, 1};
    table["sin"] = {Sin, 1, 1};
    table["cos"] = {Cos, 1, 1};
    table["tan"] = {Tan, 1, 1};
    table["atn"] = {Atn, 1, 1};
    table["rnd"] = {Rnd, 0, 1};
}

}  // namespace vbscript
