// SPDX-License-Identifier: ISC
// The effect's VST 3 component: its audio processor, its buses and its saved
// state, around one TapestrumEffect: mono in and out (the arrangement it starts
// with), or stereo in and out with the stereo effect's linked gate.
//
// Threads: the host calls everything but process from its main (user
// interface) thread; process comes from its audio thread, possibly while the
// main thread sets or reads the state. The effect's values and rate are
// relaxed atomics, so a state set during processing reaches the audio thread
// as parameter changes do. The program's name and the connection are touched by
// the main thread alone. The arrangement changes, and with it the effect, only
// on the main thread while the component is switched off, so the audio thread
// never sees the effect replaced.
#pragma once

#include "core/TapestrumEffect.h"
#include "vst3/ParameterSchedule.h"
#include "vst3/Vst3Interface.h"

#include <atomic>
#include <memory>

class LoopFeed;

namespace vst3 {

class Vst3Processor final : public IComponent,
                            public IAudioProcessor,
                            public IProcessContextRequirements,
                            public IConnectionPoint {
  public:
    Vst3Processor();
    Vst3Processor(const Vst3Processor&) = delete;
    Vst3Processor& operator=(const Vst3Processor&) = delete;

    // FUnknown
    tresult queryInterface(const TUID iid, void** object) override;
    uint32_t addRef() override;
    uint32_t release() override;

    // IPluginBase
    tresult initialize(FUnknown* context) override;
    tresult terminate() override;

    // IComponent
    tresult getControllerClassId(TUID classId) override;
    tresult setIoMode(int32_t mode) override;
    int32_t getBusCount(int32_t type, int32_t direction) override;
    tresult getBusInfo(int32_t type, int32_t direction, int32_t index, BusInfo& bus) override;
    tresult getRoutingInfo(RoutingInfo& in, RoutingInfo& out) override;
    tresult activateBus(int32_t type, int32_t direction, int32_t index, TBool state) override;
    tresult setActive(TBool state) override;
    tresult setState(IBStream* state) override;
    tresult getState(IBStream* state) override;

    // IAudioProcessor
    tresult setBusArrangements(SpeakerArrangement* inputs, int32_t inputCount,
                               SpeakerArrangement* outputs, int32_t outputCount) override;
    tresult getBusArrangement(int32_t direction, int32_t index,
                              SpeakerArrangement& arrangement) override;
    tresult canProcessSampleSize(int32_t symbolicSampleSize) override;
    uint32_t getLatencySamples() override;
    tresult setupProcessing(ProcessSetup& setup) override;
    tresult setProcessing(TBool state) override;
    tresult process(ProcessData& data) override;
    uint32_t getTailSamples() override;

    // IProcessContextRequirements: the effect reads nothing of the transport.
    uint32_t getProcessContextRequirements() override { return 0; }

    // IConnectionPoint
    tresult connect(IConnectionPoint* other) override;
    tresult disconnect(IConnectionPoint* other) override;
    tresult notify(IMessage* message) override;

    // For the editor in the same process (vst3/ProcessorLink.h): a reference
    // unless the last one is already gone, and the loop the effect publishes.
    bool addRefIfAlive();
    const LoopFeed* loopFeed() const;

  private:
    ~Vst3Processor();
    // Sends the host's sample rate to the connected controller, in a message the
    // host makes (main thread).
    void sendSampleRate();
    // Sends the processor's address to the connected controller (main thread).
    void sendLink();
    void sendMessage(const char* id, void (*fill)(IAttributeList&, Vst3Processor&));
    // Runs the effect over frames [from, to) of the block's channels (as many
    // as the effect has); a missing input is silence, and without outputs
    // nothing runs.
    void render(const float* const* inputs, float* const* outputs, int32_t from, int32_t to);

    std::atomic<uint32_t> references{1};
    // Made mono or stereo only by setBusArrangements, while switched off (main
    // thread); the object itself never changes, so its loop feed stays valid.
    std::unique_ptr<TapestrumEffect> effect = std::make_unique<TapestrumEffect>();
    bool active = false;        // main thread
    ParameterSchedule schedule; // audio thread only
    IHostApplication* host = nullptr;
    IConnectionPoint* peer = nullptr;
};

} // namespace vst3
