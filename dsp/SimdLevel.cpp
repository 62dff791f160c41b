// SPDX-License-Identifier: ISC
#include "dsp/SimdLevel.h"

bool SimdLevelAvailable(SimdLevel level) {
    switch (level) {
    case SimdLevel::Reference:
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
    default:
        return "best";
    }
}
