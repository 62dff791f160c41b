// The vector passes of the transform, written once for any vector width: a
// translation unit includes its instruction set's SimdArch header, then this.
// They perform the reference pass's operations in the same order, lane by lane:
// each butterfly's sums and differences are float operations, and each
// two-product expression is evaluated in double (the products of two floats are
// exact there) and rounded once to float, as the reference does. W butterflies
// of one block run side by side; the values the layout stores in descending
// order are loaded and stored through a lane reversal.

namespace {

constexpr int32_t W = static_cast<int32_t>(F::size);

inline F Load(const float* p) { return F::load_unaligned(p); }
inline void Store(float* p, F v) { v.store_unaligned(p); }

inline F DotDifference(F a, F b, F c, F d) {
    return Narrow(WidenLow(a) * WidenLow(b) - WidenLow(c) * WidenLow(d),
                  WidenHigh(a) * WidenHigh(b) - WidenHigh(c) * WidenHigh(d));
}

inline F DotSum(F a, F b, F c, F d) {
    return Narrow(WidenLow(a) * WidenLow(b) + WidenLow(c) * WidenLow(d),
                  WidenHigh(a) * WidenHigh(b) + WidenHigh(c) * WidenHigh(d));
}

inline float ScalarDotDifference(float a, float b, float c, float d) {
    return static_cast<float>(static_cast<double>(a) * b - static_cast<double>(c) * d);
}

inline float ScalarDotSum(float a, float b, float c, float d) {
    return static_cast<float>(static_cast<double>(a) * b + static_cast<double>(c) * d);
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
        int32_t i = 1;
        for (; i + W <= h; i += W) {
            const F co = Load(cosine + i);
            const F si = Reverse(Load(cosine + h - i - (W - 1))); // lane k: entry h - i - k
            const F sb = Load(S + b + i), sbh = Load(S + b + h + i);
            const F sa = Load(S + a + i), sah = Load(S + a + h + i);
            const F v = DotDifference(sb, co, sbh, si);
            Store(D + a + i, sa + v);
            Store(D + b - i - (W - 1), Reverse(sa - v));
            const F w = DotSum(sb, si, sbh, co);
            Store(D + b + i, w + sah);
            Store(D + b + m - i - (W - 1), Reverse(w - sah));
        }
        for (; i < h; ++i) {
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
        int32_t i = 1;
        for (; i + W <= h; i += W) {
            const F co = Load(cosine + i);
            const F si = Reverse(Load(cosine + h - i - (W - 1)));
            const F sa = Load(S + a + i), sb = Load(S + b + i);
            const F sbi = Reverse(Load(S + b - i - (W - 1)));     // lane k: S[b - i - k]
            const F sbm = Reverse(Load(S + b + m - i - (W - 1))); // lane k: S[b + m - i - k]
            Store(D + a + i, sa + sbi);
            Store(D + a + h + i, sb - sbm);
            const F vr = sa - sbi;
            const F vi = sb + sbm;
            Store(D + b + i, DotSum(vr, co, vi, si));
            Store(D + b + h + i, DotDifference(vi, co, vr, si));
        }
        for (; i < h; ++i) {
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

} // namespace
