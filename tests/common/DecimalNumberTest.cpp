// tests/common/DecimalNumberTest.cpp: decimal fractions read as atof reads them, in any
// locale.
#include <gtest/gtest.h>

#include <limits>

#include "common/DecimalNumber.h"

namespace {

TEST(DecimalFraction, ReadsAsFarAsTheNumberGoes) {
    EXPECT_EQ(75.0, DecimalFraction(" \t+7.5e1%"));
    EXPECT_EQ(0.0, DecimalFraction("+-5"));
    EXPECT_EQ(0.0, DecimalFraction(nullptr));
    EXPECT_EQ(std::numeric_limits<double>::max(), DecimalFraction("1e400"));
}

}  // namespace
