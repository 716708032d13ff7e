// vbscript/LocaleNumber.h: numbers written as the system locale writes them, which is what
// IsNumeric and the conversion functions (CDbl, CInt, ...) accept on the platform.
#pragma once

#include <optional>
#include <string_view>

namespace vbscript {

// The plug-in assumes the en-US locale: "," groups thousands, "." is the decimal point and
// "$" the currency symbol. Accepted besides plain numbers ("12", "-1.", ".5", "1e3",
// "&H10"): spaces around, thousands separators after the first digit ("1,000"), a currency
// symbol before or after the digits ("$1", "-$1.50", "1$"), a trailing sign ("12-") and
// parentheses for a negative number ("(12)").
std::optional<double> ParseLocaleNumber(std::string_view text);

}  // namespace vbscript
