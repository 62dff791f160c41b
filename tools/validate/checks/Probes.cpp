// SPDX-License-Identifier: ISC
#include "tools/validate/checks/Probes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>

namespace {

constexpr unsigned char kCanary = 0xA5;
constexpr int32_t kMostParametersTested = 512; // of a module with thousands

} // namespace

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

int32_t DeclaredBlockSize(const TestContext& ctx) { return ctx.options.level >= 8 ? 8192 : 4096; }

int32_t TestedParameters(const PluginInstance& instance) {
    return std::clamp(instance.parameterCount(), 0, kMostParametersTested);
}

std::optional<Fault> CheckText(TestContext& ctx, PluginInstance& instance, int32_t opcode,
                               int32_t index, intptr_t value, size_t limit, const std::string& what,
                               size_t warnBeyond, std::string* longText) {
    unsigned char buffer[kCanaryBytes];
    std::memset(buffer, kCanary, sizeof buffer);
    const std::string call =
        what + " (opcode " + std::to_string(opcode) + ", index " + std::to_string(index) + ")";
    ctx.call(call);
    instance.dispatch(opcode, index, value, buffer);
    size_t written = kCanaryBytes;
    while (written > 0 && buffer[written - 1] == kCanary)
        --written;
    if (written == 0) return std::nullopt; // nothing said
    if (written > limit)
        return Fault{Fault::Kind::BadText, call,
                     "wrote " + std::to_string(written) + " bytes into the host's buffer, past " +
                         std::to_string(limit)};
    const auto* end = static_cast<const unsigned char*>(std::memchr(buffer, 0, written));
    if (!end) return Fault{Fault::Kind::BadText, call, "wrote a text without its terminating zero"};
    const size_t length = static_cast<size_t>(end - buffer);
    for (size_t i = 0; i < length; ++i)
        if (buffer[i] < 32 || buffer[i] == 127)
            return Fault{Fault::Kind::BadText, call,
                         "wrote the unprintable byte " + std::to_string(buffer[i]) +
                             " at position " + std::to_string(i)};
    if (warnBeyond > 0 && length > warnBeyond && longText && longText->empty())
        longText->append("'")
            .append(reinterpret_cast<const char*>(buffer), length)
            .append("' from ")
            .append(call);
    return std::nullopt;
}

std::optional<Fault> ProcessBlock(TestContext& ctx, PluginInstance& instance, Blocks& blocks,
                                  int32_t frames, Signal signal, int64_t offset, float rate,
                                  Call call) {
    for (int32_t c = 0; c < blocks.in.count(); ++c)
        Generate(signal, blocks.in.channel(c), frames, offset, rate, static_cast<uint32_t>(c + 1));
    for (int32_t c = 0; c < blocks.out.count(); ++c)
        std::fill_n(blocks.out.channel(c), blocks.out.frames(), 0.0f);
    blocks.in.guard();
    blocks.out.guard();
    const std::string what = std::string(call == Call::Replacing ? "processReplacing" : "process") +
                             " (block length " + std::to_string(frames) + ", sample " +
                             std::to_string(offset) + ", " + Number(rate) + " Hz, " +
                             SignalName(signal) + ")";
    ctx.call(what);
    AEffect* e = &instance.record();
    if (call == Call::Replacing)
        e->processReplacing(e, blocks.in.pointers(), blocks.out.pointers(), frames);
    else
        e->process(e, blocks.in.pointers(), blocks.out.pointers(), frames);
    if (const auto broken = blocks.in.brokenGuard())
        return Fault{Fault::Kind::WroteOutside, what, "wrote outside the input block: " + *broken};
    if (const auto broken = blocks.out.brokenGuard())
        return Fault{Fault::Kind::WroteOutside, what, "wrote outside the output block: " + *broken};
    if (signal != Signal::NotFinite)
        if (auto bad = BadOutput(blocks.out, frames))
            return Fault{Fault::Kind::BadSample, what, std::move(*bad)};
    return std::nullopt;
}

std::optional<Fault> Render(TestContext& ctx, PluginInstance& instance, Signal signal,
                            double seconds, float rate, int32_t block, int64_t& offset,
                            std::vector<float>* kept) {
    Blocks blocks(instance, block);
    const auto total = static_cast<int64_t>(seconds * rate);
    for (int64_t done = 0; done < total; done += block) {
        const auto frames = static_cast<int32_t>(std::min<int64_t>(block, total - done));
        if (auto fault = ProcessBlock(ctx, instance, blocks, frames, signal, offset, rate))
            return fault;
        if (kept && blocks.out.count() > 0)
            kept->insert(kept->end(), blocks.out.channel(0), blocks.out.channel(0) + frames);
        offset += frames;
    }
    return std::nullopt;
}

void RandomSettings(TestContext& ctx, PluginInstance& instance) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int32_t i = 0; i < TestedParameters(instance); ++i) {
        const float value = unit(ctx.random);
        ctx.call("setParameter (index " + std::to_string(i) + ", value " + Number(value) + ")");
        instance.setParameter(i, value);
    }
}
