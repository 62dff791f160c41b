#include "plugin/PluginProgram.h"

#include <cstring>

namespace {
// delay, process, out amp, rec start freq, rec end freq, threshold, track lenght,
// head position, rec amp, mix, head direction.
constexpr float kDefaults[kParameterCount] = {0, 0, 1, 0, 1, 0, 1, 0, 0.5f, 1, 0};
} // namespace

APluginProgram::APluginProgram() : name("program") {
    for (int32_t i = 0; i < kParameterCount; ++i)
        params[i] = kDefaults[i];
}
