// common/DecimalNumber.cpp: a bounded atoi.
#include "common/DecimalNumber.h"

#include <cctype>
#include <limits>

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
