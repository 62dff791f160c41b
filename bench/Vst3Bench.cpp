// SPDX-License-Identifier: ISC
// One instance at 44.1 kHz in blocks of 256 through each face: the VST 3
// processor (with the empty parameter changes hosts send with most blocks)
// beside the VST 2 module loaded as a host loads it. Both report seconds of
// audio per second of processing; the face's own cost is their difference.
#include "tools/hosting/PluginHost.h"
#include "vst3/Vst3Factory.h"

#include "BenchSignals.h"

#include <benchmark/benchmark.h>
#include <vector>

namespace {

using namespace vst3;

constexpr double kRate = 44100.0;
constexpr int32_t kBlock = 256;

class NoChanges final : public IParameterChanges {
  public:
    tresult queryInterface(const TUID, void** object) override {
        *object = nullptr;
        return kNoInterface;
    }
    uint32_t addRef() override { return 1; }
    uint32_t release() override { return 1; }
    int32_t getParameterCount() override { return 0; }
    IParamValueQueue* getParameterData(int32_t) override { return nullptr; }
    IParamValueQueue* addParameterData(const ParamID&, int32_t&) override { return nullptr; }
};

void ReportRate(benchmark::State& state) {
    const double audioSeconds = static_cast<double>(state.iterations()) * kBlock / kRate;
    state.counters["realtime_factor"] =
        benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
}

void Vst3Face(benchmark::State& state) {
    TUID iid;
    void* made = nullptr;
    IPluginFactory* factory = ModuleFactory();
    PClassInfo info{};
    factory->getClassInfo(0, &info);
    kComponentIid.copyTo(iid);
    if (factory->createInstance(info.cid, iid, &made) != kResultOk)
        return state.SkipWithError("no component");
    auto* component = static_cast<IComponent*>(made);
    component->initialize(nullptr);
    void* found = nullptr;
    kAudioProcessorIid.copyTo(iid);
    component->queryInterface(iid, &found);
    auto* processor = static_cast<IAudioProcessor*>(found);
    SpeakerArrangement mono = kSpeakerMono, monoOut = kSpeakerMono;
    processor->setBusArrangements(&mono, 1, &monoOut, 1);
    ProcessSetup setup{0, kSample32, kBlock, kRate};
    processor->setupProcessing(setup);
    component->setActive(1);
    processor->setProcessing(1);

    const std::vector<float> input = UniformNoise(44100, 0.5f, 2);
    std::vector<float> output(kBlock);
    float* in[1] = {nullptr};
    float* out[1] = {output.data()};
    AudioBusBuffers inputs{1, 0, {in}}, outputs{1, 0, {out}};
    NoChanges changes;
    ProcessData data{};
    data.symbolicSampleSize = kSample32;
    data.numSamples = kBlock;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &inputs;
    data.outputs = &outputs;
    data.inputParameterChanges = &changes;
    size_t position = 0;
    for (auto _ : state) {
        in[0] = const_cast<float*>(input.data() + position);
        processor->process(data);
        position = (position + kBlock) % (44100 - 4096);
        benchmark::DoNotOptimize(output.data());
    }
    ReportRate(state);
    processor->setProcessing(0);
    component->setActive(0);
    processor->release();
    component->terminate();
    component->release();
}
BENCHMARK(Vst3Face);

void Vst2Face(benchmark::State& state) {
    const PluginModule module(TAPESTRUM_MODULE_PATH);
    PluginInstance instance(module, static_cast<float>(kRate), kBlock);
    instance.resume();
    const std::vector<float> input = UniformNoise(44100, 0.5f, 2);
    std::vector<float> output(kBlock);
    float* in[1] = {nullptr};
    float* out[1] = {output.data()};
    size_t position = 0;
    for (auto _ : state) {
        in[0] = const_cast<float*>(input.data() + position);
        instance.process(in, out, kBlock);
        position = (position + kBlock) % (44100 - 4096);
        benchmark::DoNotOptimize(output.data());
    }
    ReportRate(state);
}
BENCHMARK(Vst2Face);

} // namespace
