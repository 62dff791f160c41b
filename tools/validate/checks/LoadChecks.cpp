// SPDX-License-Identifier: ISC
// The validator's load group: the entry point and its request for the host's
// version, the instance record, effClose, and the memory of many instances
// opened and closed.
#include "tools/validate/AllocationCounter.h"
#include "tools/validate/StrictHost.h"
#include "tools/validate/checks/Probes.h"
#include "tools/validate/checks/TestGroups.h"

#include <cmath>
#include <fstream>

namespace {

Outcome LoadEntry(TestContext& ctx) { return Pass("entry point " + ctx.module().entryName()); }

Outcome LoadInstance(TestContext& ctx) {
    const int asked = TheStrictHost().versionAsked;
    ctx.call(ctx.module().entryName() + " (the host's callback)");
    AEffect* e = ctx.module().callEntry(kDefaultRate, kBlock);
    if (!e)
        return Fail(Fault{Fault::Kind::NoInstance, ctx.module().entryName(), "gave no instance"});
    if (e->magic != kEffectMagic)
        return Fail(Fault{Fault::Kind::NoInstance, ctx.module().entryName(),
                          "gave a record without the magic 'VstP'"});
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
        if (!e)
            return Fail(
                Fault{Fault::Kind::NoInstance, ctx.module().entryName(), "gave no instance"});
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

} // namespace

TestGroup LoadChecks() {
    return {"load",
            1,
            {{"load.entry", LoadEntry, true},
             {"load.instance", LoadInstance},
             {"load.record", LoadRecord},
             {"load.close", LoadClose},
             {"load.instances", LoadManyInstances}}};
}
