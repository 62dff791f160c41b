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

// A parameter change at a sample of the block, as the plug-in sends one.
inline clap::ParamValueEvent ParamValueEventFor(uint32_t time, clap::Id id, double value) {
    clap::ParamValueEvent event{};
    event.header = {sizeof event, time, clap::kCoreEventSpace, clap::kEventParamValue, 0};
    event.paramId = id;
    event.noteId = -1;
    event.portIndex = event.channel = event.key = -1;
    event.value = value;
    return event;
}
