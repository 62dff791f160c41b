// SPDX-License-Identifier: ISC
// The LV2 UI (tapestrum_ui.so in the bundle): the editor in an X11 child window
// of the parent the host gives. The host's idle calls drive it (its X events
// and its picture's timer); edits go to the control ports through the host's
// write function, each gesture between touch calls where the host offers
// them; the host's port events move the controls. With instance-access and
// data-access the editor shows the loop of the instance it edits.
//
// Threads: the host calls everything on its UI thread.
#include "core/ModuleExport.h"
#include "core/TapestrumEffect.h"
#include "editor/EditorWindow.h"
#include "lv2/Lv2EditorAccess.h"
#include "lv2/Lv2Ports.h"
#include "lv2/Lv2UiData.h"

#include <lv2/data-access/data-access.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>

#include <array>
#include <cstring>
#include <exception>
#include <memory>
#include <string>

namespace {

using tapestrum::editor::EditorView;
using tapestrum::editor::EditorWindow;

// The features the UI looks for among those the host passes.
struct HostFeatures {
    void* parent = nullptr;
    LV2_Handle instance = nullptr;
    const LV2_Extension_Data_Feature* dataAccess = nullptr;
    const LV2UI_Port_Map* portMap = nullptr;
    const LV2UI_Touch* touch = nullptr;
    const LV2UI_Resize* resize = nullptr;

    explicit HostFeatures(const LV2_Feature* const* features) {
        for (; features != nullptr && *features != nullptr; ++features) {
            const char* uri = (*features)->URI;
            void* data = (*features)->data;
            if (std::strcmp(uri, LV2_UI__parent) == 0)
                parent = data;
            else if (std::strcmp(uri, LV2_INSTANCE_ACCESS_URI) == 0)
                instance = data;
            else if (std::strcmp(uri, LV2_DATA_ACCESS_URI) == 0)
                dataAccess = static_cast<const LV2_Extension_Data_Feature*>(data);
            else if (std::strcmp(uri, LV2_UI__portMap) == 0)
                portMap = static_cast<const LV2UI_Port_Map*>(data);
            else if (std::strcmp(uri, LV2_UI__touch) == 0)
                touch = static_cast<const LV2UI_Touch*>(data);
            else if (std::strcmp(uri, LV2_UI__resize) == 0)
                resize = static_cast<const LV2UI_Resize*>(data);
        }
    }

    // The plug-in's table for its editor, when the host lets the UI reach it.
    const Lv2EditorAccess* editorAccess() const {
        if (instance == nullptr || dataAccess == nullptr || dataAccess->data_access == nullptr)
            return nullptr;
        return static_cast<const Lv2EditorAccess*>(dataAccess->data_access(kLv2EditorAccessUri));
    }
};

// One UI instance: the editor's view in its window, the control ports it edits
// (by symbol through the host's port map, or by the plug-in's port order), and
// a mirror of the effect for the texts.
class Lv2Editor final : public tapestrum::editor::EditorHost {
  public:
    // firstControl: the plug-in's first control port, where the port order
    // decides (no port map).
    Lv2Editor(const HostFeatures& features, uint32_t firstControl, LV2UI_Write_Function write,
              LV2UI_Controller controller)
        : write(write), controller(controller), touch(features.touch),
          view(*this, LoopOf(features)) {
        for (const ParameterInfo& row : kParameters) {
            const uint32_t mapped =
                features.portMap != nullptr
                    ? features.portMap->port_index(features.portMap->handle,
                                                   std::string(row.symbol).c_str())
                    : LV2UI_INVALID_PORT_INDEX;
            ports[size_t(row.index)] =
                mapped != LV2UI_INVALID_PORT_INDEX ? mapped : firstControl + uint32_t(row.index);
            texts.setParameter(row.index, row.defaultValue);
            view.setParameter(row.index, row.defaultValue);
        }
        if (const Lv2EditorAccess* access = features.editorAccess())
            texts.acceptSampleRate(access->sampleRate(features.instance));
    }

    // Null when the window cannot be made in the parent.
    bool open(void* parent) {
        window = EditorWindow::create(reinterpret_cast<std::uintptr_t>(parent), view);
        if (window) window->show(true);
        return window != nullptr;
    }
    int width() const { return view.width(); }
    int height() const { return view.height(); }
    EditorWindow& platformWindow() { return *window; }

    // A control port's new value, from the host.
    void portChanged(uint32_t port, float value) {
        for (const ParameterInfo& row : kParameters)
            if (ports[size_t(row.index)] == port) {
                texts.setParameter(row.index, value);
                view.setParameter(row.index, texts.storedParameter(row.index));
            }
    }

    void beginEdit(int32_t index) override {
        if (touch != nullptr) touch->touch(touch->handle, ports[size_t(index)], true);
    }
    void performEdit(int32_t index, float value) override {
        texts.setParameter(index, value);
        const float written = texts.storedParameter(index);
        write(controller, ports[size_t(index)], sizeof written, 0, &written);
    }
    void endEdit(int32_t index) override {
        if (touch != nullptr) touch->touch(touch->handle, ports[size_t(index)], false);
    }
    std::string parameterText(int32_t index, float value) override {
        return texts.displayTextFor(index, value);
    }

  private:
    static const LoopFeed* LoopOf(const HostFeatures& features) {
        const Lv2EditorAccess* access = features.editorAccess();
        return access != nullptr ? access->loopFeed(features.instance) : nullptr;
    }

    LV2UI_Write_Function write;
    LV2UI_Controller controller;
    const LV2UI_Touch* touch;
    std::array<uint32_t, kParameterCount> ports{};
    TapestrumEffect texts; // the values the host last told, for the texts; never processes
    EditorView view;
    std::unique_ptr<EditorWindow> window;
};

LV2UI_Handle Instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller,
                         LV2UI_Widget* widget, const LV2_Feature* const* features) {
    const HostFeatures found(features);
    if (found.parent == nullptr || write == nullptr || widget == nullptr) return nullptr;
    try {
        const bool stereo = pluginUri != nullptr && std::strcmp(pluginUri, kLv2StereoUri) == 0;
        auto editor = std::make_unique<Lv2Editor>(found, Lv2FirstControlPort(stereo ? 2 : 1), write,
                                                  controller);
        if (!editor->open(found.parent)) return nullptr;
        *widget = reinterpret_cast<LV2UI_Widget>(editor->platformWindow().nativeHandle());
        if (found.resize != nullptr)
            found.resize->ui_resize(found.resize->handle, editor->width(), editor->height());
        return editor.release();
    } catch (const std::exception&) {
        return nullptr;
    }
}

void Cleanup(LV2UI_Handle handle) { delete static_cast<Lv2Editor*>(handle); }

void PortEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format,
               const void* buffer) {
    if (format != 0 || size != sizeof(float) || buffer == nullptr) return;
    static_cast<Lv2Editor*>(handle)->portChanged(port, *static_cast<const float*>(buffer));
}

// The host's idle call: pending X events, then the picture's timer.
int Idle(LV2UI_Handle handle) {
    EditorWindow& window = static_cast<Lv2Editor*>(handle)->platformWindow();
    window.handleEvents();
    window.tick();
    return 0;
}

const LV2UI_Idle_Interface kIdle = {Idle};

const void* ExtensionData(const char* uri) {
    return uri != nullptr && std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &kIdle : nullptr;
}

const LV2UI_Descriptor kDescriptor = {kLv2UiUri, Instantiate, Cleanup, PortEvent, ExtensionData};

} // namespace

extern "C" TAPESTRUM_MODULE_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
