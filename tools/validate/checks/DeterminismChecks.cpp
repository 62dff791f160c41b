// SPDX-License-Identifier: ISC
// The validator's determinism group: two instances alike, and the same output
// in other block lengths.
#include "tools/validate/checks/Probes.h"
#include "tools/validate/checks/TestGroups.h"

#include <cstring>
#include <random>

namespace {

std::vector<float> RenderWithSettings(TestContext& ctx, uint32_t settingsSeed,
                                      const std::vector<int32_t>& lengths,
                                      std::optional<Fault>& fault) {
    PluginInstance instance(ctx.module(), kDefaultRate, DeclaredBlockSize(ctx));
    ctx.random.seed(settingsSeed);
    RandomSettings(ctx, instance);
    instance.resume();
    std::vector<float> kept;
    int64_t offset = 0;
    constexpr auto kTotal = static_cast<int64_t>(2 * kDefaultRate);
    for (size_t n = 0; offset < kTotal; ++n) {
        const auto length =
            static_cast<int32_t>(std::min<int64_t>(lengths[n % lengths.size()], kTotal - offset));
        Blocks blocks(instance, length);
        fault = ProcessBlock(ctx, instance, blocks, length, Signal::Noise, offset, kDefaultRate);
        if (fault) return kept;
        if (blocks.out.count() > 0)
            kept.insert(kept.end(), blocks.out.channel(0), blocks.out.channel(0) + length);
        offset += length;
    }
    return kept;
}

int64_t FirstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) return static_cast<int64_t>(i);
    return a.size() == b.size() ? -1 : static_cast<int64_t>(n);
}

Outcome TwoInstances(TestContext& ctx) {
    const uint32_t seed = ctx.options.seed * 7919u + 1;
    std::optional<Fault> fault;
    const std::vector<float> first = RenderWithSettings(ctx, seed, {kBlock}, fault);
    if (fault) return Fail(*fault);
    const std::vector<float> second = RenderWithSettings(ctx, seed, {kBlock}, fault);
    if (fault) return Fail(*fault);
    if (const int64_t at = FirstDifference(first, second); at >= 0)
        return Fail("two fresh instances with the same settings and input differ from sample " +
                    std::to_string(at));
    return Pass();
}

Outcome BlockInvariance(TestContext& ctx) {
    const uint32_t seed = ctx.options.seed * 7919u + 2;
    std::optional<Fault> fault;
    const std::vector<float> whole = RenderWithSettings(ctx, seed, {kBlock}, fault);
    if (fault) return Fail(*fault);
    std::uniform_int_distribution<int32_t> any(1, DeclaredBlockSize(ctx));
    std::vector<int32_t> lengths = {1, 7, 4096, 255, 333};
    for (int n = 0; n < 20; ++n)
        lengths.push_back(any(ctx.random));
    const std::vector<float> cut = RenderWithSettings(ctx, seed, lengths, fault);
    if (fault) return Fail(*fault);
    if (const int64_t at = FirstDifference(whole, cut); at >= 0)
        return Warn("rendering in other block lengths changes the output from sample " +
                    std::to_string(at));
    return Pass();
}

} // namespace

TestGroup DeterminismChecks() {
    return {"determinism",
            4,
            {{"determinism.instances", TwoInstances}, {"determinism.blocks", BlockInvariance}}};
}
