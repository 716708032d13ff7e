// vbscript/ByteText.h: strings as the bytes the platform engine stores them in, each 16-bit
// character as two bytes, low byte first. The byte functions (LenB, MidB, ChrB, ...) can leave
// a string with an odd number of bytes; that last byte, which no character holds, is kept in
// the Value beside the text, so that concatenation pairs it with the next byte as the platform
// does, while the character functions (Len, Mid, ...) see only the whole characters.
#pragma once

#include <string>
#include <string_view>

#include "vbscript/Value.h"

namespace vbscript {

// True when the string value ends in a byte no whole character holds.
bool HasOddByte(const Value& v);
// The bytes of a value's text (CStr of a non-string); Null raises 94.
std::string BytesOf(const Value& v);
// A string value of the given bytes: pairs are characters, a last lone byte is kept apart.
Value StringFromBytes(std::string_view bytes);
// Concatenation of two values of which at least one holds an odd byte (Null counts as "").
Value JoinedBytes(const Value& left, const Value& right);

}  // namespace vbscript
