// SPDX-License-Identifier: ISC
// The VST 3 editor through the tests' own host: the controller's view given
// the host's frame (with the host's run loop: the test parent's timers and
// descriptors), scaled, attached to the parent window, sized and removed; its
// edits reaching the host's component handler, the host's changes going to the
// controller, and the processor running on the audio thread.
#include "editor/EditorFaceDriver.h"
#include "vst3/Vst3TestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

using namespace testhost;
using vst3::IPlugFrame;
using vst3::linux_loop::IEventHandler;
using vst3::linux_loop::IRunLoop;
using vst3::linux_loop::ITimerHandler;

#if defined(_WIN32)
constexpr const char* kPlatformType = kPlatformTypeHWND;
constexpr size_t kRunLoopHandlers = 0;
#else
constexpr const char* kPlatformType = kPlatformTypeX11EmbedWindowID;
constexpr size_t kRunLoopHandlers = 2;
#endif

// The host's window around a view, and its run loop: the test parent's timers
// and descriptors.
class Frame final : public IPlugFrame, public IRunLoop {
  public:
    explicit Frame(TestParent& parent) : parent(parent) {}

    tresult queryInterface(const TUID iid, void** object) override {
        *object = kRunLoopIid.matches(iid) ? static_cast<IRunLoop*>(this) : nullptr;
        return *object != nullptr ? kResultOk : kNoInterface;
    }
    uint32_t addRef() override { return 2; }
    uint32_t release() override { return 1; }

    tresult resizeView(IPlugView* view, ViewRect* size) override { return view->onSize(size); }
    tresult registerEventHandler(IEventHandler* handler, int fd) override {
        if (handler == nullptr || !parent.loop().addDescriptor(fd, [=] { handler->onFDIsSet(fd); }))
            return kInvalidArgument;
        descriptors[handler] = fd;
        return kResultOk;
    }
    tresult unregisterEventHandler(IEventHandler* handler) override {
        const auto found = descriptors.find(handler);
        if (found == descriptors.end()) return kInvalidArgument;
        parent.loop().removeDescriptor(found->second);
        descriptors.erase(found);
        return kResultOk;
    }
    tresult registerTimer(ITimerHandler* handler, uint64_t milliseconds) override {
        if (handler == nullptr || milliseconds == 0 || milliseconds > 40) return kInvalidArgument;
        timers[handler] = parent.loop().addTimer(static_cast<uint32_t>(milliseconds),
                                                 [=](uint32_t) { handler->onTimer(); });
        return kResultOk;
    }
    tresult unregisterTimer(ITimerHandler* handler) override {
        const auto found = timers.find(handler);
        if (found == timers.end()) return kInvalidArgument;
        parent.loop().removeTimer(found->second);
        timers.erase(found);
        return kResultOk;
    }

    TestParent& parent;
    std::map<IEventHandler*, int> descriptors;
    std::map<ITimerHandler*, uint32_t> timers;
};

class ComponentHandler final : public HostObject<IComponentHandler> {
  public:
    tresult beginEdit(ParamID id) override { return note('b', id, 0); }
    tresult performEdit(ParamID id, ParamValue value) override { return note('p', id, value); }
    tresult endEdit(ParamID id) override { return note('e', id, 0); }
    tresult restartComponent(int32_t) override { return kResultOk; }

    GestureLog log;

  private:
    tresult note(char kind, ParamID id, ParamValue value) {
        log.entries.push_back({kind, static_cast<int32_t>(id), static_cast<float>(value)});
        return kResultOk;
    }
};

class Vst3EditorDriver final : public EditorFaceDriver {
  public:
    explicit Vst3EditorDriver(TestParent& parent) : parent(parent), frame(parent) {
        if (usable()) plugin.controller->setComponentHandler(&handler);
    }
    ~Vst3EditorDriver() override {
        if (usable()) plugin.controller->setComponentHandler(nullptr);
    }
    bool usable() const { return module.loaded() && plugin.controller != nullptr; }

    bool open(float scale) override {
        view = plugin.controller->createView(kViewTypeEditor);
        if (view == nullptr) return false;
        view->setFrame(&frame);
        if (scale != 1)
            if (auto* scaling =
                    Query<IPlugViewContentScaleSupport>(view, kPlugViewContentScaleSupportIid)) {
                scaling->setContentScaleFactor(scale);
                scaling->release();
            }
        void* window = reinterpret_cast<void*>(parent.handle());
        if (view->attached(window, kPlatformType) != kResultOk) {
            view->release();
            view = nullptr;
            return false;
        }
        return true;
    }
    // On Linux the X connection and the timer run on the host's loop; a
    // Windows window has its own timer. The view's size and its constraint
    // are at the content scale.
    void checkOpened(std::uintptr_t, float scale) override {
        EXPECT_EQ(frame.descriptors.size() + frame.timers.size(), kRunLoopHandlers);
        ViewRect size{};
        view->getSize(&size);
        EXPECT_EQ(size.right, std::lround(720 * scale));
        EXPECT_EQ(size.bottom, std::lround(480 * scale));
        ViewRect wanted{0, 0, 10000, 100};
        view->checkSizeConstraint(&wanted);
        EXPECT_EQ(wanted.right, std::lround(2400 * scale));
        EXPECT_EQ(wanted.bottom, std::lround(320 * scale));
    }
    void resize(int width, int height) override {
        ViewRect slot{0, 0, width, height};
        view->onSize(&slot);
    }
    void close() override {
        EXPECT_EQ(view->removed(), kResultOk);
        EXPECT_EQ(parent.loop().registrations(), 0u);
        view->release();
        view = nullptr;
    }

    void pump() override { parent.run(std::chrono::milliseconds(10)); }
    GestureLog& log() override { return handler.log; }
    void setFromHost(int32_t index, float value) override {
        plugin.controller->setParamNormalized(static_cast<ParamID>(index), value);
    }
    std::optional<double> heldValue(int32_t index) override {
        return plugin.controller->getParamNormalized(static_cast<ParamID>(index));
    }

    bool activate() override { return plugin.activate(48000); }
    void process(const float* input, float* output, int32_t frames) override {
        plugin.process(input, output, frames, {});
    }
    void deactivate() override { plugin.deactivate(); }

  private:
    TestParent& parent;
    Vst3Module module{TAPESTRUM_VST3_BUNDLE};
    Vst3Plugin plugin{module};
    Frame frame;
    ComponentHandler handler;
    IPlugView* view = nullptr;
};

} // namespace

std::unique_ptr<EditorFaceDriver> MakeVst3EditorDriver(TestParent& parent) {
    auto driver = std::make_unique<Vst3EditorDriver>(parent);
    if (!driver->usable()) return nullptr;
    return driver;
}
