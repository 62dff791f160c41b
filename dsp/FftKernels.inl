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

namespace {

inline float ScalarDotDifference(float a, float b, float c, float d) {
    return static_cast<float>(static_cast<double>(a) * b - static_cast<double>(c) * d);
}

inline float ScalarDotSum(float a, float b, float c, float d) {
    return static_cast<float>(static_cast<double>(a) * b + static_cast<double>(c) * d);
}

template <class V>
inline typename V::F DotDifference(typename V::F a, typename V::F b, typename V::F c,
                                   typename V::F d) {
    return V::Narrow(V::Low(a) * V::Low(b) - V::Low(c) * V::Low(d),
                     V::High(a) * V::High(b) - V::High(c) * V::High(d));
}

template <class V>
inline typename V::F DotSum(typename V::F a, typename V::F b, typename V::F c, typename V::F d) {
    return V::Narrow(V::Low(a) * V::Low(b) + V::Low(c) * V::Low(d),
                     V::High(a) * V::High(b) + V::High(c) * V::High(d));
}

// Forward butterflies i to i + size - 1 of the block at a (second half at b).
template <class V>
inline void ForwardButterflies(float* D, const float* S, int32_t a, int32_t b, int32_t h, int32_t m,
                               int32_t i, const float* cosine) {
    constexpr int32_t W = V::size;
    using F = typename V::F;
    const F co = V::Load(cosine + i);
    const F si = V::Reverse(V::Load(cosine + h - i - (W - 1))); // lane k: entry h - i - k
    const F sb = V::Load(S + b + i), sbh = V::Load(S + b + h + i);
    const F sa = V::Load(S + a + i), sah = V::Load(S + a + h + i);
    const F v = DotDifference<V>(sb, co, sbh, si);
    V::Store(D + a + i, sa + v);
    V::Store(D + b - i - (W - 1), V::Reverse(sa - v));
    const F w = DotSum<V>(sb, si, sbh, co);
    V::Store(D + b + i, w + sah);
    V::Store(D + b + m - i - (W - 1), V::Reverse(w - sah));
}

template <class V>
inline void InverseButterflies(float* D, const float* S, int32_t a, int32_t b, int32_t h, int32_t m,
                               int32_t i, const float* cosine) {
    constexpr int32_t W = V::size;
    using F = typename V::F;
    const F co = V::Load(cosine + i);
    const F si = V::Reverse(V::Load(cosine + h - i - (W - 1)));
    const F sa = V::Load(S + a + i), sb = V::Load(S + b + i);
    const F sbi = V::Reverse(V::Load(S + b - i - (W - 1)));     // lane k: S[b - i - k]
    const F sbm = V::Reverse(V::Load(S + b + m - i - (W - 1))); // lane k: S[b + m - i - k]
    V::Store(D + a + i, sa + sbi);
    V::Store(D + a + h + i, sb - sbm);
    const F vr = sa - sbi;
    const F vi = sb + sbm;
    V::Store(D + b + i, DotSum<V>(vr, co, vi, si));
    V::Store(D + b + h + i, DotDifference<V>(vi, co, vr, si));
}

// Butterflies 1 to h - 1 of a block, in vectors of V (h - 1 >= V::size).
template <class V, bool Forward>
inline void BlockButterflies(float* D, const float* S, int32_t a, int32_t b, int32_t h, int32_t m,
                             const float* cosine) {
    constexpr int32_t W = V::size;
    for (int32_t i = 1;; i += W) {
        if (i + W > h) i = h - W; // the last vector ends at butterfly h - 1
        if constexpr (Forward)
            ForwardButterflies<V>(D, S, a, b, h, m, i, cosine);
        else
            InverseButterflies<V>(D, S, a, b, h, m, i, cosine);
        if (i + W == h) return;
    }
}

void ForwardPassVector(float* D, const float* S, int32_t length, int32_t level,
                       const float* cosine) {
    const int32_t m = 1 << level;
    const int32_t h = m / 2;
    for (int32_t c = 0; c < length; c += 2 * m) {
        const int32_t a = c;
        const int32_t b = c + m;
        D[a] = S[a] + S[b];
        D[b] = S[a] - S[b];
        D[a + h] = S[a + h];
        D[b + h] = S[b + h];
        if (h - 1 >= Wide::size) {
            BlockButterflies<Wide, true>(D, S, a, b, h, m, cosine);
        } else if (h - 1 >= V4::size) {
            BlockButterflies<V4, true>(D, S, a, b, h, m, cosine);
        } else {
            for (int32_t i = 1; i < h; ++i) {
                const float co = cosine[i];
                const float si = cosine[h - i];
                const float v = ScalarDotDifference(S[b + i], co, S[b + h + i], si);
                D[a + i] = S[a + i] + v;
                D[b - i] = S[a + i] - v;
                const float w = ScalarDotSum(S[b + i], si, S[b + h + i], co);
                D[b + i] = w + S[a + h + i];
                D[b + m - i] = w - S[a + h + i];
            }
        }
    }
}

void InversePassVector(float* D, const float* S, int32_t length, int32_t level,
                       const float* cosine) {
    const int32_t m = 1 << level;
    const int32_t h = m / 2;
    for (int32_t c = 0; c < length; c += 2 * m) {
        const int32_t a = c;
        const int32_t b = c + m;
        D[a] = S[a] + S[b];
        D[b] = S[a] - S[b];
        D[a + h] = 2 * S[a + h];
        D[b + h] = 2 * S[b + h];
        if (h - 1 >= Wide::size) {
            BlockButterflies<Wide, false>(D, S, a, b, h, m, cosine);
        } else if (h - 1 >= V4::size) {
            BlockButterflies<V4, false>(D, S, a, b, h, m, cosine);
        } else {
            for (int32_t i = 1; i < h; ++i) {
                const float co = cosine[i];
                const float si = cosine[h - i];
                D[a + i] = S[a + i] + S[b - i];
                D[a + h + i] = S[b + i] - S[b + m - i];
                const float vr = S[a + i] - S[b - i];
                const float vi = S[b + i] + S[b + m - i];
                D[b + i] = ScalarDotSum(vr, co, vi, si);
                D[b + h + i] = ScalarDotDifference(vi, co, vr, si);
            }
        }
    }
}

} // namespace
