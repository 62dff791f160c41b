// SPDX-License-Identifier: ISC
#include "dsp/TextUtils.h"

#include "dsp/GuardedMath.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdio>
#include <limits>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <langinfo.h>
#include <locale.h>
#endif

namespace {

std::atomic<char> gDecimalSeparator{ReadLocaleDecimalSeparator()};

constexpr int kMaxSignificantDigits = 7;

// The exact decimal expansion of a finite, non-zero float's magnitude:
// value = 0.d1 d2 d3 ... * 10^pointPos, with d1 != 0.
struct ExactDecimal {
    std::vector<uint8_t> digits;
    int pointPos = 0;
};

// Multiplies a little-endian base-10^9 number by a small factor.
void MultiplyBy(std::vector<uint32_t>& limbs, uint32_t factor) {
    uint64_t carry = 0;
    for (uint32_t& limb : limbs) {
        const uint64_t product = uint64_t{limb} * factor + carry;
        limb = static_cast<uint32_t>(product % 1000000000u);
        carry = product / 1000000000u;
    }
    if (carry) limbs.push_back(static_cast<uint32_t>(carry));
}

ExactDecimal ExpandExactly(float magnitude) {
    const uint32_t bits = std::bit_cast<uint32_t>(magnitude);
    const uint32_t biased = bits >> 23;
    uint32_t mantissa = bits & 0x7FFFFFu;
    int exponent2; // value = mantissa * 2^exponent2
    if (biased == 0) {
        exponent2 = -149;
    } else {
        mantissa |= 0x800000u;
        exponent2 = static_cast<int>(biased) - 150;
    }
    // mantissa * 2^e = mantissa * 5^-e / 10^-e for negative e.
    std::vector<uint32_t> limbs{mantissa % 1000000000u};
    for (int i = 0; i < (exponent2 >= 0 ? exponent2 : -exponent2); ++i)
        MultiplyBy(limbs, exponent2 >= 0 ? 2u : 5u);

    std::string text = std::to_string(limbs.back());
    for (size_t i = limbs.size() - 1; i-- > 0;) {
        char chunk[16];
        std::snprintf(chunk, sizeof chunk, "%09u", static_cast<unsigned>(limbs[i]));
        text += chunk;
    }
    ExactDecimal result;
    for (char c : text)
        result.digits.push_back(static_cast<uint8_t>(c - '0'));
    result.pointPos = static_cast<int>(text.size()) + (exponent2 < 0 ? exponent2 : 0);
    return result;
}

// Keeps the first `significant` digits, rounding half away from zero.
void RoundToSignificant(ExactDecimal& value, int significant) {
    if (significant <= 0) {
        const bool up = significant == 0 && value.digits[0] >= 5;
        value.digits.assign(1, up ? 1 : 0);
        if (up) value.pointPos += 1;
        return;
    }
    if (static_cast<size_t>(significant) >= value.digits.size()) return;
    const bool up = value.digits[significant] >= 5;
    value.digits.resize(significant);
    if (!up) return;
    int i = significant - 1;
    while (i >= 0 && value.digits[i] == 9)
        value.digits[i--] = 0;
    if (i >= 0) {
        value.digits[i] += 1;
    } else {
        value.digits.insert(value.digits.begin(), 1);
        value.digits.pop_back();
        value.pointPos += 1;
    }
}

char DigitAt(const ExactDecimal& value, int index) {
    if (index < 0 || static_cast<size_t>(index) >= value.digits.size()) return '0';
    return static_cast<char>('0' + value.digits[index]);
}

std::string FixedText(float x, int decimals) {
    const float magnitude = std::bit_cast<float>(std::bit_cast<uint32_t>(x) & 0x7FFFFFFFu);
    std::string text = std::bit_cast<uint32_t>(x) >> 31 ? "-" : "";
    ExactDecimal value = ExpandExactly(magnitude);
    const int significant = std::min(kMaxSignificantDigits, value.pointPos + decimals);
    RoundToSignificant(value, significant);
    const char separator = DecimalSeparator();

    if (value.pointPos > kMaxSignificantDigits) {
        int last = static_cast<int>(value.digits.size()) - 1;
        while (last > 0 && value.digits[last] == 0)
            --last;
        text += DigitAt(value, 0);
        if (last > 0) {
            text += separator;
            for (int i = 1; i <= last; ++i)
                text += DigitAt(value, i);
        }
        char exponent[16];
        std::snprintf(exponent, sizeof exponent, "E%02d", value.pointPos - 1);
        return text + exponent;
    }

    if (value.pointPos <= 0) {
        text += '0';
    } else {
        for (int i = 0; i < value.pointPos; ++i)
            text += DigitAt(value, i);
    }
    text += separator;
    for (int i = 0; i < decimals; ++i)
        text += DigitAt(value, value.pointPos + i);
    return text;
}

} // namespace

int32_t MakeFourCharId(char c1, char c2, char c3, char c4) {
    const uint32_t packed = (uint32_t{static_cast<uint8_t>(c1)} << 24) |
                            (uint32_t{static_cast<uint8_t>(c2)} << 16) |
                            (uint32_t{static_cast<uint8_t>(c3)} << 8) | static_cast<uint8_t>(c4);
    return static_cast<int32_t>(packed);
}

std::string NumberText(float x) {
    const float m = std::bit_cast<float>(std::bit_cast<uint32_t>(x) & 0x7FFFFFFFu);
    if (m != m) return "NAN";
    if (m == std::numeric_limits<float>::infinity()) return x < 0 ? "-INF" : "INF";
    // The decimal thresholds are not floats, so no float equals one of them and
    // comparing with their nearest doubles decides as the exact values would.
    if (m > 0.01) return FixedText(x, 2);
    if (m > 0.0001) return FixedText(x, 4);
    if (m > 0.000001) return FixedText(x, 6);
    return "0";
}

std::string DecibelText(float x) {
    const auto level = static_cast<float>(20 * Log10(static_cast<Extended>(x)));
    return NumberText(level) + " dB";
}

char DecimalSeparator() { return gDecimalSeparator.load(std::memory_order_relaxed); }

void SetDecimalSeparator(char separator) {
    gDecimalSeparator.store(separator, std::memory_order_relaxed);
}

char ReadLocaleDecimalSeparator() {
    char separator = '.';
#if defined(_WIN32)
    char buffer[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, sizeof buffer) > 1 &&
        buffer[0] != '\0' && buffer[1] == '\0')
        separator = buffer[0];
#else
    // The environment's LC_NUMERIC, read into a locale object of our own: the
    // host's global locale stays as it is.
    if (locale_t numeric = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0))) {
        const char* radix = nl_langinfo_l(RADIXCHAR, numeric);
        if (radix && radix[0] != '\0' && radix[1] == '\0') separator = radix[0];
        freelocale(numeric);
    }
#endif
    return separator;
}
