// common/DecimalNumber.h: reading decimal numbers from configuration and envelope text.
#pragma once

#include <cstdint>

// The C runtime's atoi without its undefined overflow: optional leading white space and
// sign, then digits up to the first non-digit; no digits give 0; values beyond 32 bits
// are held at the nearest limit.
int32_t DecimalValue(const char* text);

// The C runtime's atof without its dependence on the locale: optional leading white
// space and sign, then a decimal number with an optional fraction and exponent, read up
// to the first character that cannot continue it; no number gives 0.
double DecimalFraction(const char* text);
