// SPDX-License-Identifier: ISC
// The validator's audio group: every block length, both process calls, in-place
// buffers, every sample rate and test signal, and recovery after NaN and
// infinities.
#include "tools/validate/checks/Probes.h"
#include "tools/validate/checks/TestGroups.h"

#include <algorithm>
#include <random>

namespace {

// The rates the audio is tested at: --rate's, or the level's own list.
std::vector<float> SampleRates(const TestContext& ctx) {
    if (!ctx.options.rates.empty()) return ctx.options.rates;
    std::vector<float> rates = {22050, 44100, 48000, 96000, 192000};
    if (ctx.options.level >= 8) rates.insert(rates.end(), {8000, 384000});
    return rates;
}

Outcome BlockLengths(TestContext& ctx, Call call) {
    const int32_t declared = DeclaredBlockSize(ctx);
    PluginInstance instance(ctx.module(), kDefaultRate, declared);
    if (call == Call::Accumulating && !instance.record().process)
        return Pass("the module has no accumulating process call");
    if (call == Call::Replacing && !instance.record().processReplacing)
        return Pass("the module has no processReplacing");
    instance.resume();
    std::vector<int32_t> lengths = {1, 2, 3, 31, 64, 256, 333, 1024, 4096, declared, 0};
    std::uniform_int_distribution<int32_t> any(1, declared);
    for (int n = 0; n < 4 * ctx.options.level; ++n)
        lengths.push_back(any(ctx.random));
    int64_t offset = 0;
    for (const int32_t length : lengths) {
        Blocks blocks(instance, length);
        if (auto fault = ProcessBlock(ctx, instance, blocks, length, Signal::Noise, offset,
                                      kDefaultRate, call))
            return Fail(*fault);
        offset += length;
    }
    return Pass();
}

Outcome ReplacingBlocks(TestContext& ctx) { return BlockLengths(ctx, Call::Replacing); }
Outcome AccumulatingBlocks(TestContext& ctx) { return BlockLengths(ctx, Call::Accumulating); }

Outcome InPlace(TestContext& ctx) {
    PluginInstance inPlace(ctx.module(), kDefaultRate, kBlock),
        apart(ctx.module(), kDefaultRate, kBlock);
    if (inPlace.inputs() < 1 || inPlace.outputs() < 1 || !inPlace.record().processReplacing)
        return Pass("no channels to share");
    inPlace.resume();
    apart.resume();
    const int32_t channels = std::max(inPlace.inputs(), inPlace.outputs());
    GuardedChannels shared(channels, kBlock);
    Blocks separate(apart, kBlock);
    for (int64_t offset = 0; offset < 20 * kBlock; offset += kBlock) {
        for (int32_t c = 0; c < channels; ++c)
            Generate(Signal::Noise, shared.channel(c), kBlock, offset, kDefaultRate,
                     static_cast<uint32_t>(c + 1));
        if (auto fault =
                ProcessBlock(ctx, apart, separate, kBlock, Signal::Noise, offset, kDefaultRate))
            return Fail(*fault);
        ctx.call("processReplacing with the same buffers for input and output (sample " +
                 std::to_string(offset) + ")");
        AEffect* e = &inPlace.record();
        e->processReplacing(e, shared.pointers(), shared.pointers(), kBlock);
        if (const auto broken = shared.brokenGuard())
            return Fail(Fault{Fault::Kind::WroteOutside, "processReplacing in place",
                              "wrote outside the block: " + *broken});
        for (int32_t c = 0; c < inPlace.outputs(); ++c)
            if (!std::equal(shared.channel(c), shared.channel(c) + kBlock, separate.out.channel(c)))
                return Warn(
                    "in-place processing gives other output than separate buffers (channel " +
                    std::to_string(c) + ", from sample " + std::to_string(offset) + ")");
    }
    return Pass();
}

Outcome SampleRatesAndSignals(TestContext& ctx) {
    PluginInstance instance(ctx.module(), kDefaultRate, kBlock);
    instance.resume();
    for (const float rate : SampleRates(ctx)) {
        ctx.call("suspend, effSetSampleRate " + Number(rate) + ", resume");
        instance.changeRate(rate);
        int64_t offset = 0;
        for (const Signal signal :
             {Signal::Silence, Signal::Noise, Signal::Sine, Signal::Dc, Signal::FullScale})
            if (auto fault = Render(ctx, instance, signal, 1.0, rate, kBlock, offset))
                return Fail(*fault);
    }
    return Pass();
}

Outcome RecoveryAfterBadInput(TestContext& ctx) {
    PluginInstance instance(ctx.module(), kDefaultRate, kBlock);
    instance.resume();
    int64_t offset = 0;
    if (auto fault = Render(ctx, instance, Signal::Noise, 0.5, kDefaultRate, kBlock, offset))
        return Fail(*fault);
    Blocks blocks(instance, kBlock);
    for (int n = 0; n < 8; ++n, offset += kBlock)
        (void)ProcessBlock(ctx, instance, blocks, kBlock, Signal::NotFinite, offset, kDefaultRate);
    // Silence until the output is finite again, for ten seconds at most.
    const int64_t burstEnd = offset;
    int64_t finiteFrom = -1;
    while (offset - burstEnd < static_cast<int64_t>(10 * kDefaultRate)) {
        const auto fault =
            ProcessBlock(ctx, instance, blocks, kBlock, Signal::Silence, offset, kDefaultRate);
        offset += kBlock;
        // Output that is not finite yet is what the wait is for; a broken
        // guard is a fault of its own.
        if (fault && fault->kind == Fault::Kind::WroteOutside) return Fail(*fault);
        if (!fault && finiteFrom < 0) finiteFrom = offset - kBlock;
        if (fault) finiteFrom = -1;
        if (finiteFrom >= 0 && offset - finiteFrom >= static_cast<int64_t>(kDefaultRate)) break;
    }
    if (auto fault = Render(ctx, instance, Signal::Noise, 2.0, kDefaultRate, kBlock, offset))
        return {Verdict::Fail, "poisoned for good by a burst of NaN and infinities: 10 s later",
                std::move(fault), ""};
    const double after = static_cast<double>(finiteFrom - burstEnd) / kDefaultRate;
    if (finiteFrom < 0 || after > 1.0)
        return Warn("after a burst of NaN and infinities the output is finite again only after " +
                    Number(after) + " s of silence");
    return Pass();
}

} // namespace

TestGroup AudioChecks() {
    return {"audio",
            3,
            {{"audio.blocks", ReplacingBlocks},
             {"audio.process", AccumulatingBlocks},
             {"audio.inplace", InPlace},
             {"audio.rates", SampleRatesAndSignals},
             {"audio.recovery", RecoveryAfterBadInput}}};
}
