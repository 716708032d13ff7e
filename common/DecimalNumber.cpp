// common/DecimalNumber.cpp: a bounded atoi and a locale-independent atof.
#include "common/DecimalNumber.h"

#include <cctype>
#include <charconv>
#include <cstring>
#include <limits>
#include <string_view>

int32_t DecimalValue(const char* text) {
    if (text == nullptr) return 0;
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    int64_t value = 0;
    constexpr int64_t kLimit = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
    for (; std::isdigit(static_cast<unsigned char>(*text)); ++text) {
        value = value * 10 + (*text - '0');
        if (value > kLimit) value = kLimit;
    }
    if (negative) return static_cast<int32_t>(-value);
    return static_cast<int32_t>(value > kLimit - 1 ? kLimit - 1 : value);
}

double DecimalFraction(const char* text) {
    if (text == nullptr) return 0.0;
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    // from_chars takes a minus sign but no plus sign.
    if (*text == '+' && text[1] != '-') ++text;
    double value = 0.0;
    const std::from_chars_result read =
        std::from_chars(text, text + std::strlen(text), value, std::chars_format::general);
    if (read.ec == std::errc()) return value;
    if (read.ec != std::errc::result_out_of_range) return 0.0;
    // Too small gives 0 and too large the nearest limit, as atof does.
    const std::string_view number(text, static_cast<size_t>(read.ptr - text));
    if (number.find("e-") != std::string_view::npos || number.find("E-") != std::string_view::npos)
        return 0.0;
    return *text == '-' ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
}
