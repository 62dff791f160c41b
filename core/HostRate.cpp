// SPDX-License-Identifier: ISC
#include "core/HostRate.h"

#include <limits>

std::optional<float> AcceptedSampleRate(double rate) {
    if (!(rate > 0) || rate > std::numeric_limits<float>::max()) return std::nullopt;
    return static_cast<float>(rate);
}
