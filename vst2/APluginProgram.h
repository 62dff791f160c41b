// SPDX-License-Identifier: ISC
// One stored program: the 11 parameter values and a name.
//
// Threads: the plug-in writes the values from whichever host thread changes a
// parameter and reads them when it switches programs or resumes, possibly on
// another thread, so each value is a relaxed atomic.
#pragma once

#include "core/ParameterTable.h"
#include "engine/RelaxedAtomic.h"

#include <array>
#include <cstdint>

constexpr int32_t kProgramNameCapacity = 51; // characters, without the terminating zero

class APluginProgram {
  public:
    APluginProgram();
    APluginProgram(const APluginProgram&) = delete;
    APluginProgram& operator=(const APluginProgram&) = delete;

    // The values as they are now, in index order.
    std::array<float, kParameterCount> values() const;

    std::array<RelaxedAtomic<float>, kParameterCount> params;
    char name[kProgramNameCapacity + 1];
};
