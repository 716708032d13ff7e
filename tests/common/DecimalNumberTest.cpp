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
        {"leading blanks, plus, exponent, trailing text", " \t+7.5e1%", 75.0},
        {"plus then minus", "+-5", 0.0},
        {"missing", nullptr, 0.0},
        {"too large", "1e400", std::numeric_limits<double>::max()},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.want, DecimalFraction(c.text));
    }
}

}  // namespace
