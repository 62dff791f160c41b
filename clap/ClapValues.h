// Values and events as they come from a CLAP host.
#pragma once

#include "clap/ClapInterface.h"

#include <cmath>

// A host's value as the float the core stores. Values far outside 0 to 1 (the
// infinities included) are brought near it first, where the conversion is
// defined; the core's clamp then gives what the VST 2 face gives: 1 above the
// range, 0 below it and for NaN, -0 for -0.
inline float ParameterFloat(double value) {
    if (value > 2.0) return 2.0f;
    if (value < -1.0) return -1.0f;
    return static_cast<float>(value);
}

// The event as a parameter change: one in the core space whose size holds one.
inline const clap::ParamValueEvent* AsParamValue(const clap::EventHeader* header) {
    if (!header || header->spaceId != clap::kCoreEventSpace ||
        header->type != clap::kEventParamValue || header->size < sizeof(clap::ParamValueEvent))
        return nullptr;
    return reinterpret_cast<const clap::ParamValueEvent*>(header);
}
