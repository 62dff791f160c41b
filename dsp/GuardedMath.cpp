// SPDX-License-Identifier: ISC
#include "dsp/GuardedMath.h"

#include <cmath>

namespace {

constexpr Extended kCosineBound = 9223372036854775808.0L; // 2^63
constexpr Extended kLog10Of2 = 0.301029995663981195213738894724493027L;
constexpr Extended kInt32Max = 2147483647.0L;
constexpr Extended kInt32Min = -2147483648.0L;

int32_t SaturateToInt32(Extended whole) {
    if (std::isnan(whole)) return 0;
    if (whole >= kInt32Max) return INT32_MAX;
    if (whole <= kInt32Min) return INT32_MIN;
    return static_cast<int32_t>(whole);
}

} // namespace

const char* ToolkitMessageText(ToolkitMessage message) {
    switch (message) {
    case ToolkitMessage::DomainCheckFailure:
        return "Domain check failure in GuardedMath";
    }
    return "";
}

EToolkitError::EToolkitError(const std::string& message, int32_t helpContext)
    : std::runtime_error(message), helpContext_(helpContext) {}

EToolkitError::EToolkitError(ToolkitMessage message) : EToolkitError(ToolkitMessageText(message)) {}

Extended GuardedCos(Extended x) {
    if (std::isnan(x) || std::fabs(x) > kCosineBound)
        throw EMathDomainError(ToolkitMessage::DomainCheckFailure);
    return std::cos(x);
}

Extended IntegerPower(Extended base, int32_t n) {
    Extended result = 1;
    if (n == 0) return result;
    uint32_t bits = n < 0 ? 0u - static_cast<uint32_t>(n) : static_cast<uint32_t>(n);
    Extended power = base;
    while (true) {
        if (bits & 1u) result *= power;
        bits >>= 1;
        if (bits == 0) break;
        power *= power;
    }
    return n < 0 ? 1 / result : result;
}

Extended RealPower(Extended base, Extended exponent) {
    if (exponent == 0) return 1;
    if (base == 0 && exponent > 0) return 0;
    if (std::fabs(exponent) <= kInt32Max && exponent == std::trunc(exponent))
        return IntegerPower(base, static_cast<int32_t>(exponent));
    return std::exp(exponent * std::log(base));
}

Extended Log10(Extended x) { return std::log2(x) * kLog10Of2; }

int32_t Floor(Extended x) {
    const Extended whole = std::trunc(x);
    return SaturateToInt32(x - whole < 0 ? whole - 1 : whole);
}

int32_t Nearest(Extended x) {
    const Extended below = std::floor(x);
    const Extended fraction = x - below; // exact: x and below share the exponent range
    Extended whole = below;
    if (fraction > 0.5L || (fraction == 0.5L && std::fmod(below, 2.0L) != 0)) whole = below + 1;
    return SaturateToInt32(whole);
}
