// SPDX-License-Identifier: ISC
#include "vst3/Vst3Processor.h"

#include "core/HostText.h"
#include "vst3/ProcessorLink.h"
#include "vst3/StateStream.h"
#include "vst3/Vst3Classes.h"
#include "vst3/Vst3Text.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <iterator>
#include <new>

namespace vst3 {

Vst3Processor::Vst3Processor() { EnterProcessor(this); }

Vst3Processor::~Vst3Processor() { terminate(); }

tresult Vst3Processor::queryInterface(const TUID iid, void** object) {
    if (object == nullptr) return kInvalidArgument;
    void* found = nullptr;
    if (kFUnknownIid.matches(iid) || kPluginBaseIid.matches(iid) || kComponentIid.matches(iid))
        found = static_cast<IComponent*>(this);
    else if (kAudioProcessorIid.matches(iid))
        found = static_cast<IAudioProcessor*>(this);
    else if (kProcessContextRequirementsIid.matches(iid))
        found = static_cast<IProcessContextRequirements*>(this);
    else if (kConnectionPointIid.matches(iid))
        found = static_cast<IConnectionPoint*>(this);
    *object = found;
    if (found == nullptr) return kNoInterface;
    addRef();
    return kResultOk;
}

uint32_t Vst3Processor::addRef() { return ++references; }

uint32_t Vst3Processor::release() {
    const uint32_t left = --references;
    if (left == 0) {
        LeaveProcessor(this);
        delete this;
    }
    return left;
}

bool Vst3Processor::addRefIfAlive() {
    for (uint32_t count = references.load(); count != 0;)
        if (references.compare_exchange_weak(count, count + 1)) return true;
    return false;
}

const LoopFeed* Vst3Processor::loopFeed() const { return &effect->loopFeed(); }

// Main thread. The host's context makes the messages sent to the controller.
tresult Vst3Processor::initialize(FUnknown* context) {
    if (host != nullptr) return kResultFalse;
    void* application = nullptr;
    if (context != nullptr &&
        context->queryInterface(reinterpret_cast<const char*>(kHostApplicationIid.bytes),
                                &application) == kResultOk)
        host = static_cast<IHostApplication*>(application);
    return kResultOk;
}

// Main thread.
tresult Vst3Processor::terminate() {
    if (peer != nullptr) disconnect(peer);
    if (host != nullptr) host->release();
    host = nullptr;
    return kResultOk;
}

tresult Vst3Processor::getControllerClassId(TUID classId) {
    if (classId == nullptr) return kInvalidArgument;
    kControllerClassId.copyTo(classId);
    return kResultOk;
}

tresult Vst3Processor::setIoMode(int32_t) { return kResultOk; }

// One audio input and one audio output, mono or stereo as arranged; no event
// buses.
int32_t Vst3Processor::getBusCount(int32_t type, int32_t direction) {
    return type == kAudio && (direction == kInput || direction == kOutput) ? 1 : 0;
}

tresult Vst3Processor::getBusInfo(int32_t type, int32_t direction, int32_t index, BusInfo& bus) {
    if (getBusCount(type, direction) <= index || index < 0) return kInvalidArgument;
    bus.mediaType = kAudio;
    bus.direction = direction;
    bus.channelCount = effect->channelCount();
    CopyHostText(bus.name, direction == kInput ? "Input" : "Output", std::size(bus.name) - 1);
    bus.busType = kMain;
    bus.flags = kDefaultActive;
    return kResultOk;
}

tresult Vst3Processor::getRoutingInfo(RoutingInfo&, RoutingInfo&) { return kNotImplemented; }

tresult Vst3Processor::activateBus(int32_t type, int32_t direction, int32_t index, TBool) {
    return getBusCount(type, direction) > index && index >= 0 ? kResultOk : kInvalidArgument;
}

// Main thread, while the host does not process: switching on applies every
// value again, as the VST 2 face does when it is switched on.
tresult Vst3Processor::setActive(TBool state) {
    active = state != 0;
    if (active)
        effect->resume();
    else
        effect->suspend();
    return kResultOk;
}

// Main thread, perhaps while the audio thread processes. A block that is not a
// whole, valid state changes nothing.
tresult Vst3Processor::setState(IBStream* stream) {
    try {
        const std::optional<EffectState> state = ReadStateBlock(stream);
        if (!state) return kInvalidArgument;
        effect->setState(*state);
        return kResultOk;
    } catch (const std::exception&) {
        return kOutOfMemory;
    }
}

// Main thread: the values as they were last set, and the program's name.
tresult Vst3Processor::getState(IBStream* stream) {
    try {
        return WriteStateBlock(stream, effect->state()) ? kResultOk : kResultFalse;
    } catch (const std::exception&) {
        return kOutOfMemory;
    }
}

// Mono to mono or stereo to stereo; anything else is refused and leaves the
// arrangement as it was. Main thread, while switched off (a change asked for
// while on is refused): another channel count builds or drops the second
// channel's engine here, with the rate, the values and the program's name
// kept, so that no engine is ever built on the audio thread; the effect and
// the loop an open editor reads stay the same.
tresult Vst3Processor::setBusArrangements(SpeakerArrangement* inputs, int32_t inputCount,
                                          SpeakerArrangement* outputs, int32_t outputCount) {
    if (inputCount != 1 || outputCount != 1 || inputs == nullptr || outputs == nullptr ||
        inputs[0] != outputs[0])
        return kResultFalse;
    const int32_t channels = inputs[0] == kSpeakerMono ? 1 : inputs[0] == kSpeakerStereo ? 2 : 0;
    if (channels == 0) return kResultFalse;
    if (channels == effect->channelCount()) return kResultTrue;
    if (active) return kResultFalse;
    try {
        effect->setChannelCount(channels);
        return kResultTrue;
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

tresult Vst3Processor::getBusArrangement(int32_t direction, int32_t index,
                                         SpeakerArrangement& arrangement) {
    if (getBusCount(kAudio, direction) <= index || index < 0) return kInvalidArgument;
    arrangement = effect->channelCount() == 2 ? kSpeakerStereo : kSpeakerMono;
    return kResultOk;
}

tresult Vst3Processor::canProcessSampleSize(int32_t symbolicSampleSize) {
    return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

uint32_t Vst3Processor::getLatencySamples() { return 0; }

// The loop plays on after the input stops.
uint32_t Vst3Processor::getTailSamples() { return kInfiniteTail; }

// Main thread, before the host switches the component on. A rate the effect
// refuses (see AcceptedSampleRate) is refused here and changes nothing.
tresult Vst3Processor::setupProcessing(ProcessSetup& setup) {
    if (setup.symbolicSampleSize != kSample32 || !effect->acceptSampleRate(setup.sampleRate))
        return kResultFalse;
    sendSampleRate();
    return kResultOk;
}

tresult Vst3Processor::setProcessing(TBool) { return kResultOk; }

void Vst3Processor::render(const float* const* inputs, float* const* outputs, int32_t from,
                           int32_t to) {
    if (outputs[0] == nullptr || to <= from) return;
    effect->processChannelsAnyLength(inputs, outputs, static_cast<size_t>(from),
                                     static_cast<size_t>(to));
}

// Audio thread. The block is cut at each offset where a parameter changes, so
// that the change lands on its sample; with no samples it only takes the
// changes.
tresult Vst3Processor::process(ProcessData& data) {
    const int32_t frames = std::max(0, data.numSamples);
    if (frames > 0 && data.symbolicSampleSize != kSample32) return kInvalidArgument;
    // The first bus's channels, when it has the effect's count of them; a bus
    // short of a channel counts as missing, and so do the outputs when one of
    // them is.
    const int32_t channels = effect->channelCount();
    auto busChannels = [channels](const AudioBusBuffers* buses, int32_t count, float** into) {
        into[0] = into[1] = nullptr;
        if (buses == nullptr || count < 1 || buses[0].numChannels < channels ||
            buses[0].channelBuffers32 == nullptr)
            return;
        for (int32_t c = 0; c < channels; ++c)
            into[c] = buses[0].channelBuffers32[c];
    };
    float* inputs[2];
    float* outputs[2];
    busChannels(data.inputs, data.numInputs, inputs);
    busChannels(data.outputs, data.numOutputs, outputs);
    if (channels == 2 && outputs[1] == nullptr) outputs[0] = nullptr; // both or none

    schedule.begin(data.inputParameterChanges, frames);
    int32_t position = 0;
    for (int32_t next; (next = schedule.nextOffset()) != ParameterSchedule::kNone;) {
        next = std::max(next, position);
        render(inputs, outputs, position, next);
        position = next;
        schedule.applyThrough(next, *effect);
    }
    render(inputs, outputs, position, frames);
    if (outputs[0] != nullptr) data.outputs[0].silenceFlags = 0;
    return kResultOk;
}

// Main thread. The controller learns the rate at once and again whenever the
// host sets processing up.
tresult Vst3Processor::connect(IConnectionPoint* other) {
    if (other == nullptr) return kInvalidArgument;
    if (peer != nullptr) return kResultFalse;
    peer = other;
    peer->addRef();
    sendSampleRate();
    sendLink();
    return kResultOk;
}

tresult Vst3Processor::disconnect(IConnectionPoint* other) {
    if (other == nullptr || other != peer) return kInvalidArgument;
    peer->release();
    peer = nullptr;
    return kResultOk;
}

tresult Vst3Processor::notify(IMessage* message) {
    return message != nullptr ? kResultOk : kInvalidArgument;
}

// A message the host makes, with its identifier, to the connected controller.
void Vst3Processor::sendMessage(const char* id, void (*fill)(IAttributeList&, Vst3Processor&)) {
    if (host == nullptr || peer == nullptr) return;
    TUID iid;
    kMessageIid.copyTo(iid);
    void* made = nullptr;
    if (host->createInstance(iid, iid, &made) != kResultOk || made == nullptr) return;
    auto* message = static_cast<IMessage*>(made);
    message->setMessageID(id);
    if (IAttributeList* attributes = message->getAttributes()) fill(*attributes, *this);
    peer->notify(message);
    message->release();
}

void Vst3Processor::sendSampleRate() {
    sendMessage(kSampleRateMessage, [](IAttributeList& attributes, Vst3Processor& self) {
        attributes.setFloat(kSampleRateAttribute, static_cast<double>(self.effect->sampleRate()));
    });
}

// The controller accepts the address only if the processor lives in its own
// process; it then reaches the loop the editor shows.
void Vst3Processor::sendLink() {
    sendMessage(kProcessorLinkMessage, [](IAttributeList& attributes, Vst3Processor& self) {
        attributes.setInt(kProcessorLinkAttribute, reinterpret_cast<intptr_t>(&self));
    });
}

} // namespace vst3
