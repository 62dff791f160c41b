// The AVX2 build of the transform's vector passes (compiled with -mavx2 -mfma
// -ffp-contract=off, and called only on CPUs that have both).
#include "dsp/FftKernels.h"
#include "dsp/FftKernels.inl"
#include "dsp/SimdArch_avx2.h"

const FftKernels& Avx2FftKernels() {
    static const FftKernels kernels{ForwardPassVector, InversePassVector};
    return kernels;
}
