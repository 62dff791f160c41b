// SPDX-License-Identifier: ISC
// The effect's VST 3 edit controller: the 11 parameters as hosts list them,
// their texts, and the values the host last gave them.
//
// The controller keeps an effect of its own as a mirror of the processor's
// settings: the host sets its values (setParamNormalized, setComponentState)
// and the processor tells it the sample rate, so that its texts are the ones
// the processor's settings show. The mirror never processes audio.
//
// The editor (createView("editor")) edits through the controller: its gestures
// reach the host's component handler, its texts are the mirror's, and host-side
// changes move its controls. When the processor is in the same process, it
// tells the controller its address on connect (vst3/ProcessorLink.h), and the
// editor shows the loop the processor's effect publishes.
//
// Threads: the host calls every operation from its main (user interface)
// thread. The mirror's values are relaxed atomics, so a host that reads texts
// or values from another thread meanwhile sees each value whole.
#pragma once

#include "core/TapestrumEffect.h"
#include "editor/EditorView.h"
#include "vst3/Vst3Interface.h"

#include <atomic>
#include <vector>

namespace vst3 {

class Vst3EditorView;
class Vst3Processor;

class Vst3Controller final : public IEditController,
                             public IConnectionPoint,
                             public tapestrum::editor::EditorHost {
  public:
    Vst3Controller();
    Vst3Controller(const Vst3Controller&) = delete;
    Vst3Controller& operator=(const Vst3Controller&) = delete;

    // FUnknown
    tresult queryInterface(const TUID iid, void** object) override;
    uint32_t addRef() override;
    uint32_t release() override;

    // IPluginBase
    tresult initialize(FUnknown* context) override;
    tresult terminate() override;

    // IEditController
    tresult setComponentState(IBStream* state) override;
    tresult setState(IBStream* state) override;
    tresult getState(IBStream* state) override;
    int32_t getParameterCount() override;
    tresult getParameterInfo(int32_t index, ParameterInfo& info) override;
    tresult getParamStringByValue(ParamID id, ParamValue value, String128 text) override;
    tresult getParamValueByString(ParamID id, TChar* text, ParamValue& value) override;
    ParamValue normalizedParamToPlain(ParamID id, ParamValue value) override;
    ParamValue plainParamToNormalized(ParamID id, ParamValue value) override;
    ParamValue getParamNormalized(ParamID id) override;
    tresult setParamNormalized(ParamID id, ParamValue value) override;
    tresult setComponentHandler(IComponentHandler* handler) override;
    IPlugView* createView(FIDString name) override;

    // IConnectionPoint
    tresult connect(IConnectionPoint* other) override;
    tresult disconnect(IConnectionPoint* other) override;
    tresult notify(IMessage* message) override;

    // EditorHost: the editor's gestures, to the host; the mirror's texts.
    void beginEdit(int32_t index) override;
    void performEdit(int32_t index, float value) override;
    void endEdit(int32_t index) override;
    std::string parameterText(int32_t index, float value) override;

    // A view the controller made is going.
    void viewClosed(Vst3EditorView* view);

  private:
    ~Vst3Controller();
    void unlinkProcessor();
    // The view's controls take every value of the mirror.
    void showMirror(Vst3EditorView& view) const;

    std::atomic<uint32_t> references{1};
    TapestrumEffect mirror;
    IComponentHandler* handler = nullptr;
    IConnectionPoint* peer = nullptr;
    Vst3Processor* processor = nullptr; // in this process, when it said so
    std::vector<Vst3EditorView*> views; // open, not counted
};

} // namespace vst3
