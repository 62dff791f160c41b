// SPDX-License-Identifier: ISC
#include "core/FloatingPointSetup.h"

#include <cstdint>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

void MaskFloatingPointExceptions() {
#if (defined(__i386__) || defined(__x86_64__)) && defined(__GNUC__)
    // Extended-precision math runs on the x87 unit on both x86 flavours.
    uint16_t control = 0;
    __asm__ volatile("fnstcw %0" : "=m"(control));
    control |= 0x3F;
    __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(control));
#endif
#if defined(__SSE__) || defined(__x86_64__)
    constexpr unsigned kAllMasks =
        0x1F80; // invalid, denormal, zero-divide, overflow, underflow, precision
    const unsigned csr = _mm_getcsr();
    if ((csr & kAllMasks) != kAllMasks) _mm_setcsr(csr | kAllMasks);
#endif
}
