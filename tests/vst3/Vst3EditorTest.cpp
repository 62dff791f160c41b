// SPDX-License-Identifier: ISC
// The VST 3 editor through the tests' own host on a virtual X server: the view
// embedded in a parent window with the host's run loop, opened and closed again
// and again while audio runs, and its controls both ways (a drag to the host's
// component handler, a host-side change to the picture).
#include "editor/ControlCheck.h"
#include "editor/TestParent.h"
#include "vst3/Vst3TestHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <map>
#include <thread>
#include <vector>

namespace {

using namespace testhost;
using vst3::IPlugFrame;
using vst3::linux_loop::IEventHandler;
using vst3::linux_loop::IRunLoop;
using vst3::linux_loop::ITimerHandler;

constexpr int32_t kThresholdIndex = 5;
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

    tresult resizeView(IPlugView* view, ViewRect* size) override {
        resized.push_back(*size);
        return view->onSize(size);
    }
    tresult registerEventHandler(IEventHandler* handler, int fd) override {
        if (handler == nullptr || !parent.addDescriptor(fd, [=] { handler->onFDIsSet(fd); }))
            return kInvalidArgument;
        descriptors[handler] = fd;
        return kResultOk;
    }
    tresult unregisterEventHandler(IEventHandler* handler) override {
        const auto found = descriptors.find(handler);
        if (found == descriptors.end()) return kInvalidArgument;
        parent.removeDescriptor(found->second);
        descriptors.erase(found);
        return kResultOk;
    }
    tresult registerTimer(ITimerHandler* handler, uint64_t milliseconds) override {
        if (handler == nullptr || milliseconds == 0 || milliseconds > 40) return kInvalidArgument;
        timers[handler] = parent.addTimer(static_cast<uint32_t>(milliseconds),
                                          [=](uint32_t) { handler->onTimer(); });
        return kResultOk;
    }
    tresult unregisterTimer(ITimerHandler* handler) override {
        const auto found = timers.find(handler);
        if (found == timers.end()) return kInvalidArgument;
        parent.removeTimer(found->second);
        timers.erase(found);
        return kResultOk;
    }

    TestParent& parent;
    std::map<IEventHandler*, int> descriptors;
    std::map<ITimerHandler*, uint32_t> timers;
    std::vector<ViewRect> resized;
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

class Vst3EditorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!unavailable.empty()) GTEST_SKIP() << unavailable;
        ASSERT_TRUE(module.loaded());
        plugin.controller->setComponentHandler(&handler);
    }
    void TearDown() override {
        plugin.controller->setComponentHandler(nullptr);
        EXPECT_EQ(parent.errors(), 0);
    }

    IPlugView* open(float scale = 1) {
        IPlugView* view = plugin.controller->createView(kViewTypeEditor);
        if (view == nullptr) return nullptr;
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
            return nullptr;
        }
        return view;
    }

    const std::string unavailable = TestParent::Unavailable();
    Vst3Module module{TAPESTRUM_VST3_BUNDLE};
    Vst3Plugin plugin{module};
    TestParent parent{1600, 1200};
    Frame frame{parent};
    ComponentHandler handler;
};

// Opened in the parent, sized, scaled, showing the loop while the processor
// runs on its own thread, and closed: fifty times, leaving no window, handler
// or X error.
TEST_F(Vst3EditorTest, OpensAndClosesWhileAudioRuns) {
    ASSERT_TRUE(plugin.activate(48000));
    std::atomic<bool> running{true};
    std::thread audio([&] {
        std::vector<float> input(256), output(256);
        for (uint32_t seed = 1; running.load();) {
            for (float& sample : input)
                sample = static_cast<float>((seed = seed * 1664525u + 1013904223u) >> 8) / 8e6f - 1;
            plugin.process(input.data(), output.data(), 256, {});
        }
    });
    for (int cycle = 0; cycle < 50; ++cycle) {
        SCOPED_TRACE(cycle);
        const float scale = cycle % 2 == 0 ? 1.0f : 2.0f;
        IPlugView* view = open(scale);
        ASSERT_NE(view, nullptr);
        // On Linux the X connection and the timer run on the host's loop; a
        // Windows window has its own timer.
        EXPECT_EQ(frame.descriptors.size() + frame.timers.size(), kRunLoopHandlers);
        ViewRect size{};
        view->getSize(&size);
        EXPECT_EQ(size.right, std::lround(720 * scale));
        EXPECT_EQ(size.bottom, std::lround(480 * scale));
        ViewRect wanted{0, 0, 10000, 100};
        view->checkSizeConstraint(&wanted);
        EXPECT_EQ(wanted.right, std::lround(2400 * scale));
        EXPECT_EQ(wanted.bottom, std::lround(320 * scale));
        ViewRect slot{0, 0, 1000 + cycle, 700};
        view->onSize(&slot);
        const std::uintptr_t editor = SettledChild(parent, true);
        ASSERT_NE(editor, 0u);
        // The editor shows the processor's loop, which moves while it runs.
        EXPECT_TRUE(
            PictureMoves(parent, editor, [&] { parent.run(std::chrono::milliseconds(10)); }));
        EXPECT_TRUE(parent.visible(editor));
        EXPECT_EQ(parent.size(editor), std::make_pair(1000 + cycle, 700));
        EXPECT_EQ(view->removed(), kResultOk);
        EXPECT_EQ(parent.registrations(), 0u);
        view->release();
        EXPECT_EQ(SettledChild(parent, false), 0u);
    }
    running = false;
    audio.join();
    plugin.deactivate();
}

// The host's change of a value moves its control; the user's drag of the
// control reaches the host as one gesture, and the controller holds the value
// the host recorded last.
TEST_F(Vst3EditorTest, ControlsGoBothWays) {
    IPlugView* view = open();
    ASSERT_NE(view, nullptr);
    const std::uintptr_t editor = SettledChild(parent, true);
    ASSERT_NE(editor, 0u);
    const EditorUnderTest under{
        [&] { parent.run(std::chrono::milliseconds(10)); },
        [&](float value) { plugin.controller->setParamNormalized(kThresholdIndex, value); },
        handler.log};
    EXPECT_EQ(CheckControl(parent, editor, kThresholdIndex, under), "");
    ASSERT_FALSE(handler.log.entries.empty());
    EXPECT_EQ(plugin.controller->getParamNormalized(kThresholdIndex),
              handler.log.entries[handler.log.entries.size() - 2].value);
    view->removed();
    view->release();
}

} // namespace
