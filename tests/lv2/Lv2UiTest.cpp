// SPDX-License-Identifier: ISC
// The LV2 UI as a host loads it, from its own binary, beside an instance of the
// plug-in on a virtual X server: made in a parent window with instance access,
// resized by the host, idled while the plug-in runs on its own thread, and
// cleaned up, again and again; its controls both ways (a drag to the write
// function between touch calls, a port event to the picture).
#include "editor/ControlCheck.h"
#include "editor/TestParent.h"
#include "lv2/Lv2Ports.h"
#include "tools/DynamicLibrary.h"

#include <lv2/core/lv2.h>
#include <lv2/data-access/data-access.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

// After the test framework, whose names X11's macros would take.
#include <X11/Xlib.h>

namespace {

constexpr int32_t kThresholdIndex = 5;

// The plug-in instance, its ports, and a thread that runs it.
class RunningPlugin {
  public:
    RunningPlugin() {
        const auto entry =
            reinterpret_cast<const LV2_Descriptor* (*)(uint32_t)>(library.symbol("lv2_descriptor"));
        descriptor = entry != nullptr ? entry(0) : nullptr;
        if (descriptor == nullptr) return;
        handle = descriptor->instantiate(descriptor, 48000, "", nullptr);
        descriptor->connect_port(handle, kLv2AudioInPort, input.data());
        descriptor->connect_port(handle, kLv2AudioOutPort, output.data());
        for (uint32_t i = 0; i < kParameterCount; ++i) {
            controls[i] = kParameters[i].defaultValue;
            descriptor->connect_port(handle, kLv2FirstControlPort + i, &controls[i]);
        }
        descriptor->activate(handle);
    }
    ~RunningPlugin() {
        stop();
        if (handle == nullptr) return;
        descriptor->deactivate(handle);
        descriptor->cleanup(handle);
    }
    void start() {
        audio = std::thread([this] {
            for (uint32_t seed = 1; running.load();) {
                for (float& sample : input)
                    sample =
                        static_cast<float>((seed = seed * 1664525u + 1013904223u) >> 8) / 8e6f - 1;
                descriptor->run(handle, 256);
            }
        });
    }
    void stop() {
        running = false;
        if (audio.joinable()) audio.join();
    }

    DynamicLibrary library{LV2_BINARY_PATH};
    const LV2_Descriptor* descriptor = nullptr;
    LV2_Handle handle = nullptr;

  private:
    std::array<float, 256> input{}, output{};
    std::array<float, kParameterCount> controls{};
    std::atomic<bool> running{true};
    std::thread audio;
};

class Lv2UiTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!unavailable.empty()) GTEST_SKIP() << unavailable;
        ASSERT_NE(plugin.handle, nullptr);
        const auto entry = reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(
            library.symbol("lv2ui_descriptor"));
        ASSERT_NE(entry, nullptr);
        ui = entry(0);
        ASSERT_NE(ui, nullptr);
        idle = static_cast<const LV2UI_Idle_Interface*>(ui->extension_data(LV2_UI__idleInterface));
        ASSERT_NE(idle, nullptr);
    }
    void TearDown() override { EXPECT_EQ(parent.errors(), 0); }

    LV2UI_Handle open() {
        const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(parent.handle())};
        const LV2_Feature instance{LV2_INSTANCE_ACCESS_URI, plugin.handle};
        const LV2_Feature data{LV2_DATA_ACCESS_URI, &dataAccess};
        const LV2_Feature touchFeature{LV2_UI__touch, &touch};
        const LV2_Feature resizeFeature{LV2_UI__resize, &resize};
        const LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
        const LV2_Feature* features[] = {&parentFeature, &instance,    &data,  &touchFeature,
                                         &resizeFeature, &idleFeature, nullptr};
        LV2UI_Widget widget = nullptr;
        LV2UI_Handle handle = ui->instantiate(ui, kLv2Uri, "", Write, &log, &widget, features);
        if (handle != nullptr) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(widget), SettledChild(parent, true));
        }
        return handle;
    }
    void pump(LV2UI_Handle handle) {
        EXPECT_EQ(idle->idle(handle), 0);
        parent.run(std::chrono::milliseconds(5));
    }

    // The write function and the touch feature: what a host records.
    static void Write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format,
                      const void* buffer) {
        ASSERT_EQ(size, sizeof(float));
        ASSERT_EQ(format, 0u);
        static_cast<GestureLog*>(controller)
            ->entries.push_back({'p', static_cast<int32_t>(port - kLv2FirstControlPort),
                                 *static_cast<const float*>(buffer)});
    }
    static void Touch(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed) {
        static_cast<GestureLog*>(handle)->entries.push_back(
            {grabbed ? 'b' : 'e', static_cast<int32_t>(port - kLv2FirstControlPort), 0});
    }
    static int Resize(LV2UI_Feature_Handle handle, int width, int height) {
        *static_cast<std::pair<int, int>*>(handle) = {width, height};
        return 0;
    }

    const std::string unavailable = TestParent::Unavailable();
    RunningPlugin plugin;
    DynamicLibrary library{LV2_UI_BINARY_PATH};
    const LV2UI_Descriptor* ui = nullptr;
    const LV2UI_Idle_Interface* idle = nullptr;
    TestParent parent{1600, 1200};
    GestureLog log;
    std::pair<int, int> asked{};
    LV2_Extension_Data_Feature dataAccess{plugin.descriptor->extension_data};
    LV2UI_Touch touch{&log, Touch};
    LV2UI_Resize resize{&asked, Resize};
};

// Made, asking the host for its size, resized by the host, showing the loop
// while the plug-in runs, and cleaned up: fifty times, leaving no window or X
// error.
TEST_F(Lv2UiTest, OpensAndClosesWhileAudioRuns) {
    Display* host = XOpenDisplay(nullptr);
    ASSERT_NE(host, nullptr);
    plugin.start();
    for (int cycle = 0; cycle < 50; ++cycle) {
        SCOPED_TRACE(cycle);
        LV2UI_Handle handle = open();
        ASSERT_NE(handle, nullptr);
        EXPECT_EQ(asked, std::make_pair(720, 480));
        const std::uintptr_t editor = SettledChild(parent, true);
        ASSERT_NE(editor, 0u);
        XResizeWindow(host, editor, 1000 + cycle, 700);
        XSync(host, False);
        // The editor shows the instance's loop, which moves while it runs.
        EXPECT_TRUE(PictureMoves(parent, editor, [&] { pump(handle); }));
        EXPECT_TRUE(parent.visible(editor));
        EXPECT_EQ(parent.size(editor), std::make_pair(1000 + cycle, 700));
        ui->cleanup(handle);
        EXPECT_EQ(SettledChild(parent, false), 0u);
    }
    plugin.stop();
    XCloseDisplay(host);
}

// A port event moves the control; a drag on it reaches the host as port
// writes between touch calls.
TEST_F(Lv2UiTest, ControlsGoBothWays) {
    LV2UI_Handle handle = open();
    ASSERT_NE(handle, nullptr);
    const EditorUnderTest under{[&] { pump(handle); },
                                [&](float value) {
                                    ui->port_event(handle, kLv2FirstControlPort + kThresholdIndex,
                                                   sizeof value, 0, &value);
                                },
                                log};
    EXPECT_EQ(CheckControl(parent, SettledChild(parent, true), kThresholdIndex, under), "");
    ui->cleanup(handle);
}

} // namespace
