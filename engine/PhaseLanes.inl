// SPDX-License-Identifier: ISC
// Sine, cosine and atan2 on double lanes, for the hop's phase math: written
// once in the vocabulary of the including unit's instruction set (Arch, D).
//
// Each is accurate to a few double ulp, far inside the margin of the guard the
// kernels put around their results (2^8 ulp and more), so a guarded result
// rounds to the float that the C library's result rounds to. They are cheaper
// than general-purpose vector functions because the hop's arguments are
// bounded: sine and cosine take |x| <= 2^19 (the kernels send longer phases to
// the C library). atan2 gives the C library's angles at the four zeros; a NaN
// or an infinity gives a result the guard rejects, or the exact answer.

#include <bit>
#include <cfloat>
#include <cstddef>
#include <iterator>

namespace {

using I64 = simd::batch<int64_t, Arch>;

// pi / 2 in three parts. The first two have 33 significant bits, so their
// products with a quadrant number below 2^20 are exact, and the reduced
// argument loses nothing to cancellation.
constexpr double kHalfPi1 = 0x1.921fb544p+0;
constexpr double kHalfPi2 = 0x1.0b4611a6p-34;
constexpr double kHalfPi3 = 0x1.3198a2e037073p-69;
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
// Adding 1.5 x 2^52 rounds a double below 2^51 to an integer, which then sits
// in the sum's low mantissa bits.
constexpr double kIntegerShift = 0x1.8p+52;

// The polynomials P of sin r = r + r z P(z), cos r = 1 + z P(z) (z = r^2) and
// atan q = q + q s P(s) (s = q^2): the Taylor series of each P, economised by
// its Chebyshev expansion over the arguments it gets (z <= 0.62, just beyond
// (pi / 4)^2; s <= 0.1716, just beyond tan(pi / 8)^2). The terms dropped sum
// to less than 3e-18 for the sine, 3e-19 for the cosine and 4e-17 for the
// arctangent, each scaled down by z or s in the result.
constexpr double kSine[] = {-0x1.5555555555555p-3, 0x1.1111111110b8fp-7,   -0x1.a01a019e7b6e5p-13,
                            0x1.71de378bddf32p-19, -0x1.ae5fffe70fe87p-26, 0x1.5e071b1c42825p-33};
constexpr double kCosine[] = {-0x1p-1,
                              0x1.5555555555551p-5,
                              -0x1.6c16c16c15d1ap-10,
                              0x1.a01a019dd59ebp-16,
                              -0x1.27e4f8da99a19p-22,
                              0x1.1eea7734f8c13p-29,
                              -0x1.8ff528474ad83p-37};
constexpr double kArctangent[] = {
    -0x1.5555555555555p-2, 0x1.9999999999378p-3, -0x1.2492492438318p-3, 0x1.c71c71866f04cp-4,
    -0x1.745d0b55751c9p-4, 0x1.3b1266ccdc117p-4, -0x1.10faa94d9e8ddp-4, 0x1.dfe970a311ff9p-5,
    -0x1.a0a91d6d32cddp-5, 0x1.418cf8315230bp-5, -0x1.3a936f21b6a2fp-6};
constexpr double kTanEighthPi = 0x1.a827999fcef34p-2;

// The sum of c[first + k] s^k for k < count, by Estrin's scheme (the low
// half of the terms plus s^half times the high half, recursively), which keeps
// the chain of dependent operations short. powers[i] holds s^(2^i).
template <size_t First, size_t Count, size_t N>
[[gnu::always_inline]] inline D Estrin(const D* powers, const double (&c)[N]) {
    if constexpr (Count == 1) {
        return D(c[First]);
    } else {
        constexpr size_t half = std::bit_floor(Count - 1);
        return simd::fma(Estrin<First + half, Count - half>(powers, c),
                         powers[std::countr_zero(half)], Estrin<First, half>(powers, c));
    }
}

// c[0] + s c[1] + s^2 c[2] + ...
template <size_t N> [[gnu::always_inline]] inline D Polynomial(D s, const double (&c)[N]) {
    D powers[std::bit_width(N)];
    powers[0] = s;
    for (size_t i = 1; i < std::size(powers); ++i)
        powers[i] = powers[i - 1] * powers[i - 1];
    return Estrin<0, N>(powers, c);
}

// sin x and cos x for |x| <= 2^19 (NaN for NaN).
inline void SineCosineLanes(D x, D& sine, D& cosine) {
    const D shifted = x * D(kTwoOverPi) + D(kIntegerShift);
    const D quadrants = shifted - D(kIntegerShift);
    const D r = ((x - quadrants * D(kHalfPi1)) - quadrants * D(kHalfPi2)) - quadrants * D(kHalfPi3);
    const D z = r * r;
    const D s = r + (r * z) * Polynomial(z, kSine);
    const D c = D(1.0) + z * Polynomial(z, kCosine);
    // The quadrant n (mod 4): odd swaps sine and cosine; n = 2, 3 negate the
    // sine, n = 1, 2 the cosine.
    const I64 n = simd::bitwise_cast<I64>(shifted);
    const D odd = simd::bitwise_cast<D>(n << 63); // the sign bit set where n is odd
    sine = SelectBySign(odd, c, s) ^ simd::bitwise_cast<D>((n & I64(2)) << 62);
    cosine = SelectBySign(odd, s, c) ^ simd::bitwise_cast<D>(((n + I64(1)) & I64(2)) << 62);
}

// atan2(y, x), in two steps: the smaller over the larger of |x| and |y|, taken
// from below tan(pi / 8) by one division (Atan2Ratio), then the angle of that
// ratio placed in its octant (Atan2FromRatio), which repeats the comparisons.
struct Octant {
    simd::batch_bool<double, Arch> steep, upper;
    D a, b;
};

inline Octant OctantOf(D y, D x) {
    const D ax = simd::abs(x), ay = simd::abs(y);
    const auto steep = ay > ax;
    // a = steep ? ax : ay and b = steep ? ay : ax, as one instruction each.
    const D a = LesserLanes(ax, ay), b = GreaterLanes(ay, ax);
    return {steep, a > b * D(kTanEighthPi), a, b}; // upper: the angle a / b beyond pi / 8
}

inline D Atan2Ratio(D y, D x) {
    const Octant o = OctantOf(y, x);
    // At (+-0, +-0), 0 / DBL_MIN: the angle 0, placed by the signs as the C
    // library places it (+-0, or +-pi for a negative zero x).
    const D denominator = Select(o.upper, o.a + o.b, o.b);
    return Select(o.upper, o.a - o.b, o.a) / Select(denominator == D(0.0), D(DBL_MIN), denominator);
}

inline D Atan2FromRatio(D y, D x, D q) {
    const Octant o = OctantOf(y, x);
    const D s = q * q;
    D angle = q + (q * s) * Polynomial(s, kArctangent);
    angle = Select(o.upper, D(kPi / 4) + angle, angle);
    angle = Select(o.steep, D(kPi / 2) - angle, angle);
    angle = SelectBySign(x, D(kPi) - angle, angle); // x < 0, or x = -0
    return simd::copysign(angle, y);
}

} // namespace
