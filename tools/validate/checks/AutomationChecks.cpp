// SPDX-License-Identifier: ISC
// The validator's automation group: parameter changes between short blocks, and
// from a second thread while the audio runs.
#include "tools/validate/checks/Probes.h"
#include "tools/validate/checks/TestGroups.h"

#include <atomic>
#include <random>
#include <thread>

namespace {

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
            if (auto fault =
                    ProcessBlock(ctx, instance, blocks, 32, Signal::Noise, offset, kDefaultRate))
                return Fail(*fault, "after setParameter (index " + std::to_string(i) + ", value " +
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
    std::optional<Fault> fault;
    for (int64_t offset = 0; offset < 500 * 256 && !fault; offset += 256)
        fault = ProcessBlock(ctx, instance, blocks, 256, Signal::Noise, offset, kDefaultRate);
    done = true;
    automation.join();
    if (fault) return Fail(*fault, "while another thread set parameters");
    return Pass();
}

} // namespace

TestGroup AutomationChecks() {
    return {"automation",
            4,
            {{"automation.steps", AutomationSteps},
             {"automation.threads", AutomationFromAnotherThread}}};
}
