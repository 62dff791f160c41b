// SPDX-License-Identifier: ISC
// The vocabulary of the WebAssembly vector kernels: float vectors of 4 lanes,
// double vectors of 2, in the compiler's generic vector types (SimdBatch128.h).
// Built with -msimd128 they become WebAssembly's 128-bit SIMD; a native build
// compiles the same source to its own instructions, so that the native tests
// compare these kernels with the reference as well. The conversions between
// floats, doubles and integers, which clang lowers lane by lane from the
// generic form, take simd128's own instructions there. Included by the
// *_wasm.cpp units only; everything here has internal linkage.
#pragma once

#include "dsp/SimdBatch128.h"

#include <bit>
#include <cstddef>
#include <cstdint>

namespace {

struct Wasm128 {};
using Arch = Wasm128;
using F = simd::batch<float, Arch>;
using D = simd::batch<double, Arch>;
using FloatLanes = simd::Lanes<float>::type;
using DoubleLanes = simd::Lanes<double>::type;
using LongLanes = simd::Lanes<int64_t>::type;

// The low and high halves of a float vector, exactly, as doubles.
inline DoubleLanes WidenLowLanes(FloatLanes v) {
    return __builtin_convertvector(__builtin_shufflevector(v, v, 0, 1), DoubleLanes);
}
// With SIMD, the high half is moved down by a whole-vector shuffle: the
// generic form leaves the shuffle's unused lanes undefined, which clang 14
// encodes as a byte shuffle the engines can only run with a table of bytes
// they build on every call, where a shuffle of 32-bit lanes takes one
// instruction.
inline DoubleLanes WidenHighLanes(FloatLanes v) {
#if defined(__wasm_simd128__)
    const v128_t lanes = std::bit_cast<v128_t>(v);
    return std::bit_cast<DoubleLanes>(
        wasm_f64x2_promote_low_f32x4(wasm_i32x4_shuffle(lanes, lanes, 2, 3, 2, 3)));
#else
    return __builtin_convertvector(__builtin_shufflevector(v, v, 2, 3), DoubleLanes);
#endif
}

// Rounds two double vectors to one float vector (low half from `low`).
inline FloatLanes NarrowLanes(DoubleLanes low, DoubleLanes high) {
#if defined(__wasm_simd128__)
    const v128_t l = wasm_f32x4_demote_f64x2_zero(std::bit_cast<v128_t>(low));
    const v128_t h = wasm_f32x4_demote_f64x2_zero(std::bit_cast<v128_t>(high));
    const v128_t both = wasm_i64x2_shuffle(l, h, 0, 2);
    return std::bit_cast<FloatLanes>(both);
#else
    return FloatLanes{static_cast<float>(low[0]), static_cast<float>(low[1]),
                      static_cast<float>(high[0]), static_cast<float>(high[1])};
#endif
}

inline D WidenLow(F v) { return WidenLowLanes(v.v); }
inline D WidenHigh(F v) { return WidenHighLanes(v.v); }
inline F Narrow(D low, D high) { return NarrowLanes(low.v, high.v); }

// Lanes of `yes` where `signs` has its sign bit set, of `no` elsewhere.
inline D SelectBySign(D signs, D yes, D no) {
    return simd::select(simd::batch_bool<double, Arch>{signs.bits() >> 63}, yes, no);
}

// Lanes of `yes` where `mask` holds, of `no` elsewhere.
template <class T>
inline simd::batch<T, Arch> Select(simd::batch_bool<T, Arch> mask, simd::batch<T, Arch> yes,
                                   simd::batch<T, Arch> no) {
    return simd::select(mask, yes, no);
}

// Lanes of x where x < y, of y elsewhere (where they are equal or either is
// NaN), as x86's minimum; with SIMD, the pseudo-minimum pmin(y, x), which is
// exactly that comparison and one instruction in the engines, where a select
// takes three.
inline D LesserLanes(D x, D y) {
#if defined(__wasm_simd128__)
    return std::bit_cast<DoubleLanes>(
        wasm_f64x2_pmin(std::bit_cast<v128_t>(y.v), std::bit_cast<v128_t>(x.v)));
#else
    return Select(x < y, x, y);
#endif
}
// Lanes of x where x > y, of y elsewhere: pmax(y, x).
inline D GreaterLanes(D x, D y) {
#if defined(__wasm_simd128__)
    return std::bit_cast<DoubleLanes>(
        wasm_f64x2_pmax(std::bit_cast<v128_t>(y.v), std::bit_cast<v128_t>(x.v)));
#else
    return Select(x > y, x, y);
#endif
}

// Doubles truncated to integers, an odd one moved a step away from zero (valid
// where |x| < 2^30). With SIMD, in doubles: q - 2 trunc(q / 2) is q's parity
// with q's sign, and every step is exact at these magnitudes.
inline D TruncatedToEven(D x) {
#if defined(__wasm_simd128__)
    const v128_t q = wasm_f64x2_trunc(std::bit_cast<v128_t>(x.v));
    const v128_t half = wasm_f64x2_trunc(wasm_f64x2_mul(q, wasm_f64x2_splat(0.5)));
    const v128_t odd = wasm_f64x2_sub(q, wasm_f64x2_add(half, half));
    return std::bit_cast<DoubleLanes>(wasm_f64x2_add(q, odd));
#else
    const LongLanes q = {static_cast<int32_t>(x.v[0]), static_cast<int32_t>(x.v[1])};
    const LongLanes odd = q & 1, sign = q >> 63;
    return __builtin_convertvector(q + ((odd ^ sign) - sign), DoubleLanes);
#endif
}

// The engine's fast square root on every lane: the bit pattern's offset from
// the bias halved, ties to even (see FastSqrt).
inline F FastSqrtLanes(F x) {
    using Bits = simd::Lanes<float>::bits;
    const Bits t = x.bits() - 0x3F77AB65;
    Bits h = t >> 1;
    h += t & h & 1;
    return F::FromBits(h + 0x3F77AB65);
}

// Four float lanes for the transform's passes (the widest vectors here).
struct V4 {
    using F = FloatLanes;
    using D = DoubleLanes;
    static constexpr int32_t size = 4;
    static F Load(const float* p) { return simd::batch<float, Arch>::load_unaligned(p); }
    static void Store(float* p, F v) { simd::batch<float, Arch>(v).store_unaligned(p); }
    static F Reverse(F v) { return __builtin_shufflevector(v, v, 3, 2, 1, 0); }
    static D Low(F v) { return WidenLowLanes(v); }
    static D High(F v) { return WidenHighLanes(v); }
    static F Narrow(D low, D high) { return NarrowLanes(low, high); }
    static F Broadcast(float v) { return simd::batch<float, Arch>::Splat(v); }
    static void LoadTwiddleHalves(const double* p, D& low, D& high) {
        low = simd::batch<double, Arch>::load_unaligned(p);
        high = simd::batch<double, Arch>::load_unaligned(p + 2);
    }
    static constexpr bool pairsBlocks = false;
    static constexpr int32_t blocks = 1;
    // a b - c d and a b + c d: two products and their sum, each rounded, as the
    // reference's double expressions.
    static D ProductsDifference(D a, D b, D c, D d) { return a * b - c * d; }
    static D ProductsSum(D a, D b, D c, D d) { return a * b + c * d; }
    // rows[k] lane l becomes rows[l] lane k.
    static void Transpose(F* r) {
        const F t0 = __builtin_shufflevector(r[0], r[1], 0, 4, 1, 5);
        const F t1 = __builtin_shufflevector(r[0], r[1], 2, 6, 3, 7);
        const F t2 = __builtin_shufflevector(r[2], r[3], 0, 4, 1, 5);
        const F t3 = __builtin_shufflevector(r[2], r[3], 2, 6, 3, 7);
        r[0] = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
        r[1] = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
        r[2] = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
        r[3] = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
    }
};

} // namespace
