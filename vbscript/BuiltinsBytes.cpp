// vbscript/BuiltinsBytes.cpp: the byte forms of the string functions (LenB, LeftB, RightB,
// MidB, InStrB, AscB, ChrB). They count and cut the two bytes of each 16-bit character, low
// byte first, so that scripts handling binary data in strings see the platform's positions.
#include <algorithm>

#include "vbscript/Builtins.h"
#include "vbscript/ByteText.h"
#include "vbscript/Interpreter.h"

namespace vbscript {
namespace {

int32_t ByteCount(const Value& v) {
    int32_t n = ToLong(v);
    if (n < 0) ThrowRuntime(kErrInvalidCall);
    return n;
}

Value Cut(const std::string& bytes, size_t begin, size_t count) {
    SpendBytes(bytes.size());
    return StringFromBytes(begin < bytes.size() ? std::string_view(bytes).substr(begin, count)
                                                : std::string_view());
}

Value LenB(Interpreter&, Args& a) {
    if (a[0].IsNull()) return a[0];
    return Value::Long(static_cast<int64_t>(BytesOf(a[0]).size()));
}

Value LeftB(Interpreter&, Args& a) {
    if (a[0].IsNull()) return a[0];
    return Cut(BytesOf(a[0]), 0, static_cast<size_t>(ByteCount(a[1])));
}

Value RightB(Interpreter&, Args& a) {
    if (a[0].IsNull()) return a[0];
    std::string bytes = BytesOf(a[0]);
    size_t n = std::min(static_cast<size_t>(ByteCount(a[1])), bytes.size());
    return Cut(bytes, bytes.size() - n, n);
}

Value MidB(Interpreter&, Args& a) {
    if (a[0].IsNull()) return a[0];
    int32_t start = ToLong(a[1]);
    if (start < 1) ThrowRuntime(kErrInvalidCall);
    size_t count = HasArg(a, 2) ? static_cast<size_t>(ByteCount(a[2])) : std::string::npos;
    return Cut(BytesOf(a[0]), static_cast<size_t>(start) - 1, count);
}

// As InStr, by bytes: an optional start position first, then the two texts and the compare
// mode. Bytes compare as they are; the mode is checked but folds nothing, since a byte is not
// a letter of its own.
Value InStrB(Interpreter&, Args& a) {
    size_t first = a.size() >= 3 ? 1 : 0;
    int32_t start = 1;
    if (first == 1) {
        if (a[0].IsNull()) ThrowRuntime(kErrInvalidNull);
        start = ToLong(a[0]);
        if (start < 1) ThrowRuntime(kErrInvalidCall);
    }
    if (HasArg(a, 3) && (ToLong(a[3]) < 0 || ToLong(a[3]) > 1)) ThrowRuntime(kErrInvalidCall);
    if (a[first].IsNull() || a[first + 1].IsNull()) return Value::Null();
    std::string text = BytesOf(a[first]), what = BytesOf(a[first + 1]);
    if (static_cast<size_t>(start) > text.size()) return Value::Long(0);
    SpendBytes(text.size());
    size_t at = text.find(what, static_cast<size_t>(start) - 1);
    return Value::Long(at == std::string::npos ? 0 : static_cast<int64_t>(at) + 1);
}

Value AscB(Interpreter&, Args& a) {
    if (a[0].IsNull()) ThrowRuntime(kErrInvalidNull);
    std::string bytes = BytesOf(a[0]);
    if (bytes.empty()) ThrowRuntime(kErrInvalidCall);
    return Value::Integer(static_cast<unsigned char>(bytes[0]));
}

Value ChrB(Interpreter&, Args& a) {
    int32_t code = ToLong(a[0]);
    if (code < 0 || code > 255) ThrowRuntime(kErrInvalidCall);
    const char byte = static_cast<char>(code);
    return StringFromBytes(std::string_view(&byte, 1));
}

}  // namespace

void AddByteBuiltins(BuiltinTable& table) {
    table["lenb"] = {LenB, 1, 1};
    table["leftb"] = {LeftB, 2, 2};
    table["rightb"] = {RightB, 2, 2};
    table["midb"] = {MidB, 2, 3};
    table["instrb"] = {InStrB, 2, 4};
    table["ascb"] = {AscB, 1, 1};
    table["chrb"] = {ChrB, 1, 1};
}

}  // namespace vbscript
