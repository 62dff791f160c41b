// SPDX-License-Identifier: ISC
#include "dsp/SimdLevel.h"

bool SimdLevelAvailable(SimdLevel level) {
    switch (level) {
    case SimdLevel::Reference:
    case SimdLevel::Wasm128:
    case SimdLevel::Best:
        return true;
#if defined(TAPESTRUM_HAVE_SIMD)
    case SimdLevel::Sse2:
        return true;
    case SimdLevel::Avx2:
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#endif
    default:
        return false;
    }
}

SimdLevel ResolveSimdLevel(SimdLevel wanted) {
#if defined(__wasm_simd128__)
    if (wanted == SimdLevel::Best) return SimdLevel::Wasm128;
#endif
    if (wanted == SimdLevel::Best || (wanted == SimdLevel::Avx2 && !SimdLevelAvailable(wanted)))
        wanted = SimdLevelAvailable(SimdLevel::Avx2) ? SimdLevel::Avx2 : SimdLevel::Sse2;
    if (!SimdLevelAvailable(wanted)) wanted = SimdLevel::Reference;
    return wanted;
}

const char* SimdLevelName(SimdLevel level) {
    switch (level) {
    case SimdLevel::Reference:
        return "reference";
    case SimdLevel::Sse2:
        return "sse2";
    case SimdLevel::Avx2:
        return "avx2";
    case SimdLevel::Wasm128:
        return "wasm128";
    default:
        return "best";
    }
}
