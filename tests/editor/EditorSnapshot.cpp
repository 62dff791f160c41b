// SPDX-License-Identifier: ISC
// Paints the editor as it stands after a few seconds of the test signal
// through a preset, into a PPM image: the picture to look at after a change
// to the painter, and the source of the README's screenshot.
//   editor_snapshot OUT.ppm [PRESET] [WIDTH HEIGHT [SCALE]]
#include "core/FactoryPresets.h"
#include "editor/EditorTestHost.h"
#include "support/Signals.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    using namespace tapestrum::editor;
    if (argc < 2) {
        std::fprintf(stderr, "usage: editor_snapshot OUT.ppm [PRESET] [WIDTH HEIGHT [SCALE]]\n");
        return 2;
    }
    TapestrumEffect effect(2, SimdLevel::Best);
    effect.resume();
    const FactoryPreset* preset = FindFactoryPreset(argc > 2 ? argv[2] : "short shimmer");
    if (!preset) {
        std::fprintf(stderr, "no preset named %s\n", argv[2]);
        return 2;
    }
    effect.setValues(preset->values);
    TestHost host(effect);
    EditorView view(host, &effect.loopFeed());
    if (argc > 5) view.setScale(std::atof(argv[5]));
    if (argc > 4) view.resize(std::atoi(argv[3]), std::atoi(argv[4]));
    for (int32_t i = 0; i < kParameterCount; ++i)
        view.setParameter(i, effect.storedParameter(i));

    const std::vector<float> left = TestSignal(44100.0, 44100 * 3, 1);
    const std::vector<float> right = TestSignal(44100.0, 44100 * 3, 2);
    std::vector<float> outLeft(left.size()), outRight(right.size());
    for (size_t at = 0; at + 512 <= left.size(); at += 512) {
        const float* const inputs[] = {left.data() + at, right.data() + at};
        float* const outputs[] = {outLeft.data() + at, outRight.data() + at};
        effect.processChannels(inputs, outputs, 512);
    }
    view.tick();
    const Painted painted(view);
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out) return 1;
    std::fprintf(out, "P6\n%d %d\n255\n", painted.width, painted.height);
    for (const uint32_t pixel : painted.pixels) {
        const unsigned char rgb[] = {static_cast<unsigned char>(pixel >> 16),
                                     static_cast<unsigned char>(pixel >> 8),
                                     static_cast<unsigned char>(pixel)};
        std::fwrite(rgb, 1, 3, out);
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
