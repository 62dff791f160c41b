// SPDX-License-Identifier: ISC
// The editor's colours (0x00RRGGBB). The marks' colours never occur in the
// picture's brightness scale, so each mark stays distinct on any track.
#pragma once

#include <array>
#include <cstdint>

namespace tapestrum::editor {

inline constexpr uint32_t kBackground = 0x14181D;
inline constexpr uint32_t kPanel = 0x1D242B;
inline constexpr uint32_t kPanelEdge = 0x34404B;
inline constexpr uint32_t kPanelHover = 0x26303A;
inline constexpr uint32_t kValueFill = 0x2F6FB8;
inline constexpr uint32_t kText = 0xE6EDF3;
inline constexpr uint32_t kDimText = 0x97A3AF;
inline constexpr uint32_t kWriteHead = 0xFF5A5A;
inline constexpr uint32_t kReadHead = 0x48D8FF;
inline constexpr uint32_t kLoopEnd = 0xF2F2F2;
inline constexpr uint32_t kBand = 0x7CE38B;
inline constexpr uint32_t kGateOpen = 0x7CE38B;
inline constexpr uint32_t kGateClosed = 0x5C6670;
inline constexpr uint32_t kThresholdMark = 0xFFB03A;

// The brightness scale of the track: black through violet, red and orange to
// a pale yellow, 256 steps.
inline constexpr std::array<uint32_t, 256> kBrightness = [] {
    constexpr int stops[6][3] = {{0, 0, 0},     {40, 12, 90},   {150, 30, 120},
                                 {235, 95, 45}, {255, 200, 90}, {255, 255, 225}};
    std::array<uint32_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        const int scaled = i * 5; // position along the stops, in 255ths
        const int k = scaled / 255 < 4 ? scaled / 255 : 4;
        const int f = scaled - k * 255;
        uint32_t colour = 0;
        for (int c = 0; c < 3; ++c) {
            const int v = stops[k][c] + ((stops[k + 1][c] - stops[k][c]) * f) / 255;
            colour = (colour << 8) | static_cast<uint32_t>(v);
        }
        table[i] = colour;
    }
    return table;
}();

} // namespace tapestrum::editor
