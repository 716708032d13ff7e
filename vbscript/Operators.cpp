// vbscript/Operators.cpp: arithmetic, comparison and logical operators on Variants.
#include "vbscript/Operators.h"

#include <cmath>

#include "vbscript/ByteText.h"
#include "vbscript/DateMath.h"
#include "vbscript/Errors.h"
#include "vbscript/LocaleNumber.h"
#include "vbscript/RunLimits.h"
#include "vbscript/WideText.h"

namespace vbscript {
namespace {

// Rank of a numeric subtype in the promotion order; Boolean and Empty count as Integer.
int Rank(Kind kind) {
    switch (kind) {
        case Kind::Byte:
            return 1;
        case Kind::Empty:
        case Kind::Boolean:
        case Kind::Integer:
            return 2;
        case Kind::Long:
            return 3;
        case Kind::Single:
            return 4;
        case Kind::Currency:
            return 6;
        case Kind::Date:
            return 7;
        default:
            return 5;  // Double, and strings read as Double
    }
}

bool IsIntegral(Kind kind) {
    return Rank(kind) <= 3;
}

// An integer result of the given rank, promoted when it does not fit.
Value TypedWhole(int rank, int64_t n) {
    if (rank <= 1 && n >= 0 && n <= 255) return Value::Byte(n);
    if (rank <= 2 && n >= -32768 && n <= 32767) return Value::Integer(n);
    if (n >= INT32_MIN && n <= INT32_MAX) return Value::Long(n);
    return Value::Double(static_cast<double>(n));
}

int64_t AsInt(const Value& v) {
    return v.kind == Kind::Empty ? 0 : v.i;
}

Value AddLike(BinOp op, const Value& l, const Value& r) {
    int rank = std::max(Rank(l.kind), Rank(r.kind));
    if (IsIntegral(l.kind) && IsIntegral(r.kind)) {
        int64_t a = AsInt(l), b = AsInt(r);
        int64_t n = op == BinOp::Add ? a + b : op == BinOp::Subtract ? a - b : a * b;
        return TypedWhole(rank, n);
    }
    double a = ToDouble(l), b = ToDouble(r);
    double x = op == BinOp::Add ? a + b : op == BinOp::Subtract ? a - b : a * b;
    if (!std::isfinite(x)) ThrowRuntime(kErrOverflow);
    if (rank == 7) {
        if (op == BinOp::Subtract && l.kind == Kind::Date && r.kind == Kind::Date)
            return Value::Double(x);
        return op == BinOp::Multiply ? Value::Double(x) : Value::Date(CheckedDate(x));
    }
    // Currency is the most precise subtype below Date: it wins over Single and Double too.
    if (rank == 6) {
        if (std::fabs(x) >= 922337203685477.0) ThrowRuntime(kErrOverflow);
        return Value::Currency(static_cast<int64_t>(std::llround(x * 10000)));
    }
    bool single = (l.kind == Kind::Single || r.kind == Kind::Single) && Rank(l.kind) <= 4 &&
                  Rank(r.kind) <= 4 && l.kind != Kind::Long && r.kind != Kind::Long;
    if (single && std::fabs(x) <= 3.402823466e38) return Value::Single(x);
    return Value::Double(x);
}

// Empty in arithmetic is a zero of the other operand's subtype, so that Byte - Empty stays a
// Byte and Empty - Date a Date; two Empties make an Integer.
Value ZeroLike(const Value& other) {
    switch (other.kind) {
        case Kind::Byte:
            return Value::Byte(0);
        case Kind::Long:
            return Value::Long(0);
        case Kind::Currency:
            return Value::Currency(0);
        case Kind::Single:
            return Value::Single(0);
        case Kind::Double:
        case Kind::Date:
        case Kind::String:
            return Value::Double(0);
        default:
            return Value::Integer(0);
    }
}

Value Divide(const Value& l, const Value& r) {
    double a = ToDouble(l), b = ToDouble(r);
    if (b == 0) ThrowRuntime(a == 0 ? kErrOverflow : kErrDivisionByZero);
    double x = a / b;
    if (!std::isfinite(x)) ThrowRuntime(kErrOverflow);
    return Value::Double(x);
}

Value IntegerDivide(BinOp op, const Value& l, const Value& r) {
    int64_t a = ToLong(l), b = ToLong(r);
    if (b == 0) ThrowRuntime(kErrDivisionByZero);
    int64_t n = op == BinOp::Mod ? a % b : a / b;
    // Both operands were rounded to Long, so the result is one too; the single quotient that
    // is not (-2147483648 \ -1) overflows rather than widening to Double.
    if (n < INT32_MIN || n > INT32_MAX) ThrowRuntime(kErrOverflow);
    int rank = std::max(Rank(l.kind), Rank(r.kind));
    return TypedWhole(rank <= 2 ? rank : 3, n);
}

// Logical operators read strings as numbers or as True/False.
int64_t LogicalOperand(const Value& v) {
    if (v.kind == Kind::String) {
        if (ParseLocaleNumber(v.s)) return ToLong(v);
        return ToBool(v) ? -1 : 0;
    }
    return ToLong(v);
}

// The subtype a logical operand counts as: a text reading "True" or "False" as Boolean,
// any other text as Long.
Kind LogicalKind(const Value& v) {
    if (v.kind != Kind::String) return v.kind;
    return ParseLocaleNumber(v.s) ? Kind::Long : Kind::Boolean;
}

// The subtype of a bitwise result: Boolean for two Booleans, Byte for two Bytes, Integer
// while both fit one (Empty and Boolean count as Integer), Long otherwise.
Value LogicalResult(Kind a, Kind b, int64_t n) {
    auto narrow = [](Kind k) {
        return k == Kind::Empty || k == Kind::Boolean || k == Kind::Byte || k == Kind::Integer;
    };
    if (a == Kind::Boolean && b == Kind::Boolean) return Value::Bool(n != 0);
    if (a == Kind::Byte && b == Kind::Byte) return Value::Byte(n & 0xFF);
    if (narrow(a) && narrow(b)) return Value::Integer(static_cast<int16_t>(n));
    return Value::Long(static_cast<int32_t>(n));
}

// Null with a known operand: the result is known whenever every bit of it is decided by
// the known side alone (False And Null, True Or Null, False Imp Null, Null Imp True).
Value LogicalWithNull(BinOp op, const Value& l, const Value& r) {
    bool leftNull = l.IsNull();
    const Value& other = leftNull ? r : l;
    if (other.IsNull()) return Value::Null();
    int64_t n = LogicalOperand(other);
    Kind kind = LogicalKind(other);
    switch (op) {
        case BinOp::And:
            if (n == 0) return LogicalResult(kind, kind, 0);
            break;
        case BinOp::Or:
            if (n == -1 || (kind == Kind::Byte && n == 0xFF)) return LogicalResult(kind, kind, n);
            break;
        case BinOp::Imp:
            if (!leftNull && n == 0) return LogicalResult(kind, kind, -1);
            if (leftNull && (n == -1 || (kind == Kind::Byte && n == 0xFF)))
                return LogicalResult(kind, kind, n);
            break;
        default:
            break;
    }
    return Value::Null();
}

Value Logical(BinOp op, const Value& l, const Value& r) {
    if (l.IsNull() || r.IsNull()) return LogicalWithNull(op, l, r);
    int64_t a = LogicalOperand(l), b = LogicalOperand(r);
    int64_t n = 0;
    switch (op) {
        case BinOp::And:
            n = a & b;
            break;
        case BinOp::Or:
            n = a | b;
            break;
        case BinOp::Xor:
            n = a ^ b;
            break;
        case BinOp::Eqv:
            n = ~(a ^ b);
            break;
        default:
            n = ~a | b;
            break;  // Imp
    }
    return LogicalResult(LogicalKind(l), LogicalKind(r), n);
}

bool IsNumberLike(const Value& v) {
    return v.IsNumericKind() || v.kind == Kind::Date || v.kind == Kind::Empty;
}

int Sign(double x) {
    return x < 0 ? -1 : (x > 0 ? 1 : 0);
}

}  // namespace

bool IsComparison(BinOp op) {
    switch (op) {
        case BinOp::Equal:
        case BinOp::NotEqual:
        case BinOp::Less:
        case BinOp::Greater:
        case BinOp::LessEqual:
        case BinOp::GreaterEqual:
            return true;
        default:
            return false;
    }
}

// Two texts end to end, within the run's memory cap and counted as work done.
std::string Joined(const std::string& left, const std::string& right) {
    size_t size = left.size() + right.size();
    ReserveMemory(size);
    SpendBytes(size);
    std::string text;
    text.reserve(size);
    text.append(left).append(right);
    JoinSurrogateHalves(text, left.size());
    return text;
}

Value Arithmetic(BinOp op, const Value& left, const Value& right) {
    bool strings = left.kind == Kind::String && right.kind == Kind::String;
    if (op == BinOp::Concat || (op == BinOp::Add && strings)) {
        if (left.IsNull() && right.IsNull()) return Value::Null();
        if (HasOddByte(left) || HasOddByte(right)) return JoinedBytes(left, right);
        return Value::String(Joined(ToText(left), ToText(right)));
    }
    if (op == BinOp::And || op == BinOp::Or || op == BinOp::Xor || op == BinOp::Eqv ||
        op == BinOp::Imp)
        return Logical(op, left, right);
    if (left.IsNull() || right.IsNull()) {
        if (left.kind == Kind::Object || right.kind == Kind::Object || left.kind == Kind::Array ||
            right.kind == Kind::Array)
            ThrowRuntime(kErrTypeMismatch);
        return Value::Null();
    }
    if (op == BinOp::Add && (left.IsEmpty() || right.IsEmpty())) {
        // Adding Empty gives the other operand unchanged, a text included ("a" + Empty).
        const Value& other = left.IsEmpty() ? right : left;
        if (other.kind == Kind::String || other.IsNumericKind() || other.kind == Kind::Date)
            return other;
        if (other.IsEmpty()) return Value::Integer(0);
    }
    Value l = left.IsEmpty() ? ZeroLike(right) : ToNumeric(left);
    Value r = right.IsEmpty() ? ZeroLike(left) : ToNumeric(right);
    switch (op) {
        case BinOp::Add:
        case BinOp::Subtract:
        case BinOp::Multiply:
            return AddLike(op, l, r);
        case BinOp::Divide:
            return Divide(l, r);
        case BinOp::IntDivide:
        case BinOp::Mod:
            return IntegerDivide(op, l, r);
        case BinOp::Power: {
            double x = std::pow(ToDouble(l), ToDouble(r));
            if (std::isnan(x)) ThrowRuntime(kErrInvalidCall);
            if (std::isinf(x)) ThrowRuntime(kErrOverflow);
            return Value::Double(x);
        }
        default:
            ThrowRuntime(kErrTypeMismatch);
    }
}

int Order(const Value& left, const Value& right, bool leftLiteral, bool rightLiteral) {
    if (left.kind == Kind::Object || right.kind == Kind::Object || left.kind == Kind::Array ||
        right.kind == Kind::Array)
        ThrowRuntime(kErrTypeMismatch);
    bool ls = left.kind == Kind::String, rs = right.kind == Kind::String;
    if (ls && rs) return CompareUnits(left.s, right.s);
    if (ls || rs) {
        const Value& text = ls ? left : right;
        const Value& other = ls ? right : left;
        if (other.kind == Kind::Empty) {
            int c = text.s.empty() ? 0 : 1;
            return ls ? c : -c;
        }
        // A text written as a literal against a number compares as a number when it reads
        // as one ("5" = 5); otherwise the number sorts first, as for any text.
        if (leftLiteral || rightLiteral) {
            std::optional<double> number = ParseLocaleNumber(text.s);
            if (number) {
                double a = ls ? *number : ToDouble(left), b = ls ? ToDouble(right) : *number;
                return Sign(a - b);
            }
        }
        return ls ? 1 : -1;  // a number sorts before any text
    }
    if (IsNumberLike(left) && IsNumberLike(right)) {
        double a = ToDouble(left), b = ToDouble(right);
        return a < b ? -1 : (a > b ? 1 : 0);
    }
    ThrowRuntime(kErrTypeMismatch);
}

Value Compare(BinOp op, const Value& left, const Value& right, bool leftLiteral,
              bool rightLiteral) {
    if (left.IsNull() || right.IsNull()) return Value::Null();
    int order = Order(left, right, leftLiteral, rightLiteral);
    switch (op) {
        case BinOp::Equal:
            return Value::Bool(order == 0);
        case BinOp::NotEqual:
            return Value::Bool(order != 0);
        case BinOp::Less:
            return Value::Bool(order < 0);
        case BinOp::Greater:
            return Value::Bool(order > 0);
        case BinOp::LessEqual:
            return Value::Bool(order <= 0);
        default:
            return Value::Bool(order >= 0);
    }
}

Value Negate(const Value& v) {
    switch (v.kind) {
        case Kind::Null:
            return v;
        case Kind::Empty:
            return Value::Integer(0);
        case Kind::Boolean:
        case Kind::Byte:
        case Kind::Integer:
            return Value::Whole(-v.i);
        case Kind::Long:
            return v.i == INT32_MIN ? Value::Double(2147483648.0) : Value::Long(-v.i);
        case Kind::Currency:
            return Value::Currency(-v.i);
        case Kind::Single:
            return Value::Single(-v.d);
        case Kind::Date:
            return Value::Date(CheckedDate(-v.d));
        default:
            return Value::Double(-ToDouble(v));
    }
}

Value LogicalNot(const Value& v) {
    if (v.IsNull()) return v;
    if (v.kind == Kind::Boolean) return Value::Bool(v.i == 0);
    Kind kind = LogicalKind(v);
    return LogicalResult(kind, kind, ~LogicalOperand(v));
}

}  // namespace vbscript
