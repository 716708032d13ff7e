// vbscript/BuiltinsCharacters.cpp: the functions between characters and their codes (Chr,
// ChrW, Asc, AscW), repeated characters (Space, String) and URL-style escapes (Escape,
// Unescape). Chr and Asc go through the ANSI code page; ChrW and AscW are the 16-bit units.
#include <cctype>

#include "vbscript/Builtins.h"
#include "vbscript/Interpreter.h"
#include "vbscript/WideText.h"

namespace vbscript {
namespace {

constexpr int32_t kMaxRepeat = 1 << 24;

std::u16string Units(const Value& v) {
    return ToUnits(ToString(v));
}

Value Text(std::u16string_view units) {
    return Value::String(FromUnits(units));
}

Value Chr(Interpreter&, Args& a) {
    int32_t code = ToLong(a[0]);
    if (code < 0 || code > 255) ThrowRuntime(kErrInvalidCall);
    char16_t unit = UnitFromAnsi(static_cast<unsigned char>(code));
    return Text(std::u16string_view(&unit, 1));
}

// Codes from -32768 stand for the units from 32768 up, as an Integer holds them.
Value ChrW(Interpreter&, Args& a) {
    int32_t code = ToLong(a[0]);
    if (code < -32768 || code > 65535) ThrowRuntime(kErrInvalidCall);
    char16_t unit = static_cast<char16_t>(code < 0 ? code + 65536 : code);
    return Text(std::u16string_view(&unit, 1));
}

char16_t FirstUnit(const Value& v) {
    if (v.IsNull()) ThrowRuntime(kErrInvalidNull);
    std::string text = ToString(v);
    if (text.empty()) ThrowRuntime(kErrInvalidCall);
    return ToUnits(text.substr(0, 4))[0];
}

Value Asc(Interpreter&, Args& a) {
    return Value::Integer(AnsiFromUnit(FirstUnit(a[0])));
}

Value AscW(Interpreter&, Args& a) {
    return Value::Integer(static_cast<int16_t>(FirstUnit(a[0])));
}

Value Repeated(const Value& count, char16_t unit) {
    int32_t n = ToLong(count);
    if (n < 0) ThrowRuntime(kErrInvalidCall);
    if (n > kMaxRepeat) ThrowRuntime(kErrOutOfMemory);
    ReserveMemory(static_cast<size_t>(n) * (unit < 0x80 ? 1 : 3));
    SpendBytes(static_cast<size_t>(n));
    if (unit < 0x80)
        return Value::String(std::string(static_cast<size_t>(n), static_cast<char>(unit)));
    return Text(std::u16string(static_cast<size_t>(n), unit));
}

Value Space(Interpreter&, Args& a) {
    return Repeated(a[0], u' ');
}

// A number names the character by its code modulo 256; a text gives its first character.
Value StringOf(Interpreter&, Args& a) {
    if (a[1].IsNull()) return a[1];
    char16_t unit;
    if (a[1].kind == Kind::String) {
        if (a[1].s.empty()) ThrowRuntime(kErrInvalidCall);
        unit = FirstUnit(a[1]);
    } else {
        unit = UnitFromAnsi(static_cast<unsigned char>(ToLong(a[1]) & 0xFF));
    }
    return Repeated(a[0], unit);
}

bool KeptByEscape(char16_t c) {
    return c < 0x80 && (std::isalnum(c) || std::string_view("@*_+-./").find(static_cast<char>(c)) !=
                                               std::string_view::npos);
}

Value Escape(Interpreter&, Args& a) {
    if (a[0].IsNull()) return a[0];
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char16_t c : Units(a[0])) {
        if (KeptByEscape(c)) {
            out += static_cast<char>(c);
        } else if (c < 0x100) {
            out += {'%', kHex[c >> 4], kHex[c & 0xF]};
        } else {
            out += {'%',          'u', kHex[c >> 12], kHex[(c >> 8) & 0xF], kHex[(c >> 4) & 0xF],
                    kHex[c & 0xF]};
        }
    }
    SpendBytes(out.size());
    return Value::String(std::move(out));
}

// The value of `digits` hexadecimal digits at `at`, or -1 when they are not all there.
int32_t HexAt(const std::u16string& text, size_t at, size_t digits) {
    if (at + digits > text.size()) return -1;
    int32_t value = 0;
    for (size_t i = at; i < at + digits; ++i) {
        char16_t c = text[i];
        if (c >= 0x80 || !std::isxdigit(c)) return -1;
        value = value * 16 + (std::isdigit(c) ? c - '0' : std::tolower(c) - 'a' + 10);
    }
    return value;
}

// A "%" that starts no valid escape stays as it is.
Value Unescape(Interpreter&, Args& a) {
    if (a[0].IsNull()) return a[0];
    std::u16string text = Units(a[0]), out;
    for (size_t i = 0; i < text.size(); ++i) {
        int32_t code = -1;
        if (text[i] == u'%') {
            code = i + 1 < text.size() && text[i + 1] == u'u' ? HexAt(text, i + 2, 4) : -1;
            if (code >= 0) {
                i += 5;
            } else if ((code = HexAt(text, i + 1, 2)) >= 0) {
                i += 2;
            }
        }
        out += code >= 0 ? static_cast<char16_t>(code) : text[i];
    }
    SpendBytes(text.size());
    return Text(out);
}

}  // namespace

void AddCharacterBuiltins(BuiltinTable& table) {
    table["chr"] = {Chr, 1, 1};
    table["chrw"] = {ChrW, 1, 1};
    table["asc"] = {Asc, 1, 1};
    table["ascw"] = {AscW, 1, 1};
    table["space"] = {Space, 1, 1};
    table["string"] = {StringOf, 2, 2};
    table["escape"] = {Escape, 1, 1};
    table["unescape"] = {Unescape, 1, 1};
}

}  // namespace vbscript
