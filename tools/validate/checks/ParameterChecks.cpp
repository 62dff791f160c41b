// SPDX-License-Identifier: ISC
// The validator's parameters group: read-backs within 0 to 1 after any value,
// indexes that do not exist, and displays that stay consistent.
#include "tools/validate/checks/Probes.h"
#include "tools/validate/checks/TestGroups.h"

#include <algorithm>
#include <climits>
#include <random>

namespace {

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
                return Fail(Fault{Fault::Kind::BadValue, call,
                                  "gave " + Number(back) + ", outside 0 to 1"});
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
            if (auto fault = CheckText(ctx, instance, opcode, index, 0, kAnyTextLimit,
                                       "a text of a parameter that does not exist"))
                return Fail(*fault);
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

} // namespace

TestGroup ParameterChecks() {
    return {"parameters",
            2,
            {{"parameters.readback", ParameterReadBacks},
             {"parameters.indexes", ParameterIndexes},
             {"parameters.displays", ParameterDisplays}}};
}
