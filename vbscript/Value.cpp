// vbscript/Value.cpp: Variant construction and the conversions between subtypes, with the
// errors (Type mismatch, Overflow, Invalid use of Null) the language raises for them.
#include "vbscript/Value.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "vbscript/Errors.h"
#include "vbscript/LocaleNumber.h"
#include "vbscript/Object.h"

namespace vbscript {
namespace {

std::string FormatCurrency(int64_t scaled) {
    bool negative = scaled < 0;
    uint64_t magnitude =
        negative ? static_cast<uint64_t>(-(scaled + 1)) + 1 : static_cast<uint64_t>(scaled);
    std::string text = std::to_string(magnitude / 10000);
    uint64_t fraction = magnitude % 10000;
    if (fraction != 0) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%04u", static_cast<unsigned>(fraction));
        std::string tail(digits);
        while (!tail.empty() && tail.back() == '0') tail.pop_back();
        text += "." + tail;
    }
    return negative ? "-" + text : text;
}

}  // namespace

Value Value::String(std::string text) {
    Value v = Make(Kind::String);
    v.s = std::move(text);
    v.ChargeText();
    return v;
}

Value Value::ObjectRef(std::shared_ptr<Object> object) {
    Value v = Make(Kind::Object);
    v.obj = std::move(object);
    return v;
}

Value Value::Whole(int64_t n) {
    if (n >= -32768 && n <= 32767) return Integer(n);
    if (n >= INT32_MIN && n <= INT32_MAX) return Long(n);
    return Double(static_cast<double>(n));
}

bool Value::IsNumericKind() const {
    switch (kind) {
        case Kind::Byte:
        case Kind::Integer:
        case Kind::Long:
        case Kind::Single:
        case Kind::Double:
        case Kind::Currency:
        case Kind::Boolean:
            return true;
        default:
            return false;
    }
}

namespace {

// Text this short lives inside the value itself.
constexpr size_t kInlineText = 15;

// The queue of the outermost batch while it frees; a plain pointer, nothing to destroy.
thread_local std::vector<std::shared_ptr<void>>* t_releases = nullptr;

}  // namespace

void Value::ChargeText() {
    if (textCharge != 0) CreditMemory(textCharge);
    textCharge = 0;
    if (s.capacity() <= kInlineText) return;
    RunLimits* limits = CurrentLimits();
    if (limits == nullptr) return;
    textCharge = static_cast<uint32_t>(std::min<size_t>(s.capacity(), UINT32_MAX));
    limits->Charge(textCharge);
}

Value::Value(const Value& other)
    : kind(other.kind), i(other.i), d(other.d), s(other.s), obj(other.obj), arr(other.arr) {
    if (!s.empty()) ChargeText();
}

Value::Value(Value&& other) noexcept
    : kind(other.kind),
      textCharge(other.textCharge),
      i(other.i),
      d(other.d),
      s(std::move(other.s)),
      obj(std::move(other.obj)),
      arr(std::move(other.arr)) {
    other.textCharge = 0;
}

Value& Value::operator=(const Value& other) {
    if (this != &other) *this = Value(other);
    return *this;
}

Value& Value::operator=(Value&& other) noexcept {
    if (this == &other) return *this;
    if (textCharge != 0) CreditMemory(textCharge);
    kind = other.kind;
    textCharge = other.textCharge;
    other.textCharge = 0;
    i = other.i;
    d = other.d;
    s = std::move(other.s);
    // What this value held goes after the new contents are in place, through the queue,
    // as it may be the last reference to a deep structure.
    std::shared_ptr<Object> oldObj = std::move(obj);
    std::shared_ptr<ArrayData> oldArr = std::move(arr);
    obj = std::move(other.obj);
    arr = std::move(other.arr);
    return *this;
}

ReleaseBatch::ReleaseBatch() : queue_(t_releases != nullptr ? t_releases : &own_) {
    t_releases = queue_;
}

ReleaseBatch::~ReleaseBatch() {
    if (queue_ != &own_) return;
    while (!own_.empty()) {
        std::shared_ptr<void> next = std::move(own_.back());
        own_.pop_back();
        next.reset();
    }
    t_releases = nullptr;
}

void ReleaseBatch::Add(Value& value) {
    try {
        if (value.arr) queue_->push_back(std::move(value.arr));
        if (value.obj) queue_->push_back(std::move(value.obj));
    } catch (...) {
        // No room to queue it: free it here, recursing as deep as it goes.
        value.arr.reset();
        value.obj.reset();
    }
    if (value.kind == Kind::Array) value.kind = Kind::Empty;
}

ArrayData::ArrayData(const ArrayData& other)
    : upper(other.upper), items(other.items), fixed(other.fixed) {
    CountRecord(1);
    Account();
}

ArrayData::~ArrayData() {
    {
        ReleaseBatch batch;
        for (Value& item : items) batch.Add(item);
    }
    CountRecord(-1);
}

Value MakeArray(std::vector<Value> items) {
    Value v;
    v.kind = Kind::Array;
    v.arr = std::make_shared<ArrayData>();
    v.arr->upper.push_back(static_cast<int32_t>(items.size()) - 1);
    v.arr->items = std::move(items);
    v.arr->Account();
    return v;
}

std::shared_ptr<ArrayData> NewArray(const std::vector<int32_t>& upper) {
    auto array = std::make_shared<ArrayData>();
    array->upper = upper;
    // Widened before adding one, so that the largest Long bound cannot overflow; the
    // product stays far below the size type's range since it is checked at every step.
    uint64_t count = 1;
    for (int32_t bound : upper) {
        if (bound < -1) ThrowRuntime(kErrSubscript);
        count *= static_cast<uint64_t>(static_cast<int64_t>(bound) + 1);
        if (count > (1u << 24)) ThrowRuntime(kErrOutOfMemory);
    }
    if (upper.empty()) count = 0;
    ReserveMemory(count * sizeof(Value));
    array->items.resize(count);
    array->Account();
    return array;
}

Value& ElementAt(ArrayData& array, const std::vector<Value>& indices) {
    // A dynamic array not yet given sizes has no dimensions and no elements at all.
    if (indices.size() != array.upper.size() || array.items.empty()) ThrowRuntime(kErrSubscript);
    size_t flat = 0, stride = 1;
    for (size_t d = 0; d < indices.size(); ++d) {
        int32_t index = ToLong(indices[d]);
        if (index < 0 || index > array.upper[d]) ThrowRuntime(kErrSubscript);
        flat += static_cast<size_t>(index) * stride;
        stride *= static_cast<size_t>(array.upper[d]) + 1;
    }
    return array.items[flat];
}

double BankersRound(double x) {
    double floor = std::floor(x);
    double diff = x - floor;
    if (diff > 0.5) return floor + 1;
    if (diff < 0.5) return floor;
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

Value ToNumeric(const Value& v) {
    switch (v.kind) {
        case Kind::Empty:
            return Value::Integer(0);
        case Kind::String: {
            std::optional<double> number = ParseLocaleNumber(v.s);
            if (!number) ThrowRuntime(kErrTypeMismatch);
            return Value::Double(*number);
        }
        case Kind::Null:
        case Kind::Date:
            return v;
        default:
            if (v.IsNumericKind()) return v;
            ThrowRuntime(kErrTypeMismatch);
    }
}

double ToDouble(const Value& v) {
    switch (v.kind) {
        case Kind::Empty:
            return 0;
        case Kind::Null:
            ThrowRuntime(kErrInvalidNull);
        case Kind::Boolean:
        case Kind::Byte:
        case Kind::Integer:
        case Kind::Long:
            return static_cast<double>(v.i);
        case Kind::Currency:
            return static_cast<double>(v.i) / 10000.0;
        case Kind::Single:
        case Kind::Double:
        case Kind::Date:
            return v.d;
        case Kind::String: {
            std::optional<double> number = ParseLocaleNumber(v.s);
            if (!number) ThrowRuntime(kErrTypeMismatch);
            return *number;
        }
        default:
            ThrowRuntime(kErrTypeMismatch);
    }
}

int32_t ToLong(const Value& v) {
    if (v.kind == Kind::Integer || v.kind == Kind::Long || v.kind == Kind::Byte ||
        v.kind == Kind::Boolean)
        return static_cast<int32_t>(v.i);
    double x = BankersRound(ToDouble(v));
    if (!(x >= -2147483648.0 && x <= 2147483647.0)) ThrowRuntime(kErrOverflow);
    return static_cast<int32_t>(x);
}

int16_t ToInteger(const Value& v) {
    int64_t n =
        v.kind == Kind::Integer || v.kind == Kind::Byte || v.kind == Kind::Boolean ? v.i : ([&] {
            double x = BankersRound(ToDouble(v));
            if (!(x >= -32768.0 && x <= 32767.0)) ThrowRuntime(kErrOverflow);
            return static_cast<int64_t>(x);
        })();
    if (n < -32768 || n > 32767) ThrowRuntime(kErrOverflow);
    return static_cast<int16_t>(n);
}

bool ToBool(const Value& v) {
    if (v.kind == Kind::String) {
        if (strcasecmp(v.s.c_str(), "true") == 0) return true;
        if (strcasecmp(v.s.c_str(), "false") == 0) return false;
    }
    return ToDouble(v) != 0;
}

std::string FormatDouble(double x, int digits) {
    if (x == 0) return "0";
    if (std::isnan(x)) return "NaN";
    if (std::isinf(x)) return x > 0 ? "Infinity" : "-Infinity";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*G", digits, x);
    return buffer;
}

std::string ToString(const Value& v) {
    switch (v.kind) {
        case Kind::Empty:
            return "";
        case Kind::Null:
            ThrowRuntime(kErrInvalidNull);
        case Kind::Boolean:
            return v.i != 0 ? "True" : "False";
        case Kind::Byte:
        case Kind::Integer:
        case Kind::Long:
            return std::to_string(v.i);
        case Kind::Currency:
            return FormatCurrency(v.i);
        case Kind::Single:
            return FormatDouble(v.d, 7);
        case Kind::Double:
            return FormatDouble(v.d, 15);
        case Kind::Date:
            return FormatDate(v.d);
        case Kind::String:
            return v.s;
        default:
            ThrowRuntime(kErrTypeMismatch);
    }
}

std::string ToText(const Value& v) {
    return v.kind == Kind::Null ? std::string() : ToString(v);
}

std::string TypeName(const Value& v) {
    switch (v.kind) {
        case Kind::Empty:
            return "Empty";
        case Kind::Null:
            return "Null";
        case Kind::Integer:
            return "Integer";
        case Kind::Long:
            return "Long";
        case Kind::Single:
            return "Single";
        case Kind::Double:
            return "Double";
        case Kind::Currency:
            return "Currency";
        case Kind::Date:
            return "Date";
        case Kind::String:
            return "String";
        case Kind::Boolean:
            return "Boolean";
        case Kind::Byte:
            return "Byte";
        case Kind::Array:
            return "Variant()";
        case Kind::Object:
            return v.obj ? v.obj->TypeName() : "Nothing";
    }
    return "Unknown";
}

int VarTypeOf(const Value& v) {
    return static_cast<int>(v.kind);
}

}  // namespace vbscript
