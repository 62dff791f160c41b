// SPDX-License-Identifier: ISC
// What the editor's tests stand on: a host that records the gestures a view
// sends and answers texts from an effect, and a view painted into memory.
#pragma once

#include "core/TapestrumEffect.h"
#include "editor/EditorView.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tapestrum::editor {

class TestHost : public EditorHost {
  public:
    explicit TestHost(const TapestrumEffect& effect) : effect(effect) {}
    // Each call as a host would log it: "begin 3", "perform 3 0.25", "end 3".
    std::vector<std::string> calls;

    void beginEdit(int32_t index) override { calls.push_back("begin " + std::to_string(index)); }
    void performEdit(int32_t index, float value) override {
        calls.push_back("perform " + std::to_string(index) + " " + std::to_string(value));
    }
    void endEdit(int32_t index) override { calls.push_back("end " + std::to_string(index)); }
    std::string parameterText(int32_t index, float value) override {
        return effect.displayTextFor(index, value);
    }

  private:
    const TapestrumEffect& effect;
};

// A view's whole window, painted.
struct Painted {
    explicit Painted(EditorView& view)
        : width(view.width()), height(view.height()), pixels(size_t(width) * height, 0xFF000000u) {
        view.paint({pixels.data(), width, height, width});
    }
    uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
    int width, height;
    std::vector<uint32_t> pixels;
};

} // namespace tapestrum::editor
