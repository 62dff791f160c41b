// SPDX-License-Identifier: ISC
// What the editor contract asks of a face's editor, as that face's host drives
// it in a test parent: made and embedded, sized, shown, hidden and closed; the
// host's run loop turned; a host-side change of a value; the gestures the host
// recorded; and the plug-in's audio processed on another thread. One small
// driver per face (CLAP, VST 3, LV2) implements it.
#pragma once

#include "editor/ControlCheck.h"
#include "editor/TestParent.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

class EditorFaceDriver {
  public:
    virtual ~EditorFaceDriver() = default;

    // Made and embedded in the parent at the scale (a face without a content
    // scale ignores it); false when the face refuses.
    virtual bool open(float scale) = 0;
    // The face's own answers once its editor is the parent's child `window`
    // at `scale` (registered handlers, sizes it reports or asks for, the
    // embedding protocol's flags), as test expectations.
    virtual void checkOpened(std::uintptr_t window, float scale) = 0;
    // The host gives the editor this size.
    virtual void resize(int width, int height) = 0;
    virtual void show() {}
    // Hides the editor: false for a face whose host has no such call.
    virtual bool hide() { return false; }
    // The size the editor tells its host it has, where the face can be asked.
    virtual std::optional<std::pair<int, int>> reportedSize() { return std::nullopt; }
    // Takes the editor away; the face's own checks of its going as expectations.
    virtual void close() = 0;
    // Whether the editor's window is gone as soon as close returns (rather
    // than a moment later, through the editor's own connection).
    virtual bool windowGoesAtOnce() const { return false; }

    // Turns the host's loop once, for about 10 ms: its timers, descriptors and
    // idle calls, and its answers to the plug-in's requests; what the plug-in
    // sent the host by then is in `log()`.
    virtual void pump() = 0;
    virtual GestureLog& log() = 0;
    // A host-side change of a parameter's value (0 to 1), as automation or a
    // preset would make it.
    virtual void setFromHost(int32_t index, float value) = 0;
    // The value the plug-in holds, as its host reads it back; none where the
    // host holds the values itself.
    virtual std::optional<double> heldValue(int32_t index) = 0;

    // The audio side: made ready to process, one block processed (from the
    // audio thread), and stopped again.
    virtual bool activate() = 0;
    virtual void process(const float* input, float* output, int32_t frames) = 0;
    virtual void deactivate() = 0;
};

struct EditorFace {
    std::string name;
    std::function<std::unique_ptr<EditorFaceDriver>(TestParent& parent)> make;
};

inline void PrintTo(const EditorFace& face, std::ostream* out) { *out << face.name; }

// The faces with an editor in this build, each over its built binary.
std::vector<EditorFace> EditorFaces();

std::unique_ptr<EditorFaceDriver> MakeClapEditorDriver(TestParent& parent);
std::unique_ptr<EditorFaceDriver> MakeVst3EditorDriver(TestParent& parent);
std::unique_ptr<EditorFaceDriver> MakeLv2EditorDriver(TestParent& parent);
