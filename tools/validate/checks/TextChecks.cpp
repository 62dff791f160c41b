// SPDX-License-Identifier: ISC
// The validator's texts group: identity, program and parameter texts, asked for
// in buffers full of a canary.
#include "tools/validate/checks/Probes.h"
#include "tools/validate/checks/TestGroups.h"

#include <algorithm>

namespace {

Outcome IdentityTexts(TestContext& ctx) {
    PluginInstance instance(ctx.module(), kDefaultRate, kBlock);
    const std::pair<int32_t, const char*> texts[] = {{effGetEffectName, "effGetEffectName"},
                                                     {effGetVendorString, "effGetVendorString"},
                                                     {effGetProductString, "effGetProductString"}};
    for (const auto& [opcode, name] : texts)
        if (auto fault = CheckText(ctx, instance, opcode, 0, 0, kAnyTextLimit, name))
            return Fail(*fault);
    return Pass();
}

Outcome ProgramTexts(TestContext& ctx) {
    PluginInstance instance(ctx.module(), kDefaultRate, kBlock);
    std::string longText;
    if (auto fault = CheckText(ctx, instance, effGetProgramName, 0, 0, kAnyTextLimit,
                               "effGetProgramName", kProgramNameText - 1, &longText))
        return Fail(*fault);
    const int32_t programs = std::min(instance.record().numPrograms, 128);
    for (int32_t p = 0; p < programs; ++p)
        if (auto fault = CheckText(ctx, instance, effGetProgramNameIndexed, p, -1, kAnyTextLimit,
                                   "effGetProgramNameIndexed", kProgramNameText - 1, &longText))
            return Fail(*fault);
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
                if (auto fault = CheckText(ctx, instance, opcode, i, 0, kParameterTextLimit, name,
                                           kShortParameterText, &longText))
                    return Fail(*fault);
        }
    }
    if (!longText.empty())
        return Warn("parameter texts longer than 8 characters, which older hosts cut, e.g. " +
                    longText);
    return Pass();
}

} // namespace

TestGroup TextChecks() {
    return {"texts",
            1,
            {{"texts.identity", IdentityTexts},
             {"texts.programs", ProgramTexts},
             {"texts.parameters", ParameterTexts}}};
}
