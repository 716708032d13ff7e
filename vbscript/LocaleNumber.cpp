// vbscript/LocaleNumber.cpp: reads a number in the en-US forms the platform's conversions
// accept.
#include "vbscript/LocaleNumber.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace vbscript {
namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

struct Cursor {
    std::string_view text;
    size_t at = 0;
    bool AtEnd() const { return at >= text.size(); }
    char Peek() const { return AtEnd() ? '\0' : text[at]; }
    bool Take(char c) {
        if (Peek() != c) return false;
        ++at;
        return true;
    }
    void SkipSpaces() {
        while (!AtEnd() && IsSpace(text[at])) ++at;
    }
};

// Signs and the currency symbol around the digits: each at most once overall.
struct Affixes {
    int sign = 0;  // -1, +1 or 0 for none yet
    bool currency = false;
    bool Read(Cursor& in) {
        for (;;) {
            in.SkipSpaces();
            char c = in.Peek();
            if ((c == '+' || c == '-') && sign == 0) {
                sign = c == '-' ? -1 : 1;
            } else if (c == '$' && !currency) {
                currency = true;
            } else {
                return true;
            }
            ++in.at;
        }
    }
};

// "&H1F" or "&O17": up to 16 bits read as an Integer, up to 32 as a Long (signed).
std::optional<double> ReadRadix(std::string_view text) {
    if (text.size() < 3 || text[0] != '&') return std::nullopt;
    char marker = static_cast<char>(std::tolower(static_cast<unsigned char>(text[1])));
    uint64_t radix = marker == 'h' ? 16 : (marker == 'o' ? 8 : 0);
    if (radix == 0) return std::nullopt;
    uint64_t n = 0;
    for (char c : text.substr(2)) {
        unsigned char u = static_cast<unsigned char>(c);
        uint64_t digit = std::isdigit(u)    ? static_cast<uint64_t>(u - '0')
                         : std::isxdigit(u) ? static_cast<uint64_t>(std::tolower(u) - 'a' + 10)
                                            : 99;
        if (digit >= radix) return std::nullopt;
        n = n * radix + digit;
        if (n > 0xFFFFFFFFu) return std::nullopt;
    }
    return n <= 0xFFFF ? static_cast<int16_t>(n) : static_cast<int32_t>(n);
}

// Digits with thousands separators, a decimal point and an exponent, as plain C text.
std::optional<std::string> ReadDecimal(Cursor& in) {
    std::string plain;
    size_t digits = 0;
    while (IsDigit(in.Peek()) || (in.Peek() == ',' && digits > 0)) {
        if (in.Peek() != ',') plain += in.Peek(), ++digits;
        ++in.at;
    }
    if (in.Take('.')) {
        plain += '.';
        while (IsDigit(in.Peek())) plain += in.text[in.at++], ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (in.Peek() == 'e' || in.Peek() == 'E') {
        Cursor exponent = in;
        ++exponent.at;
        std::string part = "e";
        if (exponent.Peek() == '+' || exponent.Peek() == '-') part += exponent.text[exponent.at++];
        if (!IsDigit(exponent.Peek())) return std::nullopt;
        while (IsDigit(exponent.Peek())) part += exponent.text[exponent.at++];
        plain += part;
        in = exponent;
    }
    return plain;
}

}  // namespace

std::optional<double> ParseLocaleNumber(std::string_view text) {
    Cursor in{text};
    in.SkipSpaces();
    bool parens = in.Take('(');
    Affixes affixes;
    affixes.Read(in);
    double value;
    if (in.Peek() == '&') {
        // Hexadecimal and octal forms end the text apart from spaces and a closing parenthesis.
        size_t end = text.find_last_not_of(" \t\r\n");
        if (parens && text[end] == ')') --end;
        std::optional<double> radix = ReadRadix(text.substr(in.at, end + 1 - in.at));
        if (!radix) return std::nullopt;
        value = *radix;
        in.at = end + 1;
    } else {
        std::optional<std::string> plain = ReadDecimal(in);
        if (!plain) return std::nullopt;
        value = std::strtod(plain->c_str(), nullptr);
        affixes.Read(in);
    }
    in.SkipSpaces();
    if (parens && (affixes.sign != 0 || !in.Take(')'))) return std::nullopt;
    in.SkipSpaces();
    if (!in.AtEnd()) return std::nullopt;
    return parens || affixes.sign < 0 ? -value : value;
}

}  // namespace vbscript
