// SPDX-License-Identifier: ISC
// The validator's realtime group: heap allocations on the audio thread, and
// block times with normal and subnormal input.
#include "tools/validate/AllocationCounter.h"
#include "tools/validate/checks/Probes.h"
#include "tools/validate/checks/TestGroups.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>

namespace {

// The heap allocations and frees a call made on the audio thread.
Fault Allocated(uint64_t made, const std::string& call) {
    return {Fault::Kind::Allocated, call, std::to_string(made) + " heap allocations or frees"};
}

Outcome AudioThreadAllocations(TestContext& ctx) {
    if (!AllocationCounter::Available())
        return Warn("allocations are not counted in this build of the validator (a sanitizer "
                    "replaces the allocator)");
    PluginInstance instance(ctx.module(), kDefaultRate, kBlock);
    RandomSettings(ctx, instance);
    instance.resume();
    AEffect* e = &instance.record();
    Blocks blocks(instance, kBlock);
    const int32_t count = TestedParameters(instance);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int n = 0; n < 200; ++n) {
        Generate(Signal::Noise, blocks.in.count() ? blocks.in.channel(0) : nullptr,
                 blocks.in.count() ? kBlock : 0, n * kBlock, kDefaultRate, 1);
        const std::string process =
            "processReplacing (block length 512, call " + std::to_string(n + 1) + " after resume)";
        ctx.call(process);
        AllocationCounter::Begin();
        if (e->processReplacing)
            e->processReplacing(e, blocks.in.pointers(), blocks.out.pointers(), kBlock);
        else
            e->process(e, blocks.in.pointers(), blocks.out.pointers(), kBlock);
        if (const uint64_t made = AllocationCounter::End()) return Fail(Allocated(made, process));
        if (count == 0) continue;
        const auto i = static_cast<int32_t>(n % count);
        const float value = unit(ctx.random);
        const std::string call =
            "setParameter (index " + std::to_string(i) + ", value " + Number(value) + ")";
        ctx.call(call);
        AllocationCounter::Begin();
        e->setParameter(e, i, value);
        if (const uint64_t made = AllocationCounter::End()) return Fail(Allocated(made, call));
        const std::string get = "getParameter (index " + std::to_string(i) + ")";
        ctx.call(get);
        AllocationCounter::Begin();
        (void)e->getParameter(e, i);
        if (const uint64_t made = AllocationCounter::End()) return Fail(Allocated(made, get));
    }
    return Pass();
}

// Median and worst time of a 256-sample block of the signal, in microseconds.
std::pair<double, double> BlockTimes(TestContext& ctx, PluginInstance& instance, Signal signal) {
    Blocks blocks(instance, 256);
    AEffect* e = &instance.record();
    std::vector<double> times;
    for (int n = 0; n < 450; ++n) {
        for (int32_t c = 0; c < blocks.in.count(); ++c)
            Generate(signal, blocks.in.channel(c), 256, n * 256, kDefaultRate,
                     static_cast<uint32_t>(c + 1));
        ctx.call(std::string("processReplacing (block length 256, ") + SignalName(signal) + ")");
        const auto start = std::chrono::steady_clock::now();
        if (e->processReplacing)
            e->processReplacing(e, blocks.in.pointers(), blocks.out.pointers(), 256);
        else
            e->process(e, blocks.in.pointers(), blocks.out.pointers(), 256);
        const std::chrono::duration<double, std::micro> took =
            std::chrono::steady_clock::now() - start;
        if (n >= 50) times.push_back(took.count()); // after the first revolutions of any buffers
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

Outcome BlockTiming(TestContext& ctx) {
    PluginInstance instance(ctx.module(), kDefaultRate, kBlock);
    instance.resume();
    const auto [median, worst] = BlockTimes(ctx, instance, Signal::Noise);
    const auto [subMedian, subWorst] = BlockTimes(ctx, instance, Signal::Subnormal);
    const double ratio = subMedian / std::max(median, 1e-3);
    const std::string figures = "256-sample block: median " + Number(std::round(median * 10) / 10) +
                                " us, worst " + Number(std::round(worst * 10) / 10) +
                                " us; with subnormal input median " +
                                Number(std::round(subMedian * 10) / 10) + " us, worst " +
                                Number(std::round(subWorst * 10) / 10) + " us (" +
                                Number(std::round(ratio * 100) / 100) + "x)";
    if (ratio > 10) return Warn("subnormal input is more than 10x slower: " + figures);
    return Pass(figures);
}

} // namespace

TestGroup RealtimeChecks() {
    return {"realtime",
            5,
            {{"realtime.allocations", AudioThreadAllocations}, {"realtime.timing", BlockTiming}}};
}
