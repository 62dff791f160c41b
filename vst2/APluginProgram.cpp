// SPDX-License-Identifier: ISC
#include "vst2/APluginProgram.h"

APluginProgram::APluginProgram() : name("program") {
    for (const ParameterInfo& row : kParameters)
        params[row.index] = row.defaultValue;
}

std::array<float, kParameterCount> APluginProgram::values() const {
    std::array<float, kParameterCount> now;
    for (size_t i = 0; i < now.size(); ++i)
        now[i] = params[i];
    return now;
}
