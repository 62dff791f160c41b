// SPDX-License-Identifier: ISC
// The vector passes of the transform, written once for any vector width: a
// translation unit includes its instruction set's SimdArch header, then this,
// and names its widest lane type Wide.
//
// They perform the reference pass's operations in the same order, lane by lane:
// each butterfly's sums and differences are float operations, and each
// two-product expression is evaluated in double (the products of two floats are
// exact there) and rounded once to float, as the reference does. Consecutive
// butterflies of one block run side by side; the values the layout stores in
// descending order are loaded and stored through a lane reversal. Where the
// butterflies of a block do not fill whole vectors, the last vector starts
// early and computes some of them again: every butterfly reads only the source
// array, so the values written twice are the same.

#include <type_traits>

namespace {

// A twiddle factor's lanes as doubles, in the halves V::Low and V::High give.
template <class V> struct Twiddles { typename V::D low, high; };

template <class V> inline Twiddles<V> LoadTwiddles(const double* p) {
    Twiddles<V> t;
    V::LoadTwiddleHalves(p, t.low, t.high);
    return t;
}

// a x - c y and a x + c y, rounded once to float, for twiddles x and y.
template <class V>
inline typename V::F TwiddledDifference(typename V::F a, const Twiddles<V>& x, typename V::F c,
                                        const Twiddles<V>& y) {
    return V::Narrow(V::ProductsDifference(V::Low(a), x.low, V::Low(c), y.low),
                     V::ProductsDifference(V::High(a), x.high, V::High(c), y.high));
}

template <class V>
inline typename V::F TwiddledSum(typename V::F a, const Twiddles<V>& x, typename V::F c,
                                 const Twiddles<V>& y) {
    return V::Narrow(V::ProductsSum(V::Low(a), x.low, V::Low(c), y.low),
                     V::ProductsSum(V::High(a), x.high, V::High(c), y.high));
}

// The forward butterflies 1 to h - 1 of the block at a (second half at b), in
// vectors of V (h - 1 >= V::size); twiddles holds the level's cosines, then
// its sines. Every address is a base fixed for the block plus or minus i.
template <class V, class Half>
inline void ForwardBlock(float* D, const float* S, int32_t a, int32_t b, Half h, int32_t m,
                         const double* twiddles) {
    constexpr ptrdiff_t W = V::size;
    using F = typename V::F;
    const float *sa = S + a, *sah = S + a + h, *sb = S + b, *sbh = S + b + h;
    const double *cosines = twiddles, *sines = twiddles + h;
    float *da = D + a, *db = D + b;
    float *daMirror = D + b - (W - 1), *dbMirror = D + b + m - (W - 1); // stored descending
    const auto butterflies = [&](ptrdiff_t i) {
        const Twiddles<V> co = LoadTwiddles<V>(cosines + i), si = LoadTwiddles<V>(sines + i);
        const F vb = V::Load(sb + i), vbh = V::Load(sbh + i);
        const F va = V::Load(sa + i), vah = V::Load(sah + i);
        const F v = TwiddledDifference<V>(vb, co, vbh, si);
        V::Store(da + i, va + v);
        V::Store(daMirror - i, V::Reverse(va - v));
        const F w = TwiddledSum<V>(vb, si, vbh, co);
        V::Store(db + i, w + vah);
        V::Store(dbMirror - i, V::Reverse(w - vah));
    };
    // Whole vectors, then one that ends at butterfly h - 1 and repeats some.
    for (ptrdiff_t i = 1; i < h - W; i += W)
        butterflies(i);
    butterflies(h - W);
}

template <class V, class Half>
inline void InverseBlock(float* D, const float* S, int32_t a, int32_t b, Half h, int32_t m,
                         const double* twiddles) {
    constexpr ptrdiff_t W = V::size;
    using F = typename V::F;
    const float *sa = S + a, *sb = S + b;
    const float *sbMirror = S + b - (W - 1), *sbmMirror = S + b + m - (W - 1); // read descending
    const double *cosines = twiddles, *sines = twiddles + h;
    float *da = D + a, *dah = D + a + h, *db = D + b, *dbh = D + b + h;
    const auto butterflies = [&](ptrdiff_t i) {
        const Twiddles<V> co = LoadTwiddles<V>(cosines + i), si = LoadTwiddles<V>(sines + i);
        const F va = V::Load(sa + i), vb = V::Load(sb + i);
        const F vbi = V::Reverse(V::Load(sbMirror - i));  // lane k: S[b - i - k]
        const F vbm = V::Reverse(V::Load(sbmMirror - i)); // lane k: S[b + m - i - k]
        V::Store(da + i, va + vbi);
        V::Store(dah + i, vb - vbm);
        const F vr = va - vbi;
        const F vi = vb + vbm;
        V::Store(db + i, TwiddledSum<V>(vr, co, vi, si));
        V::Store(dbh + i, TwiddledDifference<V>(vi, co, vr, si));
    };
    for (ptrdiff_t i = 1; i < h - W; i += W)
        butterflies(i);
    butterflies(h - W);
}

// The first and the last value of each half-block, which take no twiddle factor.
inline void ForwardEdges(float* D, const float* S, int32_t a, int32_t b, int32_t h) {
    D[a] = S[a] + S[b];
    D[b] = S[a] - S[b];
    D[a + h] = S[a + h];
    D[b + h] = S[b + h];
}

inline void InverseEdges(float* D, const float* S, int32_t a, int32_t b, int32_t h) {
    D[a] = S[a] + S[b];
    D[b] = S[a] - S[b];
    D[a + h] = 2 * S[a + h];
    D[b + h] = 2 * S[b + h];
}

template <int32_t N> using Constant = std::integral_constant<int32_t, N>;

// The blocks of one pass in vectors of V (V::blocks blocks side by side). The
// half-block length h is a number, or for the short blocks, where the work of
// each block counts most, a Constant the compiler folds into every address.
template <class V, bool Forward, class Half>
void VectorBlocks(float* D, const float* S, int32_t length, Half h, const double* twiddles) {
    const int32_t m = 2 * h;
    for (int32_t c = 0; c < length; c += 2 * m * V::blocks) {
        for (int32_t k = 0; k < V::blocks; ++k) {
            if constexpr (Forward)
                ForwardEdges(D, S, c + 2 * m * k, c + 2 * m * k + m, h);
            else
                InverseEdges(D, S, c + 2 * m * k, c + 2 * m * k + m, h);
        }
        if constexpr (Forward)
            ForwardBlock<V>(D, S, c, c + m, h, m, twiddles);
        else
            InverseBlock<V>(D, S, c, c + m, h, m, twiddles);
    }
}

// A pass on the widest vectors that serve its blocks.
template <class W, bool Forward>
bool VectorPass(float* D, const float* S, int32_t length, int32_t level, const double* twiddles) {
    const int32_t h = 1 << (level - 1);
    // Where a wide vector holds the butterflies of two level-4 blocks (W::Pair,
    // of four butterflies each), the level-4 pass takes its blocks two at a time.
    if constexpr (W::pairsBlocks) {
        if (level == 4 && length % (4 << level) == 0) {
            VectorBlocks<typename W::Pair, Forward>(D, S, length, Constant<8>{}, twiddles);
            return true;
        }
    }
    if (h - 1 >= W::size) {
        if (level == 5)
            VectorBlocks<W, Forward>(D, S, length, Constant<16>{}, twiddles);
        else if (level == 6)
            VectorBlocks<W, Forward>(D, S, length, Constant<32>{}, twiddles);
        else if (level == 7)
            VectorBlocks<W, Forward>(D, S, length, Constant<64>{}, twiddles);
        else
            VectorBlocks<W, Forward>(D, S, length, h, twiddles);
        return true;
    }
    if (h - 1 >= V4::size) {
        VectorBlocks<V4, Forward>(D, S, length, h, twiddles);
        return true;
    }
    return false;
}

void ForwardPassVector(float* D, const float* S, int32_t length, int32_t level, const float* cosine,
                       const double* twiddles) {
    // Blocks too short for a vector take the reference's loops.
    if (!VectorPass<Wide, true>(D, S, length, level, twiddles))
        ReferenceFftKernels().forwardPass(D, S, length, level, cosine, twiddles);
}

void InversePassVector(float* D, const float* S, int32_t length, int32_t level, const float* cosine,
                       const double* twiddles) {
    if (!VectorPass<Wide, false>(D, S, length, level, twiddles))
        ReferenceFftKernels().inversePass(D, S, length, level, cosine, twiddles);
}

// The first four passes of the forward transform at once: the gather in
// bit-reversed order, the two fused passes, the pass with sqrt(2)/2 and the
// level-3 pass. Entry k of group l (8 values) is x[r[8l + k]] =
// x[rev3(k) N/8 + q] with q the (b-3)-bit reversal of l, so lanes that take
// consecutive q read consecutive signal values; group l and group l + 1 (l
// even) make one 16-value block of the level-3 pass, and their q differ by
// N/16. Every lane performs the reference's operations on its own values; a
// transpose turns the rows back into each block's 16 values.
constexpr int32_t kRev3[8] = {0, 4, 2, 6, 1, 5, 3, 7};

template <class V> inline void Passes1To3(typename V::F* g, typename V::D k2) {
    using F = typename V::F;
    // Passes 1 and 2 on the two quads.
    F d[8];
    for (int32_t quad = 0; quad < 8; quad += 4) {
        const F x0 = g[quad], x1 = g[quad + 1], x2 = g[quad + 2], x3 = g[quad + 3];
        d[quad + 1] = x0 - x1;
        d[quad + 3] = x2 - x3;
        const F s0 = x0 + x1, s2 = x2 + x3;
        d[quad] = s0 + s2;
        d[quad + 2] = s0 - s2;
    }
    // Pass 3.
    g[0] = d[0] + d[4];
    g[4] = d[0] - d[4];
    g[2] = d[2];
    g[6] = d[6];
    const F v = V::Narrow((V::Low(d[5]) - V::Low(d[7])) * k2, (V::High(d[5]) - V::High(d[7])) * k2);
    g[1] = d[1] + v;
    g[3] = d[1] - v;
    const F w = V::Narrow((V::Low(d[5]) + V::Low(d[7])) * k2, (V::High(d[5]) + V::High(d[7])) * k2);
    g[5] = w + d[3];
    g[7] = w - d[3];
}

template <class V>
void ForwardHead(float* out, const float* x, int32_t length, const int32_t* r, const float* cos3,
                 float sqrt2Over2) {
    using F = typename V::F;
    constexpr int32_t W = V::size;
    const int32_t eighth = length / 8, sixteenth = length / 16;
    const typename V::D k2 = V::Low(V::Broadcast(sqrt2Over2));
    // The level-3 pass's twiddle factors, as doubles in every lane.
    Twiddles<V> co[4], si[4];
    for (int32_t i = 1; i < 4; ++i) {
        co[i].low = co[i].high = V::Low(V::Broadcast(cos3[i]));
        si[i].low = si[i].high = V::Low(V::Broadcast(cos3[4 - i]));
    }
    for (int32_t q0 = 0; q0 < sixteenth; q0 += W) {
        F a[8], b[8], o[16];
        for (int32_t k = 0; k < 8; ++k) {
            a[k] = V::Load(x + kRev3[k] * eighth + q0);
            b[k] = V::Load(x + kRev3[k] * eighth + q0 + sixteenth);
        }
        Passes1To3<V>(a, k2);
        Passes1To3<V>(b, k2);
        // The level-3 pass: a is the first half of each block, b the second.
        o[0] = a[0] + b[0];
        o[8] = a[0] - b[0];
        o[4] = a[4];
        o[12] = b[4];
        for (int32_t i = 1; i < 4; ++i) {
            const F v = TwiddledDifference<V>(b[i], co[i], b[4 + i], si[i]);
            o[i] = a[i] + v;
            o[8 - i] = a[i] - v;
            const F w = TwiddledSum<V>(b[i], si[i], b[4 + i], co[i]);
            o[8 + i] = w + a[4 + i];
            o[16 - i] = w - a[4 + i];
        }
        for (int32_t row = 0; row < 16; row += W) {
            V::Transpose(o + row);
            for (int32_t l = 0; l < W; ++l)
                V::Store(out + 8 * r[8 * (q0 + l)] + row, o[row + l]);
        }
    }
}

// The mirror: the level-3 pass, the mirror of pass 3 and those of passes 2 and
// 1, scattering into the signal in bit-reversed order.
template <class V>
void InverseTail(float* x, const float* in, int32_t length, const int32_t* r, const float* cos3,
                 float sqrt2Over2) {
    using F = typename V::F;
    constexpr int32_t W = V::size;
    const int32_t eighth = length / 8, sixteenth = length / 16;
    const typename V::D k2 = V::Low(V::Broadcast(sqrt2Over2));
    const F two = V::Broadcast(2.0f);
    // The level-3 pass's twiddle factors, as doubles in every lane.
    Twiddles<V> co[4], si[4];
    for (int32_t i = 1; i < 4; ++i) {
        co[i].low = co[i].high = V::Low(V::Broadcast(cos3[i]));
        si[i].low = si[i].high = V::Low(V::Broadcast(cos3[4 - i]));
    }
    for (int32_t q0 = 0; q0 < sixteenth; q0 += W) {
        F s[16], t[16];
        for (int32_t row = 0; row < 16; row += W) {
            for (int32_t l = 0; l < W; ++l)
                s[row + l] = V::Load(in + 8 * r[8 * (q0 + l)] + row);
            V::Transpose(s + row);
        }
        // The level-3 pass.
        t[0] = s[0] + s[8];
        t[8] = s[0] - s[8];
        t[4] = two * s[4];
        t[12] = two * s[12];
        for (int32_t i = 1; i < 4; ++i) {
            t[i] = s[i] + s[8 - i];
            t[4 + i] = s[8 + i] - s[16 - i];
            const F vr = s[i] - s[8 - i];
            const F vi = s[8 + i] + s[16 - i];
            t[8 + i] = TwiddledSum<V>(vr, co[i], vi, si[i]);
            t[12 + i] = TwiddledDifference<V>(vi, co[i], vr, si[i]);
        }
        // The mirror of pass 3 and of passes 2 and 1, for each of the two groups.
        for (int32_t group = 0; group < 2; ++group) {
            const F* g = t + 8 * group;
            F e[8];
            e[0] = g[0] + g[4];
            e[4] = g[0] - g[4];
            e[2] = two * g[2];
            e[6] = two * g[6];
            e[1] = g[1] + g[3];
            e[3] = g[5] - g[7];
            const F vr = g[1] - g[3], vi = g[5] + g[7];
            e[5] = V::Narrow((V::Low(vr) + V::Low(vi)) * k2, (V::High(vr) + V::High(vi)) * k2);
            e[7] = V::Narrow((V::Low(vi) - V::Low(vr)) * k2, (V::High(vi) - V::High(vr)) * k2);
            float* base = x + q0 + group * sixteenth;
            for (int32_t quad = 0; quad < 8; quad += 4) {
                const F b0 = e[quad] + e[quad + 2], b2 = e[quad] - e[quad + 2];
                const F b1 = two * e[quad + 1], b3 = two * e[quad + 3];
                V::Store(base + kRev3[quad] * eighth, b0 + b1);
                V::Store(base + kRev3[quad + 1] * eighth, b0 - b1);
                V::Store(base + kRev3[quad + 2] * eighth, b2 + b3);
                V::Store(base + kRev3[quad + 3] * eighth, b2 - b3);
            }
        }
    }
}

// Lengths from 16 x 4 on: vectors of four lanes up to 16 x Wide::size.
constexpr int32_t kShortestFused = 16 * V4::size;

void ForwardHeadVector(float* out, const float* x, int32_t length, const int32_t* r,
                       const float* cos3, float sqrt2Over2) {
    if (length / 16 >= Wide::size)
        ForwardHead<Wide>(out, x, length, r, cos3, sqrt2Over2);
    else
        ForwardHead<V4>(out, x, length, r, cos3, sqrt2Over2);
}

void InverseTailVector(float* x, const float* in, int32_t length, const int32_t* r,
                       const float* cos3, float sqrt2Over2) {
    if (length / 16 >= Wide::size)
        InverseTail<Wide>(x, in, length, r, cos3, sqrt2Over2);
    else
        InverseTail<V4>(x, in, length, r, cos3, sqrt2Over2);
}

} // namespace
