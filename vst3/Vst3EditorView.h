// SPDX-License-Identifier: ISC
// The effect's VST 3 editor: the view a controller's createView("editor")
// returns. It shows the platform-free editor view in a child window of the
// parent the host attaches it to (an X11 window id or an HWND); on Linux the
// window's X events and its timer come from the host's run loop, which the
// frame offers. Gestures go to the controller, which passes them to the host's
// component handler.
//
// Threads: the host calls every operation, the run loop's handlers included, on
// its main (user interface) thread.
#pragma once

#include "editor/EditorView.h"
#include "editor/EditorWindow.h"
#include "vst3/Vst3Interface.h"

#include <atomic>
#include <memory>

namespace vst3 {

class Vst3Controller;
class Vst3Processor;

class Vst3EditorView final : public IPlugView,
                             public IPlugViewContentScaleSupport,
                             public linux_loop::IEventHandler,
                             public linux_loop::ITimerHandler {
  public:
    // The controller takes the view's gestures and gives its texts; the
    // processor, when the controller knows it (null otherwise), publishes the
    // loop the view shows. The view keeps a reference to each for its life, as
    // the host may release them first, and tells the controller when it goes.
    Vst3EditorView(Vst3Controller& controller, Vst3Processor* processor);
    Vst3EditorView(const Vst3EditorView&) = delete;
    Vst3EditorView& operator=(const Vst3EditorView&) = delete;

    // A host-side change of a parameter: the control moves.
    void setParameter(int32_t index, float value) { editor.setParameter(index, value); }

    // FUnknown
    tresult queryInterface(const TUID iid, void** object) override;
    uint32_t addRef() override;
    uint32_t release() override;

    // IPlugView
    tresult isPlatformTypeSupported(FIDString type) override;
    tresult attached(void* parent, FIDString type) override;
    tresult removed() override;
    tresult onWheel(float) override { return kResultFalse; }
    tresult onKeyDown(TChar, int16_t, int16_t) override { return kResultFalse; }
    tresult onKeyUp(TChar, int16_t, int16_t) override { return kResultFalse; }
    tresult getSize(ViewRect* size) override;
    tresult onSize(ViewRect* newSize) override;
    tresult onFocus(TBool) override { return kResultOk; }
    tresult setFrame(IPlugFrame* frame) override;
    tresult canResize() override { return kResultTrue; }
    tresult checkSizeConstraint(ViewRect* rect) override;

    // IPlugViewContentScaleSupport
    tresult setContentScaleFactor(float factor) override;

    // IEventHandler: the X connection has something to read.
    void onFDIsSet(linux_loop::FileDescriptor) override;
    // ITimerHandler
    void onTimer() override;

  private:
    ~Vst3EditorView();
    // Closes the window and leaves the run loop.
    void detach();

    std::atomic<uint32_t> references{1};
    Vst3Controller& controller;
    Vst3Processor* processor;

    tapestrum::editor::EditorView editor;
    std::unique_ptr<tapestrum::editor::EditorWindow> window;
    IPlugFrame* frame = nullptr;
    linux_loop::IRunLoop* runLoop = nullptr;
    double scale = 1;
};

} // namespace vst3
