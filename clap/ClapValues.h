// SPDX-License-Identifier: ISC
// Values and events as they come from a CLAP host.
#pragma once

#include "clap/ClapInterface.h"
#include "core/ParameterTable.h"

// The event as a parameter change: one in the core space whose size holds one.
inline const clap::ParamValueEvent* AsParamValue(const clap::EventHeader* header) {
    if (!header || header->spaceId != clap::kCoreEventSpace ||
        header->type != clap::kEventParamValue || header->size < sizeof(clap::ParamValueEvent))
        return nullptr;
    return reinterpret_cast<const clap::ParamValueEvent*>(header);
}
