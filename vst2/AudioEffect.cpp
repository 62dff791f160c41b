// SPDX-License-Identifier: ISC
#include "vst2/AudioEffect.h"

#include "dsp/GuardedMath.h"

namespace {

// A record that is null or has lost its object is answered as if there were
// nothing to do: a host's mistake never becomes a crash here.
AudioEffect* effectOf(AEffect* e) { return e ? static_cast<AudioEffect*>(e->object) : nullptr; }

} // namespace

AudioEffect::AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams)
    : numPrograms(numPrograms), numParams(numParams), audioMaster(audioMaster) {
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = EffectEntry::dispatch;
    cEffect.process = EffectEntry::process;
    cEffect.setParameter = EffectEntry::setParameter;
    cEffect.getParameter = EffectEntry::getParameter;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.flags = 0;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.user = nullptr;
    cEffect.uniqueID = kDefaultUniqueId;
    cEffect.version = 1;
    cEffect.processReplacing = EffectEntry::processReplacing;
}

// An attached editor would be destroyed here; no effect of this module has one.
AudioEffect::~AudioEffect() = default;

intptr_t AudioEffect::callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt,
                               intptr_t withoutHost) {
    if (!audioMaster) return withoutHost;
    return audioMaster(&cEffect, opcode, index, value, ptr, opt);
}

void AudioEffect::setFlag(int32_t bit, bool state) {
    if (state)
        cEffect.flags |= bit;
    else
        cEffect.flags &= ~bit;
}

void AudioEffect::setSampleRate(float rate) { sampleRate = rate; }
void AudioEffect::setBlockSize(int32_t size) { blockSize = size; }
void AudioEffect::setParameter(int32_t, float) {}
float AudioEffect::getParameter(int32_t) { return 0.0f; }

void AudioEffect::setParameterAutomated(int32_t index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value, 0);
}

void AudioEffect::processReplacing(float**, float**, int32_t) {}
void AudioEffect::open() {}
void AudioEffect::close() {}
int32_t AudioEffect::getProgram() { return curProgram; }
void AudioEffect::setProgram(int32_t program) { curProgram = program; }
void AudioEffect::setProgramName(char*) {}
void AudioEffect::getProgramName(char*) {}
void AudioEffect::getParameterLabel(int32_t, char*) {}
void AudioEffect::getParameterDisplay(int32_t, char*) {}
void AudioEffect::getParameterName(int32_t, char*) {}
float AudioEffect::getVu() { return 0.0f; }
int32_t AudioEffect::getChunk(void**, bool) { return 0; }
int32_t AudioEffect::setChunk(void*, int32_t, bool) { return 0; }
void AudioEffect::suspend() {}
void AudioEffect::resume() {}
void AudioEffect::setUniqueID(int32_t id) { cEffect.uniqueID = id; }
void AudioEffect::setNumInputs(int32_t count) { cEffect.numInputs = count; }
void AudioEffect::setNumOutputs(int32_t count) { cEffect.numOutputs = count; }
void AudioEffect::hasVu(bool state) { setFlag(effFlagsHasVu, state); }
void AudioEffect::hasClip(bool state) { setFlag(effFlagsHasClip, state); }
void AudioEffect::canMono(bool state) { setFlag(effFlagsCanMono, state); }
void AudioEffect::canProcessReplacing(bool state) { setFlag(effFlagsCanReplacing, state); }
void AudioEffect::programsAreChunks(bool state) { setFlag(effFlagsProgramChunks, state); }
void AudioEffect::setRealtimeQualities(int32_t value) { cEffect.realQualities = value; }
void AudioEffect::setOfflineQualities(int32_t value) { cEffect.offQualities = value; }
void AudioEffect::setInitialDelay(int32_t samples) { cEffect.initialDelay = samples; }

int32_t AudioEffect::getMasterVersion() {
    const auto answer = static_cast<int32_t>(callHost(audioMasterVersion, 0, 0, nullptr, 0, 1));
    return answer == 0 ? 1 : answer;
}

int32_t AudioEffect::getCurrentUniqueId() {
    return static_cast<int32_t>(callHost(audioMasterCurrentId, 0, 0, nullptr, 0, 0));
}

void AudioEffect::masterIdle() { callHost(audioMasterIdle, 0, 0, nullptr, 0, 0); }

// The host answers 0 for a connected pin.
bool AudioEffect::isInputConnected(int32_t input) {
    return callHost(audioMasterPinConnected, input, 0, nullptr, 0, 0) == 0;
}

bool AudioEffect::isOutputConnected(int32_t output) {
    return callHost(audioMasterPinConnected, output, 1, nullptr, 0, 0) == 0;
}

intptr_t AudioEffect::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                 float opt) {
    // Compared as unsigned, so negative opcodes fall to the default.
    switch (static_cast<uint32_t>(opcode)) {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        return 0;
    case effSetProgram:
        if (value < numPrograms) setProgram(static_cast<int32_t>(value));
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        setProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetProgramName:
        getProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetParamLabel:
        getParameterLabel(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamDisplay:
        getParameterDisplay(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamName:
        getParameterName(index, static_cast<char*>(ptr));
        return 0;
    case effGetVu:
        return Nearest(static_cast<Extended>(getVu()) * 32767.0L);
    case effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(static_cast<int32_t>(value));
        return 0;
    case effMainsChanged:
        if (value == 0)
            suspend();
        else
            resume();
        return 0;
    case effIdentify:
        return kIdentifyAnswer;
    case effGetChunk:
        return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk:
        return setChunk(ptr, static_cast<int32_t>(value), index != 0);
    default:
        // The editor opcodes (13 to 21) have nothing to reach: no editor is attached.
        return 0;
    }
}

namespace EffectEntry {

// effClose: the effect closes, then destroys itself; the record is gone once this
// returns.
intptr_t VSTCALL dispatch(AEffect* e, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                          float opt) {
    AudioEffect* effect = effectOf(e);
    if (!effect) return 0;
    if (opcode == effClose) {
        effect->dispatcher(opcode, index, value, ptr, opt);
        delete effect;
        return 1;
    }
    return effect->dispatcher(opcode, index, value, ptr, opt);
}

void VSTCALL process(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames) {
    if (AudioEffect* effect = effectOf(e)) effect->process(inputs, outputs, sampleFrames);
}

void VSTCALL processReplacing(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames) {
    if (AudioEffect* effect = effectOf(e)) effect->processReplacing(inputs, outputs, sampleFrames);
}

void VSTCALL setParameter(AEffect* e, int32_t index, float value) {
    if (AudioEffect* effect = effectOf(e)) effect->setParameter(index, value);
}

float VSTCALL getParameter(AEffect* e, int32_t index) {
    AudioEffect* effect = effectOf(e);
    return effect ? static_cast<float>(effect->getParameter(index)) : 0.0f;
}

} // namespace EffectEntry
