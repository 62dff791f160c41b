// SPDX-License-Identifier: ISC
// EditorView: the whole editor apart from any platform. It lays out, paints
// into a pixel buffer and takes input in the window's physical pixels; a
// platform window (editor/EditorWindow.h) shows the pixels and passes input on,
// and the format's face is the EditorHost that carries parameter gestures to
// the host. Every call is on the editor's (UI) thread.
#pragma once
#include "editor/PixelBuffer.h"
#include <cstdint>
#include <string>
class LoopFeed; // core/LoopFeed.h: the audio thread's publication of the loop (editor-core)
namespace tapestrum::editor {
struct EditorLayout;
// What the view asks of the face that hosts it. Called on the editor's (UI) thread.
class EditorHost {
  public:
    virtual ~EditorHost() = default;
    // A gesture: begin, any number of performs, end (VST 3 beginEdit/performEdit/endEdit,
    // CLAP gesture begin/value/gesture end, LV2 write to the control port).
    virtual void beginEdit(int32_t index) = 0;
    virtual void performEdit(int32_t index, float normalisedValue) = 0;
    virtual void endEdit(int32_t index) = 0;
    // The effect's own text for the parameter at a normalised value, as the face's
    // host would show it (the face has the core or its own copy of the texts).
    virtual std::string parameterText(int32_t index, float normalisedValue) = 0;
};
enum Modifier : unsigned { kNoModifier = 0, kFine = 1 /* shift or control held */ };
class EditorView {
  public:
    static constexpr int kDefaultWidth = 720, kDefaultHeight = 480; // logical pixels
    static constexpr int kMinWidth = 480, kMinHeight = 320, kMaxWidth = 2400, kMaxHeight = 1600;
    // loop may be null: the picture then says the loop is unavailable and the
    // controls still work. Both must outlive the view.
    EditorView(EditorHost& host, const LoopFeed* loop);
    ~EditorView();
    EditorView(const EditorView&) = delete;
    EditorView& operator=(const EditorView&) = delete;
    // The host's scale factor (1 = 96 dpi); sizes below are physical pixels.
    void setScale(double scale);
    // Takes the nearest size within the limits (times the scale); returns it.
    void resize(int width, int height);
    int width() const;
    int height() const;
    // Host-side changes (automation, presets, state): the control moves.
    void setParameter(int32_t index, float normalisedValue);
    // The platform's timer (25 times a second or more): reads the loop feed;
    // true when the picture changed and should be painted again.
    bool tick();
    // Draws the whole window (width() x height()) into target.
    void paint(const PixelBuffer& target);
    // Input in physical pixels of the view.
    void mouseDown(int x, int y, unsigned modifiers, bool doubleClick);
    void mouseMove(int x, int y, unsigned modifiers);
    void mouseUp(int x, int y, unsigned modifiers);
    void wheel(int x, int y, float steps, unsigned modifiers); // steps > 0: up

    // Where everything stands at the present size, in physical pixels (for the
    // painter's tests and the platform layers).
    const EditorLayout& layout() const;
    // The value a control shows now (a host's last value, or the user's).
    float parameterValue(int32_t index) const;
    // What the presets menu's button says: the preset last chosen, with
    // "(edited)" once a control moved.
    std::string presetCaption() const;

  private:
    struct Impl;
    Impl* impl; // editor-core's choice (unique_ptr is fine too)
};
} // namespace tapestrum::editor
