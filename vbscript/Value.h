// vbscript/Value.h: the script Variant (Empty, Null, the numeric subtypes, String, Date,
// objects, arrays) and the conversions between its subtypes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vbscript/RunLimits.h"

namespace vbscript {

class Object;
struct ArrayData;

// Numbered as VarType reports them.
enum class Kind : uint16_t {
    Empty = 0,
    Null = 1,
    Integer = 2,
    Long = 3,
    Single = 4,
    Double = 5,
    Currency = 6,
    Date = 7,
    String = 8,
    Object = 9,
    Boolean = 11,
    Byte = 17,
    Array = 8204,  // an array of Variants
};

struct Value {
    Kind kind = Kind::Empty;
    uint32_t textCharge = 0;  // bytes of `s` charged to the current run's memory cap
    int64_t i = 0;            // Boolean (-1/0), Byte, Integer, Long, Currency (amount x 10000)
    double d = 0;             // Single, Double, Date
    std::string s;
    std::shared_ptr<Object> obj;  // Object; null is Nothing
    std::shared_ptr<ArrayData> arr;

    Value() = default;
    Value(const Value& other);
    Value(Value&& other) noexcept;
    Value& operator=(const Value& other);
    Value& operator=(Value&& other) noexcept;
    ~Value() {
        if (textCharge != 0) CreditMemory(textCharge);
    }

    static Value Null() { return Make(Kind::Null); }
    static Value Bool(bool b) { return Int(Kind::Boolean, b ? -1 : 0); }
    static Value Integer(int64_t n) { return Int(Kind::Integer, n); }
    static Value Long(int64_t n) { return Int(Kind::Long, n); }
    static Value Byte(int64_t n) { return Int(Kind::Byte, n); }
    static Value Currency(int64_t scaled) { return Int(Kind::Currency, scaled); }
    static Value Double(double x) { return Real(Kind::Double, x); }
    static Value Single(double x) { return Real(Kind::Single, static_cast<float>(x)); }
    static Value Date(double x) { return Real(Kind::Date, x); }
    static Value String(std::string text);
    static Value ObjectRef(std::shared_ptr<Object> object);
    static Value Nothing() { return Make(Kind::Object); }
    // Integer when it fits, Long when that fits, else Double (literal and result typing).
    static Value Whole(int64_t n);

    bool IsNumericKind() const;  // Byte, Integer, Long, Single, Double, Currency, Boolean
    bool IsEmpty() const { return kind == Kind::Empty; }
    bool IsNull() const { return kind == Kind::Null; }

    // Charges the text's storage to the current run (after `s` was set directly).
    void ChargeText();

private:
    static Value Make(Kind kind) {
        Value v;
        v.kind = kind;
        return v;
    }
    static Value Int(Kind kind, int64_t n) {
        Value v = Make(kind);
        v.i = n;
        return v;
    }
    static Value Real(Kind kind, double x) {
        Value v = Make(kind);
        v.d = x;
        return v;
    }
};

// Arrays are zero-based; `upper` holds each dimension's upper bound (-1 for none yet).
struct ArrayData {
    std::vector<int32_t> upper;
    std::vector<Value> items;
    bool fixed = false;  // declared with sizes by Dim: ReDim refuses it
    MemoryCharge charge;

    ArrayData() { CountRecord(1); }
    ArrayData(const ArrayData& other);
    ArrayData& operator=(const ArrayData&) = delete;
    ~ArrayData();
    // Charges the storage the array now holds to the current run.
    void Account() {
        charge.Set(sizeof(ArrayData) + items.capacity() * sizeof(Value) +
                   upper.capacity() * sizeof(int32_t));
    }
};

// Frees the arrays and objects that values hold without recursing into them, so that nesting
// depth (an array in an array, 200,000 deep) cannot exhaust the stack: what they hold is
// queued and freed by the outermost batch on the thread, one at a time, and batches opened
// while it frees add to its queue. The queue lives in that outermost batch, not in the
// thread: a thread_local with a destructor would keep the library from being unloaded.
class ReleaseBatch {
public:
    ReleaseBatch();
    ~ReleaseBatch();
    ReleaseBatch(const ReleaseBatch&) = delete;
    ReleaseBatch& operator=(const ReleaseBatch&) = delete;
    void Add(Value& value);

private:
    std::vector<std::shared_ptr<void>> own_;
    std::vector<std::shared_ptr<void>>* queue_;
};

Value MakeArray(std::vector<Value> items);
// A new array with the given upper bounds (-1: no elements), every element Empty.
std::shared_ptr<ArrayData> NewArray(const std::vector<int32_t>& upper);
// The element at the given indices (one per dimension); Subscript out of range otherwise.
Value& ElementAt(ArrayData& array, const std::vector<Value>& indices);

// Conversions; each raises the script error the language gives (13, 6, 94) when it fails.
double ToDouble(const Value& v);
int32_t ToLong(const Value& v);     // banker's rounding, Overflow outside Long
int16_t ToInteger(const Value& v);  // banker's rounding, Overflow outside Integer
bool ToBool(const Value& v);
std::string ToString(const Value& v);  // as CStr does; Null raises 94
// Text for concatenation: as ToString, with Null as "".
std::string ToText(const Value& v);
// Value of a string or number in numeric context (strings become Double); 13 for others.
Value ToNumeric(const Value& v);
std::string FormatDouble(double x, int digits);  // 15 for Double, 7 for Single
std::string FormatDate(double date);
std::string TypeName(const Value& v);
int VarTypeOf(const Value& v);
double BankersRound(double x);

}  // namespace vbscript
