// SPDX-License-Identifier: ISC
// The LV2 UI as a host loads it, from its own binary, beside an instance of the
// plug-in: made in the parent window with instance and data access, touch,
// resize and idle features; resized by the host on its own X connection;
// idled; its edits reaching the write function between touch calls, the
// host's changes given to it as port events; the instance run on the audio
// thread. The host holds the control values in its ports, so there is no
// value to read back from the plug-in.
#include "editor/EditorFaceDriver.h"
#include "lv2/Lv2Ports.h"
#include "tools/DynamicLibrary.h"

#include <lv2/core/lv2.h>
#include <lv2/data-access/data-access.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

// After the test framework, whose names X11's macros would take.
#include <X11/Xlib.h>

namespace {

class Lv2EditorDriver final : public EditorFaceDriver {
  public:
    // The instance made and activated, its ports connected; the UI's entry.
    explicit Lv2EditorDriver(TestParent& parent) : parent(parent) {
        const auto entry = reinterpret_cast<const LV2_Descriptor* (*)(uint32_t)>(
            pluginLibrary.symbol("lv2_descriptor"));
        const auto uiEntry = reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(
            uiLibrary.symbol("lv2ui_descriptor"));
        descriptor = entry != nullptr ? entry(0) : nullptr;
        ui = uiEntry != nullptr ? uiEntry(0) : nullptr;
        if (descriptor == nullptr || ui == nullptr) return;
        instance = descriptor->instantiate(descriptor, 48000, "", nullptr);
        descriptor->connect_port(instance, kLv2AudioInPort, input.data());
        descriptor->connect_port(instance, kLv2AudioOutPort, output.data());
        for (uint32_t i = 0; i < kParameterCount; ++i) {
            controls[i] = kParameters[i].defaultValue;
            descriptor->connect_port(instance, kLv2FirstControlPort + i, &controls[i]);
        }
        descriptor->activate(instance);
        dataAccess = {descriptor->extension_data};
        idle = static_cast<const LV2UI_Idle_Interface*>(ui->extension_data(LV2_UI__idleInterface));
    }
    ~Lv2EditorDriver() override {
        if (host != nullptr) XCloseDisplay(host);
        if (instance == nullptr) return;
        descriptor->deactivate(instance);
        descriptor->cleanup(instance);
    }
    bool usable() const { return instance != nullptr && idle != nullptr && host != nullptr; }

    bool open(float) override {
        const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(parent.handle())};
        const LV2_Feature instanceFeature{LV2_INSTANCE_ACCESS_URI, instance};
        const LV2_Feature data{LV2_DATA_ACCESS_URI, &dataAccess};
        const LV2_Feature touchFeature{LV2_UI__touch, &touch};
        const LV2_Feature resizeFeature{LV2_UI__resize, &resizeRequest};
        const LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
        const LV2_Feature* features[] = {&parentFeature, &instanceFeature, &data,  &touchFeature,
                                         &resizeFeature, &idleFeature,     nullptr};
        handle = ui->instantiate(ui, kLv2Uri, "", Write, &gestures, &widget, features);
        return handle != nullptr;
    }
    // The widget is the parent's child, and the UI asked the host for its size.
    void checkOpened(std::uintptr_t window, float) override {
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(widget), window);
        EXPECT_EQ(asked, std::make_pair(720, 480));
    }
    void resize(int width, int height) override {
        XResizeWindow(host, reinterpret_cast<std::uintptr_t>(widget), static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
        XSync(host, False);
    }
    void close() override {
        ui->cleanup(handle);
        handle = nullptr;
        widget = nullptr;
    }

    void pump() override {
        EXPECT_EQ(idle->idle(handle), 0);
        parent.run(std::chrono::milliseconds(5));
    }
    GestureLog& log() override { return gestures; }
    void setFromHost(int32_t index, float value) override {
        ui->port_event(handle, kLv2FirstControlPort + static_cast<uint32_t>(index), sizeof value, 0,
                       &value);
    }
    std::optional<double> heldValue(int32_t) override { return std::nullopt; }

    bool activate() override { return true; }
    void process(const float* in, float* out, int32_t frames) override {
        std::copy(in, in + frames, input.begin());
        descriptor->run(instance, static_cast<uint32_t>(frames));
        std::copy(output.begin(), output.begin() + frames, out);
    }
    void deactivate() override {}

  private:
    // The write function and the touch feature: what a host records.
    static void Write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format,
                      const void* buffer) {
        ASSERT_EQ(size, sizeof(float));
        ASSERT_EQ(format, 0u);
        static_cast<GestureLog*>(controller)
            ->entries.push_back({'p', static_cast<int32_t>(port - kLv2FirstControlPort),
                                 *static_cast<const float*>(buffer)});
    }
    static void Touch(LV2UI_Feature_Handle log, uint32_t port, bool grabbed) {
        static_cast<GestureLog*>(log)->entries.push_back(
            {grabbed ? 'b' : 'e', static_cast<int32_t>(port - kLv2FirstControlPort), 0});
    }
    static int Resize(LV2UI_Feature_Handle asked, int width, int height) {
        *static_cast<std::pair<int, int>*>(asked) = {width, height};
        return 0;
    }

    TestParent& parent;
    DynamicLibrary pluginLibrary{LV2_BINARY_PATH};
    DynamicLibrary uiLibrary{LV2_UI_BINARY_PATH};
    const LV2_Descriptor* descriptor = nullptr;
    LV2_Handle instance = nullptr;
    std::array<float, 256> input{}, output{};
    std::array<float, kParameterCount> controls{};
    const LV2UI_Descriptor* ui = nullptr;
    const LV2UI_Idle_Interface* idle = nullptr;
    // The host's own connection to the X server, as it resizes the widget.
    Display* host = XOpenDisplay(nullptr);
    GestureLog gestures;
    std::pair<int, int> asked{};
    LV2_Extension_Data_Feature dataAccess{nullptr};
    LV2UI_Touch touch{&gestures, Touch};
    LV2UI_Resize resizeRequest{&asked, Resize};
    LV2UI_Handle handle = nullptr;
    LV2UI_Widget widget = nullptr;
};

} // namespace

std::unique_ptr<EditorFaceDriver> MakeLv2EditorDriver(TestParent& parent) {
    auto driver = std::make_unique<Lv2EditorDriver>(parent);
    if (!driver->usable()) return nullptr;
    return driver;
}
