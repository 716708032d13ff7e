// tests/common/DecimalNumberTest.cpp: decimal fractions read as atof reads them, in any
// locale.
#include <gtest/gtest.h>

#include <limits>

#include "common/DecimalNumber.h"

namespace {

TEST(DecimalFraction, ReadsAsFarAsTheNumberGoes) {
    struct Case {
        const char* name;
        const char* text;
        double want;
    };
    const Case kCases[] = {
        {"leading blanks and plus", " \t+42.25", 42.25},
        {"exponent", "7.5e1", 75.0},
        {"trailing text", "12.5%", 12.5},
        {"plus then minus", "+-5", 0.0},
        {"missing", nullptr, 0.0},
        {"too small", "1e-400", 0.0},
        {"too large", "1e400", std::numeric_limits<double>::max()},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.want, DecimalFraction(c.text));
    }
}

}  // namespace
