// vbscript/ByteText.cpp: a string's bytes and back. The odd byte lives in the value's integer
// field, which a string does not otherwise use: 0 for none, 0x100 plus the byte for one.
#include "vbscript/ByteText.h"

#include "vbscript/WideText.h"

namespace vbscript {
namespace {

constexpr int64_t kOddMark = 0x100;

}  // namespace

bool HasOddByte(const Value& v) {
    return v.kind == Kind::String && v.i != 0;
}

std::string BytesOf(const Value& v) {
    std::u16string units = ToUnits(v.kind == Kind::String ? v.s : ToString(v));
    std::string bytes;
    bytes.reserve(units.size() * 2 + 1);
    for (char16_t unit : units) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    if (HasOddByte(v)) bytes += static_cast<char>(v.i & 0xFF);
    return bytes;
}

Value StringFromBytes(std::string_view bytes) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (size_t k = 0; k + 1 < bytes.size(); k += 2)
        units += static_cast<char16_t>(static_cast<unsigned char>(bytes[k]) |
                                       static_cast<unsigned char>(bytes[k + 1]) << 8);
    Value v = Value::String(FromUnits(units));
    if (bytes.size() % 2 != 0) v.i = kOddMark | static_cast<unsigned char>(bytes.back());
    return v;
}

Value JoinedBytes(const Value& left, const Value& right) {
    std::string bytes = left.IsNull() ? std::string() : BytesOf(left);
    std::string tail = right.IsNull() ? std::string() : BytesOf(right);
    ReserveMemory(bytes.size() + tail.size());
    SpendBytes(bytes.size() + tail.size());
    return StringFromBytes(bytes.append(tail));
}

}  // namespace vbscript
