#include "tools/validate/ValidatorChecks.h"

#include "tools/ToolError.h"
#include "tools/hosting/PluginHost.h"
#include "tools/validate/AllocationCounter.h"
#include "tools/validate/StrictHost.h"
#include "tools/validate/ValidatorHost.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <thread>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kDefaultRate = 44100.0f;
constexpr int32_t kBlock = 512;
constexpr size_t kCanaryBytes = 1024;
constexpr unsigned char kCanary = 0xA5;
constexpr int32_t kMostParametersTested = 512; // of a module with thousands

Outcome Pass(std::string note = "") { return {Verdict::Pass, std::move(note)}; }
Outcome Warn(std::string why) { return {Verdict::Warn, std::move(why)}; }
Outcome Fail(std::string why) { return {Verdict::Fail, std::move(why)}; }

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

int32_t DeclaredBlockSize(const TestContext& ctx) { return ctx.options.level >= 8 ? 8192 : 4096; }

int32_t TestedParameters(const PluginInstance& instance) {
    return std::clamp(instance.parameterCount(), 0, kMostParametersTested);
}

std::vector<float> SampleRates(const TestContext& ctx) {
    if (!ctx.options.rates.empty()) return ctx.options.rates;
    std::vector<float> rates = {22050, 44100, 48000, 96000, 192000};
    if (ctx.options.level >= 8) rates.insert(rates.end(), {8000, 384000});
    return rates;
}

// --- texts -------------------------------------------------------------------

// Asks for one text in a large buffer full of a canary and checks what the
// module wrote: within `limit` bytes with its zero, zero-terminated, printable.
// Texts longer than `warnBeyond` characters are counted in `longTexts`.
std::string CheckText(TestContext& ctx, PluginInstance& instance, int32_t opcode, int32_t index,
                      intptr_t value, size_t limit, const std::string& what, size_t warnBeyond = 0,
                      std::string* longText = nullptr) {
    unsigned char buffer[kCanaryBytes];
    std::memset(buffer, kCanary, sizeof buffer);
    const std::string call =
        what + " (opcode " + std::to_string(opcode) + ", index " + std::to_string(index) + ")";
    ctx.call(call);
    instance.dispatch(opcode, index, value, buffer);
    size_t written = kCanaryBytes;
    while (written > 0 && buffer[written - 1] == kCanary)
        --written;
    if (written == 0) return ""; // nothing said
    if (written > limit)
        return call + " wrote " + std::to_string(written) + " bytes into the host's buffer, past " +
               std::to_string(limit);
    const auto* end = static_cast<const unsigned char*>(std::memchr(buffer, 0, written));
    if (!end) return call + " wrote a text without its terminating zero";
    const size_t length = static_cast<size_t>(end - buffer);
    for (size_t i = 0; i < length; ++i)
        if (buffer[i] < 32 || buffer[i] == 127)
            return call + " wrote the unprintable byte " + std::to_string(buffer[i]) +
                   " at position " + std::to_string(i);
    if (warnBeyond > 0 && length > warnBeyond && longText && longText->empty())
        *longText =
            "'" + std::string(reinterpret_cast<const char*>(buffer), length) + "' from " + call;
    return "";
}

constexpr size_t kAnyTextLimit = 64;
constexpr size_t kParameterTextLimit = 25; // 24 characters and the zero
constexpr size_t kShortParameterText = 8;  // what older hosts show
constexpr size_t kProgramNameText = 24;

// --- audio -------------------------------------------------------------------

// Channels of input and output and the calls that fill, process and check them.
struct Blocks {
    GuardedChannels in, out;
    Blocks(const PluginInstance& instance, int32_t frames)
        : in(instance.inputs(), frames), out(instance.outputs(), frames) {}
};

enum class Call { Replacing, Accumulating };

// Processes `frames` samples of the signal starting at `offset`; returns why
// the call failed (a broken guard, a bad output sample), or nothing.
std::string ProcessBlock(TestContext& ctx, PluginInstance& instance, Blocks& blocks, int32_t frames,
                         Signal signal, int64_t offset, float rate, Call call = Call::Replacing) {
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
    if (const std::string broken = blocks.in.brokenGuard(); !broken.empty())
        return what + " wrote outside the input block: " + broken;
    if (const std::string broken = blocks.out.brokenGuard(); !broken.empty())
        return what + " wrote outside the output block: " + broken;
    if (signal != Signal::NotFinite)
        if (const std::string bad = BadOutput(blocks.out, frames); !bad.empty())
            return what + ": " + bad;
    return "";
}

// Renders `seconds` of a signal in blocks; the output of channel 0 is kept when
// asked for.
std::string Render(TestContext& ctx, PluginInstance& instance, Signal signal, double seconds,
                   float rate, int32_t block, int64_t& offset, std::vector<float>* kept = nullptr) {
    Blocks blocks(instance, block);
    const auto total = static_cast<int64_t>(seconds * rate);
    for (int64_t done = 0; done < total; done += block) {
        const auto frames = static_cast<int32_t>(std::min<int64_t>(block, total - done));
        if (std::string bad = ProcessBlock(ctx, instance, blocks, frames, signal, offset, rate);
            !bad.empty())
            return bad;
        if (kept && blocks.out.count() > 0)
            kept->insert(kept->end(), blocks.out.channel(0), blocks.out.channel(0) + frames);
        offset += frames;
    }
    return "";
}

void RandomSettings(TestContext& ctx, PluginInstance& instance) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int32_t i = 0; i < TestedParameters(instance); ++i) {
        const float value = unit(ctx.random);
        ctx.call("setParameter (index " + std::to_string(i) + ", value " + Number(value) + ")");
        instance.setParameter(i, value);
    }
}

// --- group 1: loading --------------------------------------------------------

Outcome LoadEntry(TestContext& ctx) { return Pass("entry point " + ctx.module().entryName()); }

Outcome LoadInstance(TestContext& ctx) {
    const int asked = TheStrictHost().versionAsked;
    ctx.call(ctx.module().entryName() + " (the host's callback)");
    AEffect* e = ctx.module().callEntry(kDefaultRate, kBlock);
    if (!e) return Fail(ctx.module().entryName() + " gave no instance");
    if (e->magic != kEffectMagic)
        return Fail(ctx.module().entryName() + " gave a record without the magic 'VstP'");
    const bool versionAsked = TheStrictHost().versionAsked > asked;
    ctx.call("effClose (opcode 1)");
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    if (!versionAsked) return Warn("the entry point did not ask for the host's version");
    return Pass();
}

Outcome LoadRecord(TestContext& ctx) {
    PluginInstance instance(ctx.module(), kDefaultRate, kBlock);
    const AEffect& e = instance.record();
    if (!e.dispatcher || !e.setParameter || !e.getParameter)
        return Fail("the record lacks a dispatcher, setParameter or getParameter function");
    if ((e.flags & effFlagsCanReplacing) && !e.processReplacing)
        return Fail("the record says it can process replacing but has no processReplacing");
    if (!e.processReplacing && !e.process) return Fail("the record has no processing function");
    const struct {
        const char* field;
        int32_t value, low, high;
    } counts[] = {{"numInputs", e.numInputs, 0, 256},
                  {"numOutputs", e.numOutputs, 0, 256},
                  {"numParams", e.numParams, 0, 100000},
                  {"numPrograms", e.numPrograms, 0, 100000},
                  {"initialDelay", e.initialDelay, 0, 1 << 24}};
    for (const auto& count : counts)
        if (count.value < count.low || count.value > count.high)
            return Fail(std::string(count.field) + " is " + std::to_string(count.value));
    constexpr int32_t kKnownFlags = effFlagsHasEditor | effFlagsHasClip | effFlagsHasVu |
                                    effFlagsCanMono | effFlagsCanReplacing | effFlagsProgramChunks |
                                    effFlagsIsSynth | effFlagsNoSoundInStop | effFlagsExtIsAsync |
                                    effFlagsExtHasBuffer | 4096 /* double replacing */;
    if (e.flags & ~kKnownFlags)
        return Warn("flags " + std::to_string(e.flags) + " hold unknown bits");
    if (!(e.flags & effFlagsCanReplacing))
        return Warn("the module offers only the accumulating process call");
    return Pass();
}

Outcome LoadClose(TestContext& ctx) {
    for (int round = 0; round < 3; ++round) {
        AEffect* e = ctx.module().callEntry(kDefaultRate, kBlock);
        if (!e) return Fail(ctx.module().entryName() + " gave no instance");
        ctx.call("effOpen then effClose (round " + std::to_string(round) + ")");
        e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
        e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    }
    return Pass();
}

// The process's address space, from the kernel.
int64_t VirtualBytes() {
    std::ifstream statm("/proc/self/statm");
    int64_t pages = 0;
    statm >> pages;
    return pages * 4096;
}

Outcome LoadManyInstances(TestContext& ctx) {
    const int count = ctx.options.level >= 10 ? 1000 : 100;
    auto cycle = [&](int round) {
        PluginInstance instance(ctx.module(), kDefaultRate, kBlock);
        instance.resume();
        Blocks blocks(instance, 256);
        ctx.call("instance " + std::to_string(round) + ": open, resume, one block, close");
        AEffect* e = &instance.record();
        if (e->processReplacing)
            e->processReplacing(e, blocks.in.pointers(), blocks.out.pointers(), 256);
    };
    for (int round = 0; round < 5; ++round) // what the first instances set up for good
        cycle(round);
    const int64_t heap = AllocationCounter::LiveBytes();
    const int64_t space = VirtualBytes();
    for (int round = 0; round < count; ++round)
        cycle(round);
    const double heapGrowth = static_cast<double>(AllocationCounter::LiveBytes() - heap) / count;
    const double spaceGrowth = static_cast<double>(VirtualBytes() - space) / count;
    constexpr double kBound = 16384; // bytes per instance
    const std::string figures = std::to_string(count) + " instances opened and closed: heap " +
                                Number(std::round(heapGrowth)) + " bytes, address space " +
                                Number(std::round(spaceGrowth)) + " bytes per instance";
    if (heapGrowth > kBound || spaceGrowth > kBound)
        return Fail("memory grows with every instance: " + figures);
    return Pass(figures);
}

// --- group 2: texts ----------------------------------------------------------

Outcome IdentityTexts(TestContext& ctx) {
    PluginInstance instance(ctx.module(), kDefaultRate, kBlock);
    const std::pair<int32_t, const char*> texts[] = {{effGetEffectName, "effGetEffectName"},
                                                     {effGetVendorString, "effGetVendorString"},
                                                     {effGetProductString, "effGetProductString"}};
    for (const auto& [opcode, name] : texts)
        if (std::string bad = CheckText(ctx, instance, opcode, 0, 0, kAnyTextLimit, name);
            !bad.empty())
            return Fail(bad);
    return Pass();
}

Outcome ProgramTexts(TestContext& ctx) {
    PluginInstance instance(ctx.module(), kDefaultRate, kBlock);
    std::string longText;
    if (std::string bad = CheckText(ctx, instance, effGetProgramName, 0, 0, kAnyTextLimit,
                                    "effGetProgramName", kProgramNameText - 1, &longText);
        !bad.empty())
        return Fail(bad);
    const int32_t programs = std::min(instance.record().numPrograms, 128);
    for (int32_t p = 0; p < programs; ++p)
        if (std::string bad =
                CheckText(ctx, instance, effGetProgramNameIndexed, p, -1, kAnyTextLimit,
                          "effGetProgramNameIndexed", kProgramNameText - 1, &longText);
            !bad.empty())
            return Fail(bad);
    if (!longText.empty()) return Warn("a program name longer than 23 characters: " + longText);
    return Pass();
}

Outcome ParameterTexts(TestContext& ctx) {
    PluginInstance instance(ctx.module(), kDefaultRate, kBlock);
    AEffect* e = &instance.record();
    std::string longText;
    for (int32_t i = 0; i < TestedParameters(instance); ++i) {
        for (const float value : {-1.0f, 0.0f, 0.5f, 1.0f}) {
            if (value >= 0) {
                ctx.call("setParameter (index " + std::to_string(i) + ", value " + Number(value) +
                         ")");
                e->setParameter(e, i, value);
            }
            const std::pair<int32_t, const char*> texts[] = {
                {effGetParamName, "effGetParamName"},
                {effGetParamLabel, "effGetParamLabel"},
                {effGetParamDisplay, "effGetParamDisplay"}};
            for (const auto& [opcode, name] : texts)
                if (std::string bad = CheckText(ctx, instance, opcode, i, 0, kParameterTextLimit,
                                                name, kShortParameterText, &longText);
                    !bad.empty())
                    return Fail(bad);
        }
    }
    if (!longText.empty())
        return Warn("parameter texts longer than 8 characters, which older hosts cut, e.g. " +
                    longText);
    return Pass();
}

// --- group 3: parameters -----------------------------------------------------

Outcome ParameterReadBacks(TestContext& ctx) {
    PluginInstance instance(ctx.module(), kDefaultRate, kBlock);
    AEffect* e = &instance.record();
    std::vector<float> values = {0.0f,
                                 1.0f,
                                 kNaN,
                                 kInf,
                                 -kInf,
                                 -0.0f,
                                 -1e-7f,
                                 1.0000001f,
                                 1.5f,
                                 -0.5f,
                                 std::numeric_limits<float>::max(),
                                 std::numeric_limits<float>::denorm_min()};
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int n = 0; n < 4 * ctx.options.level; ++n)
        values.push_back(unit(ctx.random));
    for (int32_t i = 0; i < TestedParameters(instance); ++i) {
        for (const float value : values) {
            const std::string call = "setParameter (index " + std::to_string(i) + ", value " +
                                     Number(value) + ") then getParameter";
            ctx.call(call);
            e->setParameter(e, i, value);
            const float back = e->getParameter(e, i);
            if (!(back >= 0.0f && back <= 1.0f))
                return Fail(call + " gave " + Number(back) + ", outside 0 to 1");
        }
    }
    return Pass();
}

Outcome ParameterIndexes(TestContext& ctx) {
    PluginInstance instance(ctx.module(), kDefaultRate, kBlock);
    AEffect* e = &instance.record();
    const int32_t count = e->numParams;
    for (const int32_t index : {-1, count, count + 1, 1 << 30, INT_MIN, INT_MAX}) {
        const std::string where = " (index " + std::to_string(index) + ")";
        ctx.call("setParameter" + where);
        e->setParameter(e, index, 0.5f);
        ctx.call("getParameter" + where);
        (void)e->getParameter(e, index);
        ctx.call("effCanBeAutomated" + where);
        instance.dispatch(effCanBeAutomated, index);
        for (const int32_t opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay})
            if (std::string bad = CheckText(ctx, instance, opcode, index, 0, kAnyTextLimit,
                                            "a text of a parameter that does not exist");
                !bad.empty())
                return Fail(bad);
    }
    return Pass();
}

std::string Display(TestContext& ctx, PluginInstance& instance, int32_t index) {
    char text[kCanaryBytes] = {};
    ctx.call("effGetParamDisplay (index " + std::to_string(index) + ")");
    instance.dispatch(effGetParamDisplay, index, 0, text);
    text[sizeof text - 1] = '\0';
    return text;
}

Outcome ParameterDisplays(TestContext& ctx) {
    PluginInstance instance(ctx.module(), kDefaultRate, kBlock);
    AEffect* e = &instance.record();
    std::vector<int32_t> still;
    for (int32_t i = 0; i < TestedParameters(instance); ++i) {
        // Each sweep ends where it began, so that parameters which limit one
        // another (a start and an end) are swept from the module's own state.
        const float initial = e->getParameter(e, i);
        std::vector<std::string> shown;
        for (int step = 0; step <= 10; ++step) {
            const float value = static_cast<float>(step) / 10.0f;
            ctx.call("setParameter (index " + std::to_string(i) + ", value " + Number(value) + ")");
            e->setParameter(e, i, value);
            const std::string first = Display(ctx, instance, i);
            e->setParameter(e, i, value);
            const std::string second = Display(ctx, instance, i);
            if (first != second)
                return Fail("the display of parameter " + std::to_string(i) + " at " +
                            Number(value) + " changed from '" + first + "' to '" + second +
                            "' when the same value was set again");
            shown.push_back(first);
        }
        e->setParameter(e, i, initial);
        if (std::all_of(shown.begin(), shown.end(),
                        [&](const std::string& s) { return s == shown[0]; }))
            still.push_back(i);
    }
    if (!still.empty()) {
        std::string list;
        for (const int32_t i : still)
            list += (list.empty() ? "" : ", ") + std::to_string(i);
        return Warn("the display stays the same from 0 to 1 for parameter " + list);
    }
    return Pass();
}

// --- group 4: audio ----------------------------------------------------------

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
        if (std::string bad = ProcessBlock(ctx, instance, blocks, length, Signal::Noise, offset,
                                           kDefaultRate, call);
            !bad.empty())
            return Fail(bad);
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
        if (std::string bad =
                ProcessBlock(ctx, apart, separate, kBlock, Signal::Noise, offset, kDefaultRate);
            !bad.empty())
            return Fail(bad);
        ctx.call("processReplacing with the same buffers for input and output (sample " +
                 std::to_string(offset) + ")");
        AEffect* e = &inPlace.record();
        e->processReplacing(e, shared.pointers(), shared.pointers(), kBlock);
        if (std::string broken = shared.brokenGuard(); !broken.empty())
            return Fail("processReplacing in place wrote outside the block: " + broken);
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
            if (std::string bad = Render(ctx, instance, signal, 1.0, rate, kBlock, offset);
                !bad.empty())
                return Fail(bad);
    }
    return Pass();
}

Outcome RecoveryAfterBadInput(TestContext& ctx) {
    PluginInstance instance(ctx.module(), kDefaultRate, kBlock);
    instance.resume();
    int64_t offset = 0;
    if (std::string bad = Render(ctx, instance, Signal::Noise, 0.5, kDefaultRate, kBlock, offset);
        !bad.empty())
        return Fail(bad);
    Blocks blocks(instance, kBlock);
    for (int n = 0; n < 8; ++n, offset += kBlock)
        (void)ProcessBlock(ctx, instance, blocks, kBlock, Signal::NotFinite, offset, kDefaultRate);
    // Silence until the output is finite again, for ten seconds at most.
    const int64_t burstEnd = offset;
    int64_t finiteFrom = -1;
    while (offset - burstEnd < static_cast<int64_t>(10 * kDefaultRate)) {
        const std::string bad =
            ProcessBlock(ctx, instance, blocks, kBlock, Signal::Silence, offset, kDefaultRate);
        offset += kBlock;
        if (bad.find("outside the") != std::string::npos) return Fail(bad);
        if (bad.empty() && finiteFrom < 0) finiteFrom = offset - kBlock;
        if (!bad.empty()) finiteFrom = -1;
        if (finiteFrom >= 0 && offset - finiteFrom >= static_cast<int64_t>(kDefaultRate)) break;
    }
    if (std::string bad = Render(ctx, instance, Signal::Noise, 2.0, kDefaultRate, kBlock, offset);
        !bad.empty())
        return Fail("poisoned for good by a burst of NaN and infinities: 10 s later, " + bad);
    const double after = static_cast<double>(finiteFrom - burstEnd) / kDefaultRate;
    if (finiteFrom < 0 || after > 1.0)
        return Warn("after a burst of NaN and infinities the output is finite again only after " +
                    Number(after) + " s of silence");
    return Pass();
}

// --- group 5: determinism ----------------------------------------------------

std::vector<float> RenderWithSettings(TestContext& ctx, uint32_t settingsSeed,
                                      const std::vector<int32_t>& lengths, std::string& bad) {
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
        bad = ProcessBlock(ctx, instance, blocks, length, Signal::Noise, offset, kDefaultRate);
        if (!bad.empty()) return kept;
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
    std::string bad;
    const std::vector<float> first = RenderWithSettings(ctx, seed, {kBlock}, bad);
    if (!bad.empty()) return Fail(bad);
    const std::vector<float> second = RenderWithSettings(ctx, seed, {kBlock}, bad);
    if (!bad.empty()) return Fail(bad);
    if (const int64_t at = FirstDifference(first, second); at >= 0)
        return Fail("two fresh instances with the same settings and input differ from sample " +
                    std::to_string(at));
    return Pass();
}

Outcome BlockInvariance(TestContext& ctx) {
    const uint32_t seed = ctx.options.seed * 7919u + 2;
    std::string bad;
    const std::vector<float> whole = RenderWithSettings(ctx, seed, {kBlock}, bad);
    if (!bad.empty()) return Fail(bad);
    std::uniform_int_distribution<int32_t> any(1, DeclaredBlockSize(ctx));
    std::vector<int32_t> lengths = {1, 7, 4096, 255, 333};
    for (int n = 0; n < 20; ++n)
        lengths.push_back(any(ctx.random));
    const std::vector<float> cut = RenderWithSettings(ctx, seed, lengths, bad);
    if (!bad.empty()) return Fail(bad);
    if (const int64_t at = FirstDifference(whole, cut); at >= 0)
        return Warn("rendering in other block lengths changes the output from sample " +
                    std::to_string(at));
    return Pass();
}

// --- group 6: automation -----------------------------------------------------

Outcome AutomationSteps(TestContext& ctx) {
    PluginInstance instance(ctx.module(), kDefaultRate, kBlock);
    instance.resume();
    AEffect* e = &instance.record();
    const int32_t count = TestedParameters(instance);
    if (count == 0) return Pass("no parameters");
    std::uniform_int_distribution<int32_t> index(0, count - 1);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    Blocks blocks(instance, 32);
    int64_t offset = 0;
    for (int block = 0; block < 500; ++block) {
        for (int step = 0; step < 256 / 32; ++step, offset += 32) {
            const int32_t i = index(ctx.random);
            const float value = unit(ctx.random);
            ctx.call("setParameter (index " + std::to_string(i) + ", value " + Number(value) + ")");
            e->setParameter(e, i, value);
            if (std::string bad =
                    ProcessBlock(ctx, instance, blocks, 32, Signal::Noise, offset, kDefaultRate);
                !bad.empty())
                return Fail(bad + ", after setParameter (index " + std::to_string(i) + ", value " +
                            Number(value) + ")");
        }
    }
    return Pass();
}

Outcome AutomationFromAnotherThread(TestContext& ctx) {
    PluginInstance instance(ctx.module(), kDefaultRate, kBlock);
    instance.resume();
    AEffect* e = &instance.record();
    const int32_t count = TestedParameters(instance);
    if (count == 0) return Pass("no parameters");
    std::atomic<bool> done{false};
    std::thread automation([&, seed = ctx.random()] {
        std::mt19937 random(seed);
        char text[kCanaryBytes];
        while (!done.load()) {
            const auto i = static_cast<int32_t>(random() % static_cast<uint32_t>(count));
            e->setParameter(e, i, static_cast<float>(random() % 1001) / 1000.0f);
            (void)e->getParameter(e, i);
            e->dispatcher(e, effGetParamDisplay, i, 0, text, 0.0f);
        }
    });
    Blocks blocks(instance, 256);
    std::string bad;
    for (int64_t offset = 0; offset < 500 * 256 && bad.empty(); offset += 256)
        bad = ProcessBlock(ctx, instance, blocks, 256, Signal::Noise, offset, kDefaultRate);
    done = true;
    automation.join();
    if (!bad.empty()) return Fail(bad + ", while another thread set parameters");
    return Pass();
}

// --- group 7: real time ------------------------------------------------------

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
        ctx.call("processReplacing (block length 512, call " + std::to_string(n + 1) +
                 " after resume)");
        AllocationCounter::Begin();
        if (e->processReplacing)
            e->processReplacing(e, blocks.in.pointers(), blocks.out.pointers(), kBlock);
        else
            e->process(e, blocks.in.pointers(), blocks.out.pointers(), kBlock);
        if (const uint64_t made = AllocationCounter::End())
            return Fail(std::to_string(made) +
                        " heap allocations or frees during processReplacing "
                        "(block length 512, call " +
                        std::to_string(n + 1) + " after resume)");
        if (count == 0) continue;
        const auto i = static_cast<int32_t>(n % count);
        const float value = unit(ctx.random);
        const std::string call =
            "setParameter (index " + std::to_string(i) + ", value " + Number(value) + ")";
        ctx.call(call);
        AllocationCounter::Begin();
        e->setParameter(e, i, value);
        if (const uint64_t made = AllocationCounter::End())
            return Fail(std::to_string(made) + " heap allocations or frees during " + call);
        ctx.call("getParameter (index " + std::to_string(i) + ")");
        AllocationCounter::Begin();
        (void)e->getParameter(e, i);
        if (const uint64_t made = AllocationCounter::End())
            return Fail(std::to_string(made) +
                        " heap allocations or frees during getParameter (index " +
                        std::to_string(i) + ")");
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

// --- group 8: events ---------------------------------------------------------

// A system-exclusive event as hosts deliver it.
struct SysexEvent {
    int32_t type; // 6
    int32_t byteSize;
    int32_t deltaFrames;
    int32_t flags;
    int32_t dumpBytes;
    intptr_t reserved1;
    char* dump;
    intptr_t reserved2;
};

Outcome Events(TestContext& ctx) {
    PluginInstance instance(ctx.module(), kDefaultRate, kBlock);
    const int askedBefore = TheStrictHost().wantMidi;
    instance.resume();
    char receiveEvents[] = "receiveVstEvents", receiveMidi[] = "receiveVstMidiEvent";
    ctx.call("effCanDo receiveVstEvents / receiveVstMidiEvent");
    const bool receives = TheStrictHost().wantMidi > askedBefore ||
                          instance.dispatch(effCanDo, 0, 0, receiveEvents) > 0 ||
                          instance.dispatch(effCanDo, 0, 0, receiveMidi) > 0;
    if (!receives) return Pass("the module takes no events");

    VstMidiEvent noteOn{}, noteOff{};
    noteOn.type = noteOff.type = kVstMidiType;
    noteOn.byteSize = noteOff.byteSize = sizeof(VstMidiEvent);
    noteOn.midiData[0] = static_cast<char>(0x90);
    noteOn.midiData[1] = 60;
    noteOn.midiData[2] = 100;
    noteOff.midiData[0] = static_cast<char>(0x80);
    noteOff.midiData[1] = 60;
    noteOff.deltaFrames = kBlock - 1;
    char dump[100] = {static_cast<char>(0xF0)};
    dump[99] = static_cast<char>(0xF7);
    SysexEvent sysex{6, sizeof(SysexEvent), 10, 0, sizeof dump, 0, dump, 0};
    // Room for the pointers beyond the two the record's type declares.
    struct {
        int32_t numEvents;
        intptr_t reserved;
        VstEvent* events[3];
    } list{3,
           0,
           {reinterpret_cast<VstEvent*>(&noteOn), reinterpret_cast<VstEvent*>(&sysex),
            reinterpret_cast<VstEvent*>(&noteOff)}};
    const struct {
        const char* what;
        void* events;
        int32_t count;
    } cases[] = {{"MIDI and sysex events", &list, 3},
                 {"an empty event list", &list, 0},
                 {"a null event list", nullptr, 0}};
    Blocks blocks(instance, kBlock);
    int64_t offset = 0;
    for (const auto& c : cases) {
        list.numEvents = c.count;
        ctx.call(std::string("effProcessEvents with ") + c.what);
        instance.dispatch(effProcessEvents, 0, 0, c.events);
        if (std::string bad =
                ProcessBlock(ctx, instance, blocks, kBlock, Signal::Noise, offset, kDefaultRate);
            !bad.empty())
            return Fail(bad + ", after effProcessEvents with " + c.what);
        offset += kBlock;
    }
    return Pass();
}

} // namespace

TestContext::TestContext(const ValidationOptions& options, char* callSlot, size_t slotSize)
    : options(options), random(options.seed), slot(callSlot), slotSize(slotSize) {}

TestContext::~TestContext() { delete loaded; }

const PluginModule& TestContext::module() {
    if (!loaded) loaded = new PluginModule(options.pluginPath, TheStrictHost());
    return *loaded;
}

void TestContext::call(const std::string& description) {
    const size_t length = std::min(description.size(), slotSize - 1);
    std::memcpy(slot, description.data(), length);
    slot[length] = '\0';
}

const std::vector<TestGroup>& TestGroups() {
    static const std::vector<TestGroup> groups = {
        {"load",
         1,
         {{"load.entry", LoadEntry},
          {"load.instance", LoadInstance},
          {"load.record", LoadRecord},
          {"load.close", LoadClose},
          {"load.instances", LoadManyInstances}}},
        {"texts",
         1,
         {{"texts.identity", IdentityTexts},
          {"texts.programs", ProgramTexts},
          {"texts.parameters", ParameterTexts}}},
        {"parameters",
         2,
         {{"parameters.readback", ParameterReadBacks},
          {"parameters.indexes", ParameterIndexes},
          {"parameters.displays", ParameterDisplays}}},
        {"audio",
         3,
         {{"audio.blocks", ReplacingBlocks},
          {"audio.process", AccumulatingBlocks},
          {"audio.inplace", InPlace},
          {"audio.rates", SampleRatesAndSignals},
          {"audio.recovery", RecoveryAfterBadInput}}},
        {"determinism",
         4,
         {{"determinism.instances", TwoInstances}, {"determinism.blocks", BlockInvariance}}},
        {"automation",
         4,
         {{"automation.steps", AutomationSteps},
          {"automation.threads", AutomationFromAnotherThread}}},
        {"realtime",
         5,
         {{"realtime.allocations", AudioThreadAllocations}, {"realtime.timing", BlockTiming}}},
        {"events", 5, {{"events", Events}}},
    };
    return groups;
}
