// SPDX-License-Identifier: ISC
// The edge behaviour of the guarded math that the parameter mappings, the window
// and the decibel texts rely on.
#include "dsp/GuardedMath.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>

namespace {

constexpr Extended kNaN = std::numeric_limits<Extended>::quiet_NaN();
constexpr Extended kInf = std::numeric_limits<Extended>::infinity();

TEST(GuardedCos, RejectsHugeAndNotANumberWithAToolkitError) {
    for (const Extended x : {std::ldexp(1.0L, 64), -std::ldexp(1.0L, 64), kNaN, kInf}) {
        try {
            GuardedCos(x);
            ADD_FAILURE() << "accepted " << static_cast<double>(x);
        } catch (const EMathDomainError& error) {
            EXPECT_STREQ(error.what(), "Domain check failure in GuardedMath");
        }
    }
    EXPECT_EQ(GuardedCos(0), 1);
    EXPECT_NO_THROW(GuardedCos(std::ldexp(1.0L, 63)));
    EXPECT_NEAR(static_cast<double>(GuardedCos(std::numbers::pi_v<long double>)), -1.0, 1e-18);
    // The domain error is a toolkit error, and a runtime error.
    EXPECT_THROW(GuardedCos(kNaN), EToolkitError);
    EXPECT_THROW(GuardedCos(kNaN), std::runtime_error);
}

struct PowerCase {
    Extended base;
    Extended exponent;
    Extended expected;
};

TEST(RealPower, RulesInOrder) {
    const PowerCase exact[] = {
        {0, 0, 1},        {kNaN, 0, 1},     {-5, 0, 1},        {0, 0.5L, 0}, {0, 2, 0},
        {0, 1.0L / 3, 0}, {0.5L, 2, 0.25L}, {0.5L, 3, 0.125L}, {-2, 3, -8},  {2, -2, 0.25L},
        {3, 1, 3},        {1, 0.5L, 1},     {10, 2, 100},      {-3, 2, 9},   {0.75L, 2, 0.5625L},
    };
    for (const PowerCase& c : exact)
        EXPECT_EQ(RealPower(c.base, c.exponent), c.expected)
            << static_cast<double>(c.base) << "^" << static_cast<double>(c.exponent);

    EXPECT_NEAR(static_cast<double>(RealPower(0.25L, 0.5L)), 0.5, 1e-18);
    EXPECT_NEAR(static_cast<double>(RealPower(0.125L, 1.0L / 3)), 0.5, 1e-18);
    EXPECT_TRUE(std::isnan(RealPower(-1, 0.5L)));
    // A cube is b * (b * b), each product rounded once.
    const Extended b = 0.7L;
    EXPECT_EQ(RealPower(b, 3), b * (b * b));
}

TEST(IntegerPower, SquaresFromTheLowestBit) {
    EXPECT_EQ(IntegerPower(2, 0), 1);
    EXPECT_EQ(IntegerPower(2, 10), 1024);
    EXPECT_EQ(IntegerPower(2, -3), 0.125L);
    EXPECT_EQ(IntegerPower(-1, 7), -1);
    EXPECT_EQ(IntegerPower(1, INT32_MIN), 1);
    EXPECT_EQ(IntegerPower(2, INT32_MIN), 0);
}

TEST(Log10, Edges) {
    EXPECT_EQ(Log10(0), -kInf);
    EXPECT_EQ(Log10(1), 0);
    EXPECT_EQ(Log10(kInf), kInf);
    EXPECT_TRUE(std::isnan(Log10(-1)));
    EXPECT_NEAR(static_cast<double>(Log10(1000)), 3.0, 1e-17);
    EXPECT_NEAR(static_cast<double>(Log10(0.5L)), -0.30102999566398119521, 1e-18);
}

TEST(Floor, TruncatesThenStepsDownForNegativeFractions) {
    const std::pair<Extended, int32_t> cases[] = {{2.5L, 2},      {-2.5L, -3}, {-3, -3},    {0, 0},
                                                  {-0.0001L, -1}, {9.99L, 9},  {10.05L, 10}};
    for (const auto& [x, expected] : cases)
        EXPECT_EQ(Floor(x), expected) << static_cast<double>(x);
    EXPECT_EQ(Floor(kNaN), 0);
    EXPECT_EQ(Floor(1e20L), INT32_MAX);
}

TEST(Nearest, HalvesGoToTheEvenNeighbour) {
    const std::pair<Extended, int32_t> cases[] = {
        {0.5L, 0},  {1.5L, 2},     {2.5L, 2},  {-0.5L, 0},  {-1.5L, -2}, {0.49L, 0},
        {0.51L, 1}, {599.5L, 600}, {600, 600}, {-2.5L, -2}, {3.5L, 4},   {1e12L, INT32_MAX}};
    for (const auto& [x, expected] : cases)
        EXPECT_EQ(Nearest(x), expected) << static_cast<double>(x);
    EXPECT_EQ(Nearest(kNaN), 0);
}

TEST(MinMax64, CompareAsSigned) {
    EXPECT_EQ(Min64(-1, 5), -1);
    EXPECT_EQ(Max64(-1, 5), 5);
    EXPECT_EQ(Min64(INT64_MIN, INT64_MAX), INT64_MIN);
    EXPECT_EQ(Max64(128, 128), 128);
}

} // namespace
