// SPDX-License-Identifier: ISC
#include "vst3/Vst3EditorView.h"

#include "vst3/Vst3Controller.h"
#include "vst3/Vst3Processor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vst3 {

namespace {

using tapestrum::editor::EditorView;

#if defined(_WIN32)
constexpr const char* kPlatformType = kPlatformTypeHWND;
#else
constexpr const char* kPlatformType = kPlatformTypeX11EmbedWindowID;
#endif
// The picture's timer: 50 a second.
constexpr linux_loop::TimerInterval kTimerMilliseconds = 20;

} // namespace

Vst3EditorView::Vst3EditorView(Vst3Controller& controller, Vst3Processor* processor)
    : controller(controller), processor(processor),
      editor(controller, processor != nullptr ? processor->loopFeed() : nullptr) {
    controller.addRef();
    if (processor != nullptr) processor->addRef();
}

Vst3EditorView::~Vst3EditorView() {
    detach();
    setFrame(nullptr);
    controller.viewClosed(this);
    if (processor != nullptr) processor->release();
    controller.release();
}

tresult Vst3EditorView::queryInterface(const TUID iid, void** object) {
    if (object == nullptr) return kInvalidArgument;
    void* found = nullptr;
    if (kFUnknownIid.matches(iid) || kPlugViewIid.matches(iid))
        found = static_cast<IPlugView*>(this);
    else if (kPlugViewContentScaleSupportIid.matches(iid))
        found = static_cast<IPlugViewContentScaleSupport*>(this);
    else if (kEventHandlerIid.matches(iid))
        found = static_cast<linux_loop::IEventHandler*>(this);
    else if (kTimerHandlerIid.matches(iid))
        found = static_cast<linux_loop::ITimerHandler*>(this);
    *object = found;
    if (found == nullptr) return kNoInterface;
    addRef();
    return kResultOk;
}

uint32_t Vst3EditorView::addRef() { return ++references; }

uint32_t Vst3EditorView::release() {
    const uint32_t left = --references;
    if (left == 0) delete this;
    return left;
}

tresult Vst3EditorView::isPlatformTypeSupported(FIDString type) {
    return type != nullptr && std::strcmp(type, kPlatformType) == 0 ? kResultTrue : kResultFalse;
}

// The window is made in the host's parent at the view's size. On Linux it needs
// the frame's run loop, for its X events and its timer; without one the view
// refuses to attach.
tresult Vst3EditorView::attached(void* parent, FIDString type) {
    if (parent == nullptr || isPlatformTypeSupported(type) != kResultTrue) return kInvalidArgument;
    if (window) return kResultFalse;
#if !defined(_WIN32)
    void* loop = nullptr;
    if (frame == nullptr ||
        frame->queryInterface(reinterpret_cast<const char*>(kRunLoopIid.bytes), &loop) !=
            kResultOk ||
        loop == nullptr)
        return kResultFalse;
    runLoop = static_cast<linux_loop::IRunLoop*>(loop);
#endif
    window =
        tapestrum::editor::EditorWindow::create(reinterpret_cast<std::uintptr_t>(parent), editor);
    if (!window) {
        detach();
        return kResultFalse;
    }
    if (runLoop != nullptr) {
        runLoop->registerEventHandler(this, window->fileDescriptor());
        runLoop->registerTimer(this, kTimerMilliseconds);
    }
    window->show(true);
    return kResultOk;
}

tresult Vst3EditorView::removed() {
    if (!window) return kResultFalse;
    detach();
    return kResultOk;
}

void Vst3EditorView::detach() {
    if (runLoop != nullptr) {
        if (window) {
            runLoop->unregisterTimer(this);
            runLoop->unregisterEventHandler(this);
        }
        runLoop->release();
        runLoop = nullptr;
    }
    window.reset();
}

tresult Vst3EditorView::getSize(ViewRect* size) {
    if (size == nullptr) return kInvalidArgument;
    *size = {0, 0, editor.width(), editor.height()};
    return kResultOk;
}

tresult Vst3EditorView::onSize(ViewRect* newSize) {
    if (newSize == nullptr) return kInvalidArgument;
    const int width = newSize->right - newSize->left, height = newSize->bottom - newSize->top;
    if (window)
        window->resize(width, height);
    else
        editor.resize(width, height);
    return kResultOk;
}

// The nearest size within the view's limits at the host's scale.
tresult Vst3EditorView::checkSizeConstraint(ViewRect* rect) {
    if (rect == nullptr) return kInvalidArgument;
    const auto within = [&](int32_t size, int least, int most) {
        return std::clamp(size, static_cast<int32_t>(std::lround(least * scale)),
                          static_cast<int32_t>(std::lround(most * scale)));
    };
    rect->right =
        rect->left + within(rect->right - rect->left, EditorView::kMinWidth, EditorView::kMaxWidth);
    rect->bottom = rect->top +
                   within(rect->bottom - rect->top, EditorView::kMinHeight, EditorView::kMaxHeight);
    return kResultOk;
}

tresult Vst3EditorView::setFrame(IPlugFrame* newFrame) {
    if (newFrame == frame) return kResultOk;
    if (frame != nullptr) frame->release();
    frame = newFrame;
    if (frame != nullptr) frame->addRef();
    return kResultOk;
}

// The view keeps its logical size at the new scale and asks the frame for the
// physical size that makes.
tresult Vst3EditorView::setContentScaleFactor(float factor) {
    if (!(factor > 0)) return kInvalidArgument;
    const double ratio = factor / scale;
    ViewRect size{0, 0, static_cast<int32_t>(std::lround(editor.width() * ratio)),
                  static_cast<int32_t>(std::lround(editor.height() * ratio))};
    scale = factor;
    editor.setScale(factor);
    checkSizeConstraint(&size);
    onSize(&size);
    if (frame != nullptr) {
        getSize(&size);
        frame->resizeView(this, &size);
    }
    return kResultOk;
}

void Vst3EditorView::onFDIsSet(linux_loop::FileDescriptor) {
    if (window) window->handleEvents();
}

void Vst3EditorView::onTimer() {
    if (window) window->tick();
}

} // namespace vst3
