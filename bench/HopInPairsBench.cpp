// SPDX-License-Identifier: ISC
// The engine's hop measured in FFTW pairs: the time of one hop with the gate
// open and with it closed, each over the time of FFTW's float real forward and
// inverse transforms of 1024 points, all timed in the same process, in rounds
// that alternate the three, keeping each one's fastest round. On a loaded
// machine the ratios hold far steadier than the times. The plans are
// FFTW_PATIENT: a quicker planner's choice varies more from run to run, and
// the yardstick with it. Beside the ratios, the real-time factor of the
// open-gate hop at 44.1 kHz.
#include "engine/DelayVoc.h"

#include "BenchSignals.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <fftw3.h>
#include <limits>
#include <vector>

namespace {

constexpr int32_t kHop = TDelayVoc::HopLength;
constexpr int32_t kRoundCalls = 32; // hops or pairs per timed round
constexpr double kRate = 44100.0;

// r2c of a fixed frame into the spectrum, c2r of the spectrum back: the c2r
// overwrites the spectrum, which the next r2c writes again.
class FftwPair {
  public:
    FftwPair()
        : signal(fftwf_alloc_real(1024)), back(fftwf_alloc_real(1024)),
          spectrum(fftwf_alloc_complex(513)),
          forward(fftwf_plan_dft_r2c_1d(1024, signal, spectrum, FFTW_PATIENT)),
          inverse(fftwf_plan_dft_c2r_1d(1024, spectrum, back, FFTW_PATIENT)) {
        const std::vector<float> frame = UniformNoise(1024, 0.5f, 3);
        std::copy(frame.begin(), frame.end(), signal);
    }
    ~FftwPair() {
        fftwf_destroy_plan(inverse);
        fftwf_destroy_plan(forward);
        fftwf_free(spectrum);
        fftwf_free(back);
        fftwf_free(signal);
    }
    FftwPair(const FftwPair&) = delete;
    FftwPair& operator=(const FftwPair&) = delete;

    void Run() {
        fftwf_execute(forward);
        fftwf_execute(inverse);
        benchmark::DoNotOptimize(back);
        benchmark::ClobberMemory();
    }

  private:
    float* signal;
    float* back;
    fftwf_complex* spectrum;
    fftwf_plan forward, inverse;
};

// An engine fed noise a hop at a time; its gate open or shut for good.
class HopRunner {
  public:
    HopRunner(SimdLevel level, bool gateOpen)
        : engine(level), input(UniformNoise(kHop * 64, 0.5f, 3)), output(kHop) {
        engine.SetSampleRate(static_cast<float>(kRate));
        engine.SetThreshold(gateOpen ? 0.0f : 1e30f);
        engine.SetDelay(100);
    }
    void Run() {
        engine.Process(input.data() + (hop++ % 64) * kHop, output.data(), kHop);
        benchmark::DoNotOptimize(output.data());
    }
    SimdLevel Simd() const { return engine.Simd(); }

  private:
    TDelayVoc engine;
    std::vector<float> input;
    std::vector<float> output;
    size_t hop = 0;
};

// Seconds per call of the fastest round so far, folded into `best`.
template <class Runner> void TimeRound(Runner& runner, double& best) {
    const auto start = std::chrono::steady_clock::now();
    for (int32_t i = 0; i < kRoundCalls; ++i)
        runner.Run();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    best = std::min(best, elapsed.count() / kRoundCalls);
}

void HopInFftwPairs(benchmark::State& state) {
    const auto level = static_cast<SimdLevel>(state.range(0));
    if (!SimdLevelAvailable(level)) return state.SkipWithError("not on this CPU");
    HopRunner open(level, true), closed(level, false);
    FftwPair pair;
    // Warm every path (the engine's first hops fill its buffers).
    for (int32_t i = 0; i < 8; ++i) {
        open.Run();
        closed.Run();
        pair.Run();
    }
    constexpr double kNever = std::numeric_limits<double>::infinity();
    double openHop = kNever, closedHop = kNever, pairTime = kNever;
    for (auto _ : state) {
        TimeRound(open, openHop);
        TimeRound(closed, closedHop);
        TimeRound(pair, pairTime);
    }
    state.counters["gate_open_pairs"] = openHop / pairTime;
    state.counters["gate_closed_pairs"] = closedHop / pairTime;
    state.counters["fftw_pair_ns"] = pairTime * 1e9;
    state.counters["realtime_factor"] = kHop / kRate / openHop;
    state.SetLabel(SimdLevelName(open.Simd()));
}
BENCHMARK(HopInFftwPairs)
    ->Arg(static_cast<int>(SimdLevel::Reference))
    ->Arg(static_cast<int>(SimdLevel::Sse2))
    ->Arg(static_cast<int>(SimdLevel::Avx2))
    ->Arg(static_cast<int>(SimdLevel::Wasm128));

} // namespace
