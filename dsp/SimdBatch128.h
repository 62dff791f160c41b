// SPDX-License-Identifier: ISC
// 128-bit vectors in the compiler's generic vector types, for the WebAssembly
// kernels: the part of xsimd's interface the engine's kernels use (batch,
// batch_bool and the functions on them), in a namespace `simd` that the x86
// vocabularies make an alias of xsimd. xsimd has no WebAssembly architecture;
// the compiler lowers these operations to simd128 instructions there, and to
// SSE2 or scalar code in a native build, which runs the same source in the
// tests. Every operation is the IEEE operation lane by lane; the units are
// built with -ffp-contract=off, so a product and a sum stay two roundings.
// Everything here has internal linkage, as in the other vocabularies.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#if defined(__wasm_simd128__)
#include <wasm_simd128.h>
#endif

namespace {
namespace simd {

// The lanes of a 128-bit vector of T, and integer lanes of T's width (masks and
// bit patterns).
template <class T> struct Lanes;
template <> struct Lanes<float> {
    typedef float type __attribute__((vector_size(16)));
    typedef int32_t bits __attribute__((vector_size(16)));
};
template <> struct Lanes<double> {
    typedef double type __attribute__((vector_size(16)));
    typedef int64_t bits __attribute__((vector_size(16)));
};
template <> struct Lanes<int32_t> {
    typedef int32_t type __attribute__((vector_size(16)));
    typedef int32_t bits __attribute__((vector_size(16)));
};
template <> struct Lanes<int64_t> {
    typedef int64_t type __attribute__((vector_size(16)));
    typedef int64_t bits __attribute__((vector_size(16)));
};

// A lane's every bit set where the condition holds, none elsewhere.
template <class T, class A> struct batch_bool {
    using Bits = typename Lanes<T>::bits;
    Bits mask;
    friend batch_bool operator&&(batch_bool a, batch_bool b) { return {a.mask & b.mask}; }
    friend batch_bool operator||(batch_bool a, batch_bool b) { return {a.mask | b.mask}; }
};

template <class T, class A> struct batch {
    using Vector = typename Lanes<T>::type;
    using Bits = typename Lanes<T>::bits;
    using Bool = batch_bool<T, A>;
    static constexpr std::size_t size = 16 / sizeof(T);
    Vector v;

    batch() = default;
    batch(T value) : v(Splat(value)) {}
    batch(Vector lanes) : v(lanes) {}
    operator Vector() const { return v; }

    static batch load_unaligned(const T* p) {
        Vector lanes;
        std::memcpy(&lanes, p, sizeof lanes);
        return lanes;
    }
    static batch load_aligned(const T* p) { return load_unaligned(p); }
    void store_unaligned(T* p) const { std::memcpy(p, &v, sizeof v); }
    void store_aligned(T* p) const { store_unaligned(p); }

    // Every lane `value` (a sum with zeros would lose the sign of -0).
    static Vector Splat(T value) {
        if constexpr (size == 4)
            return Vector{value, value, value, value};
        else
            return Vector{value, value};
    }
    Bits bits() const { return std::bit_cast<Bits>(v); }
    static batch FromBits(Bits b) { return std::bit_cast<Vector>(b); }

    batch& operator+=(batch o) { return *this = v + o.v; }
    friend batch operator-(batch a) { return -a.v; }
    friend batch operator+(batch a, batch b) { return a.v + b.v; }
    friend batch operator-(batch a, batch b) { return a.v - b.v; }
    friend batch operator*(batch a, batch b) { return a.v * b.v; }
    friend batch operator/(batch a, batch b) { return a.v / b.v; }
    friend batch operator&(batch a, batch b) { return FromBits(a.bits() & b.bits()); }
    friend batch operator|(batch a, batch b) { return FromBits(a.bits() | b.bits()); }
    friend batch operator^(batch a, batch b) { return FromBits(a.bits() ^ b.bits()); }
    friend batch operator<<(batch a, int32_t count) { return FromBits(a.bits() << count); }
    friend Bool operator==(batch a, batch b) { return {Bits(a.v == b.v)}; }
    friend Bool operator!=(batch a, batch b) { return {Bits(a.v != b.v)}; }
    friend Bool operator<(batch a, batch b) { return {Bits(a.v < b.v)}; }
    friend Bool operator<=(batch a, batch b) { return {Bits(a.v <= b.v)}; }
    friend Bool operator>(batch a, batch b) { return {Bits(a.v > b.v)}; }
};

template <class T, class A> inline batch<T, A> SignBits() { return batch<T, A>(T(-0.0)); }

template <class T, class A>
inline batch<T, A> select(batch_bool<T, A> mask, batch<T, A> yes, batch<T, A> no) {
    return batch<T, A>::FromBits((mask.mask & yes.bits()) | (~mask.mask & no.bits()));
}

template <class T, class A> inline batch<T, A> abs(batch<T, A> x) {
    return batch<T, A>::FromBits(x.bits() & ~SignBits<T, A>().bits());
}

template <class T, class A> inline batch<T, A> copysign(batch<T, A> x, batch<T, A> y) {
    const auto sign = SignBits<T, A>().bits();
    return batch<T, A>::FromBits((x.bits() & ~sign) | (y.bits() & sign));
}

// Two roundings: the kernels call it only where the product is exact, or where
// their guard absorbs the difference.
template <class T, class A> inline batch<T, A> fma(batch<T, A> x, batch<T, A> y, batch<T, A> z) {
    return x * y + z;
}

// x - x is 0 for a finite x, NaN for an infinity or a NaN.
template <class T, class A> inline batch_bool<T, A> isfinite(batch<T, A> x) {
    return x - x == batch<T, A>(T(0));
}

template <class T, class A> inline bool any(batch_bool<T, A> b) {
#if defined(__wasm_simd128__)
    return wasm_v128_any_true(std::bit_cast<v128_t>(b.mask));
#else
    for (std::size_t k = 0; k < batch<T, A>::size; ++k)
        if (b.mask[k] != 0) return true;
    return false;
#endif
}

template <class T, class A> inline bool all(batch_bool<T, A> b) {
#if defined(__wasm_simd128__)
    const auto lanes = std::bit_cast<v128_t>(b.mask);
    return sizeof(T) == 8 ? wasm_i64x2_all_true(lanes) : wasm_i32x4_all_true(lanes);
#else
    for (std::size_t k = 0; k < batch<T, A>::size; ++k)
        if (b.mask[k] == 0) return false;
    return true;
#endif
}

template <class To, class T, class A> inline To bitwise_cast(batch<T, A> x) {
    return std::bit_cast<typename To::Vector>(x.v);
}

} // namespace simd
} // namespace
