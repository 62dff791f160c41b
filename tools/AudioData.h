// SPDX-License-Identifier: ISC
// Audio held in memory: one vector of samples per channel.
#pragma once

#include <cstddef>
#include <vector>

struct AudioData {
    int sampleRate = 44100;
    std::vector<std::vector<float>> channels;

    size_t frames() const { return channels.empty() ? 0 : channels[0].size(); }
};
