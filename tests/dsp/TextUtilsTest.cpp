// SPDX-License-Identifier: ISC
// The number and decibel texts the host shows, character for character.
#include "dsp/TextUtils.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

// Every test here runs with "." unless it says otherwise.
class Texts : public ::testing::Test {
  protected:
    void SetUp() override {
        saved = DecimalSeparator();
        SetDecimalSeparator('.');
    }
    void TearDown() override { SetDecimalSeparator(saved); }
    char saved = '.';
};

struct TextCase {
    float value;
    const char* text;
};

// Two decimals above 0.01; more digits at and below it, down to a millionth;
// below that, 0.
TEST_F(Texts, NumberTextTable) {
    const TextCase cases[] = {
        {1234.5678f, "1234.57"}, {22050.0f, "22050.00"}, {123456.789f, "123456.80"},
        {-0.5f, "-0.50"},        {0.011f, "0.01"},       {3482.9932f, "3482.99"},
        {0.0999f, "0.10"},       {1.0f, "1.00"},
    };
    const TextCase small[] = {
        {0.01f, "0.0100"},      {0.005f, "0.0050"},       {0.0001f, "0.000100"},
        {0.00005f, "0.000050"}, {0.0000011f, "0.000001"},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(NumberText(c.value), c.text) << c.value;
    for (const TextCase& c : small)
        EXPECT_EQ(NumberText(c.value), c.text) << c.value;
    for (const float zero : {0.000001f, 0.0f, -0.0f, -0.0000005f, 1e-40f})
        EXPECT_EQ(NumberText(zero), "0") << zero;
}

// Ties that are exact in binary round away from zero, unlike the C library's
// formatting of the same values.
TEST_F(Texts, ExactTiesRoundHalfAwayFromZero) {
    const TextCase cases[] = {
        {0.125f, "0.13"},        {-0.125f, "-0.13"},         {1.125f, "1.13"},
        {0.375f, "0.38"},        {2.5625f, "2.56"},          {8.0625f, "8.06"},
        {0.0625f, "0.06"},       {0.03125f, "0.03"},         {0.0078125f, "0.0078"},
        {1234.5625f, "1234.56"}, {0.00146484375f, "0.0015"},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(NumberText(c.value), c.text) << c.value;
}

TEST_F(Texts, SevenSignificantDigitsThenScientific) {
    const TextCase cases[] = {
        {1234567.75f, "1234568.00"},  {9999999.0f, "9999999.00"},
        {12345678.0f, "1.234568E07"}, {-12345678.0f, "-1.234568E07"},
        {10000000.0f, "1E07"},        {100000000.0f, "1E08"},
        {123000000.0f, "1.23E08"},    {std::numeric_limits<float>::max(), "3.402823E38"},
        {0.123456789f, "0.12"},       {99999.99f, "99999.99"},
        {999999.94f, "999999.90"},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(NumberText(c.value), c.text) << c.value;
}

TEST_F(Texts, InfinityAndNotANumber) {
    EXPECT_EQ(NumberText(std::numeric_limits<float>::infinity()), "INF");
    EXPECT_EQ(NumberText(-std::numeric_limits<float>::infinity()), "-INF");
    EXPECT_EQ(NumberText(std::numeric_limits<float>::quiet_NaN()), "NAN");
    EXPECT_EQ(NumberText(-std::numeric_limits<float>::quiet_NaN()), "NAN");
}

TEST_F(Texts, DecibelTextTable) {
    const TextCase cases[] = {
        {1.0f, "0 dB"},    {0.5f, "-6.02 dB"}, {2.0f, "6.02 dB"},     {10.0f, "20.00 dB"},
        {0.0f, "-INF dB"}, {-1.0f, "NAN dB"},  {0.001f, "-60.00 dB"}, {0.25f, "-12.04 dB"},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(DecibelText(c.value), c.text) << c.value;
}

TEST_F(Texts, TheSeparatorComesFromTheLocaleSetting) {
    SetDecimalSeparator(',');
    EXPECT_EQ(NumberText(1.5f), "1,50");
    EXPECT_EQ(NumberText(0.005f), "0,0050");
    EXPECT_EQ(NumberText(12345678.0f), "1,234568E07");
    EXPECT_EQ(DecibelText(0.5f), "-6,02 dB");
}

TEST(FourCharId, PacksFirstCharacterMostSignificant) {
    EXPECT_EQ(MakeFourCharId('V', 's', 't', 'P'), 0x56737450);
    EXPECT_EQ(MakeFourCharId('N', 'o', 'E', 'f'), 0x4E6F4566);
    EXPECT_EQ(MakeFourCharId('N', 'v', 'E', 'f'), 0x4E764566);
    EXPECT_EQ(MakeFourCharId('Z', 'O', 'L', 'T'), 0x5A4F4C54);
    EXPECT_EQ(MakeFourCharId('\xFF', '\x80', 0, 1), static_cast<int32_t>(0xFF800001u));
}

} // namespace
