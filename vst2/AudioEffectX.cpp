// SPDX-License-Identifier: ISC
#include "vst2/AudioEffectX.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr int32_t kVstVersion = 2300;
constexpr int32_t kSynthCategory = 2;

intptr_t asFlag(bool state) { return state ? 1 : 0; }

template <typename T> T* asAddress(intptr_t answer) { return reinterpret_cast<T*>(answer); }

} // namespace

AudioEffectX::AudioEffectX(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams)
    : AudioEffect(audioMaster, numPrograms, numParams) {}

AudioEffectX::~AudioEffectX() = default;

// Host requests. Each answers the "without host" value when there is no callback.

void AudioEffectX::wantEvents(int32_t filter) {
    callHost(audioMasterWantMidi, 0, filter, nullptr, 0, 0);
}

VstTimeInfo* AudioEffectX::getTimeInfo(int32_t filter) {
    return asAddress<VstTimeInfo>(callHost(audioMasterGetTime, 0, filter, nullptr, 0, 0));
}

int32_t AudioEffectX::tempoAt(int32_t position) {
    return static_cast<int32_t>(callHost(audioMasterTempoAt, 0, position, nullptr, 0, 0));
}

int32_t AudioEffectX::getNumAutomatableParameters() {
    return static_cast<int32_t>(
        callHost(audioMasterGetNumAutomatableParameters, 0, 0, nullptr, 0, 0));
}

int32_t AudioEffectX::getParameterQuantization() {
    return static_cast<int32_t>(callHost(audioMasterGetParameterQuantization, 0, 0, nullptr, 0, 0));
}

bool AudioEffectX::ioChanged() { return callHost(audioMasterIOChanged, 0, 0, nullptr, 0, 0) != 0; }
bool AudioEffectX::needIdle() { return callHost(audioMasterNeedIdle, 0, 0, nullptr, 0, 0) != 0; }

bool AudioEffectX::sizeWindow(int32_t width, int32_t height) {
    return callHost(audioMasterSizeWindow, width, height, nullptr, 0, 0) != 0;
}

// The host answers an integer rate; it is stored as a float and returned widened.
double AudioEffectX::updateSampleRate() {
    const intptr_t answer = callHost(audioMasterGetSampleRate, 0, 0, nullptr, 0, 0);
    if (answer > 0) setSampleRate(static_cast<float>(answer));
    return sampleRate;
}

int32_t AudioEffectX::updateBlockSize() {
    const intptr_t answer = callHost(audioMasterGetBlockSize, 0, 0, nullptr, 0, 0);
    if (answer > 0) setBlockSize(static_cast<int32_t>(answer));
    return blockSize;
}

int32_t AudioEffectX::getInputLatency() {
    return static_cast<int32_t>(callHost(audioMasterGetInputLatency, 0, 0, nullptr, 0, 0));
}

int32_t AudioEffectX::getOutputLatency() {
    return static_cast<int32_t>(callHost(audioMasterGetOutputLatency, 0, 0, nullptr, 0, 0));
}

AEffect* AudioEffectX::getPreviousPlug() {
    return asAddress<AEffect>(callHost(audioMasterGetPreviousPlug, 0, 0, nullptr, 0, 0));
}

AEffect* AudioEffectX::getNextPlug() {
    return asAddress<AEffect>(callHost(audioMasterGetNextPlug, 0, 0, nullptr, 0, 0));
}

int32_t AudioEffectX::willProcessReplacing() {
    return static_cast<int32_t>(callHost(audioMasterWillReplaceOrAccumulate, 0, 0, nullptr, 0, 0));
}

int32_t AudioEffectX::getCurrentProcessLevel() {
    return static_cast<int32_t>(callHost(audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0, 0));
}

int32_t AudioEffectX::getAutomationState() {
    return static_cast<int32_t>(callHost(audioMasterGetAutomationState, 0, 0, nullptr, 0, 0));
}

bool AudioEffectX::offlineStart(VstAudioFile* audioFiles, int32_t numAudioFiles,
                                int32_t numNewAudioFiles) {
    return callHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, audioFiles, 0, 0) !=
           0;
}

bool AudioEffectX::offlineRead(VstOfflineTask* offline, int32_t option, bool readSource) {
    return callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, offline, 0, 0) != 0;
}

bool AudioEffectX::offlineWrite(VstOfflineTask* offline, int32_t option) {
    return callHost(audioMasterOfflineWrite, 0, option, offline, 0, 0) != 0;
}

int32_t AudioEffectX::offlineGetCurrentPass() {
    return callHost(audioMasterOfflineGetCurrentPass, 0, 0, nullptr, 0, 0) != 0 ? 1 : 0;
}

int32_t AudioEffectX::offlineGetCurrentMetaPass() {
    return callHost(audioMasterOfflineGetCurrentMetaPass, 0, 0, nullptr, 0, 0) != 0 ? 1 : 0;
}

void AudioEffectX::setOutputSamplerate(float rate) {
    callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, rate, 0);
}

VstSpeakerArrangement* AudioEffectX::getOutputSpeakerArrangement() {
    return asAddress<VstSpeakerArrangement>(
        callHost(audioMasterGetOutputSpeakerArrangement, 0, 0, nullptr, 0, 0));
}

VstSpeakerArrangement* AudioEffectX::getInputSpeakerArrangement() {
    return asAddress<VstSpeakerArrangement>(
        callHost(audioMasterGetInputSpeakerArrangement, 0, 0, nullptr, 0, 0));
}

bool AudioEffectX::getHostVendorString(char* text) {
    return callHost(audioMasterGetVendorString, 0, 0, text, 0, 0) != 0;
}

bool AudioEffectX::getHostProductString(char* text) {
    return callHost(audioMasterGetProductString, 0, 0, text, 0, 0) != 0;
}

int32_t AudioEffectX::getHostVendorVersion() {
    return static_cast<int32_t>(callHost(audioMasterGetVendorVersion, 0, 0, nullptr, 0, 0));
}

int32_t AudioEffectX::hostVendorSpecific(int32_t lArg1, intptr_t lArg2, void* ptrArg,
                                         float floatArg) {
    return static_cast<int32_t>(
        callHost(audioMasterVendorSpecific, lArg1, lArg2, ptrArg, floatArg, 0));
}

int32_t AudioEffectX::canHostDo(char* text) {
    return static_cast<int32_t>(callHost(audioMasterCanDo, 0, 0, text, 0, 0));
}

int32_t AudioEffectX::getHostLanguage() {
    return static_cast<int32_t>(callHost(audioMasterGetLanguage, 0, 0, nullptr, 0, 0));
}

void* AudioEffectX::openWindow(VstWindow* window) {
    return asAddress<void>(callHost(audioMasterOpenWindow, 0, 0, window, 0, 0));
}

bool AudioEffectX::closeWindow(VstWindow* window) {
    return callHost(audioMasterCloseWindow, 0, 0, window, 0, 0) != 0;
}

void* AudioEffectX::getDirectory() {
    return asAddress<void>(callHost(audioMasterGetDirectory, 0, 0, nullptr, 0, 0));
}

bool AudioEffectX::updateDisplay() {
    return callHost(audioMasterUpdateDisplay, 0, 0, nullptr, 0, 0) != 0;
}

bool AudioEffectX::beginEdit(int32_t index) {
    return callHost(audioMasterBeginEdit, index, 0, nullptr, 0, 0) != 0;
}

bool AudioEffectX::endEdit(int32_t index) {
    return callHost(audioMasterEndEdit, index, 0, nullptr, 0, 0) != 0;
}

bool AudioEffectX::openFileSelector(VstFileSelect* ptr) {
    if (!ptr) return false;
    return callHost(audioMasterOpenFileSelector, 0, 0, ptr, 0, 0) != 0;
}

// Defaults of the operations an effect overrides.

int32_t AudioEffectX::processEvents(VstEvents*) { return 0; }
bool AudioEffectX::canParameterBeAutomated(int32_t) { return true; }
bool AudioEffectX::string2parameter(int32_t, char*) { return false; }
float AudioEffectX::channelParameter(int32_t, int32_t) { return 0.0f; }
int32_t AudioEffectX::getNumCategories() { return 1; }
bool AudioEffectX::getProgramNameIndexed(int32_t, int32_t, char*) { return false; }
bool AudioEffectX::copyProgram(int32_t) { return false; }
void AudioEffectX::inputConnected(int32_t, bool) {}
void AudioEffectX::outputConnected(int32_t, bool) {}
bool AudioEffectX::getInputProperties(int32_t, VstPinProperties*) { return false; }
bool AudioEffectX::getOutputProperties(int32_t, VstPinProperties*) { return false; }

int32_t AudioEffectX::getPlugCategory() {
    return (cEffect.flags & effFlagsIsSynth) ? kSynthCategory : 0;
}

void AudioEffectX::wantAsyncOperation(bool state) { setFlag(effFlagsExtIsAsync, state); }
void AudioEffectX::hasExternalBuffer(bool state) { setFlag(effFlagsExtHasBuffer, state); }
void AudioEffectX::isSynth(bool state) { setFlag(effFlagsIsSynth, state); }
void AudioEffectX::noTail(bool state) { setFlag(effFlagsNoSoundInStop, state); }
int32_t AudioEffectX::reportCurrentPosition() { return 0; }
float* AudioEffectX::reportDestinationBuffer() { return nullptr; }
bool AudioEffectX::offlineNotify(VstAudioFile*, int32_t, bool) { return false; }
bool AudioEffectX::offlinePrepare(VstOfflineTask*, int32_t) { return false; }
bool AudioEffectX::offlineRun(VstOfflineTask*, int32_t) { return false; }
int32_t AudioEffectX::offlinePassCount() { return 0; }
int32_t AudioEffectX::offlineMetaPassCount() { return 0; }
bool AudioEffectX::processVariableIo(VstVariableIo*) { return false; }
bool AudioEffectX::setSpeakerArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) {
    return false;
}

bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement** pluginInput,
                                         VstSpeakerArrangement** pluginOutput) {
    if (pluginInput) *pluginInput = nullptr;
    if (pluginOutput) *pluginOutput = nullptr;
    return false;
}

void AudioEffectX::setBlockSizeAndSampleRate(int32_t size, float rate) {
    blockSize = size;
    sampleRate = rate;
}

bool AudioEffectX::setBypass(bool) { return false; }
bool AudioEffectX::getEffectName(char*) { return false; }
bool AudioEffectX::getErrorText(char*) { return false; }
bool AudioEffectX::getVendorString(char*) { return false; }
bool AudioEffectX::getProductString(char*) { return false; }
int32_t AudioEffectX::getVendorVersion() { return 0; }
intptr_t AudioEffectX::vendorSpecific(int32_t, intptr_t, void*, float) { return 0; }
int32_t AudioEffectX::canDo(char*) { return 0; }
void* AudioEffectX::getIcon() { return nullptr; }
bool AudioEffectX::setViewPosition(int32_t, int32_t) { return false; }
int32_t AudioEffectX::getGetTailSize() { return 0; }
int32_t AudioEffectX::fxIdle() { return 0; }
bool AudioEffectX::getParameterProperties(int32_t, VstParameterProperties*) { return false; }
bool AudioEffectX::keysRequired() { return false; }
int32_t AudioEffectX::getVstVersion() { return kVstVersion; }
int32_t AudioEffectX::getMidiProgramName(int32_t, MidiProgramName*) { return 0; }
int32_t AudioEffectX::getCurrentMidiProgram(int32_t, MidiProgramName*) { return -1; }
int32_t AudioEffectX::getMidiProgramCategory(int32_t, MidiProgramCategory*) { return 0; }
bool AudioEffectX::hasMidiProgramsChanged(int32_t) { return false; }
bool AudioEffectX::getMidiKeyName(int32_t, MidiKeyName*) { return false; }
bool AudioEffectX::beginSetProgram() { return false; }
bool AudioEffectX::endSetProgram() { return false; }
intptr_t AudioEffectX::setTotalSampleToProcess(intptr_t value) { return value; }
int32_t AudioEffectX::getNextShellPlugin(char*) { return 0; }
int32_t AudioEffectX::startProcess() { return 0; }
int32_t AudioEffectX::stopProcess() { return 0; }
bool AudioEffectX::setPanLaw(int32_t, float) { return false; }
int32_t AudioEffectX::beginLoadBank(VstPatchChunkInfo*) { return 0; }
int32_t AudioEffectX::beginLoadProgram(VstPatchChunkInfo*) { return 0; }

// Speaker-arrangement utilities. Arrangements are plain C blocks: a head followed
// by the speaker entries, obtained with calloc and released with free.

bool AudioEffectX::allocateArrangement(VstSpeakerArrangement** arrangement, int32_t nbChannels) {
    if (!arrangement || nbChannels < 0) return false;
    if (*arrangement) {
        std::free(*arrangement);
        *arrangement = nullptr;
    }
    const size_t bytes = sizeof(VstSpeakerArrangement) +
                         sizeof(VstSpeakerProperties) * static_cast<size_t>(nbChannels);
    auto* block = static_cast<VstSpeakerArrangement*>(std::calloc(1, bytes));
    if (!block) return false;
    block->numChannels = nbChannels;
    *arrangement = block;
    return true;
}

bool AudioEffectX::deallocateArrangement(VstSpeakerArrangement** arrangement) {
    if (arrangement && *arrangement) {
        std::free(*arrangement);
        *arrangement = nullptr;
    }
    return true;
}

bool AudioEffectX::copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from) {
    if (!to || !from) return false;
    // The name is copied as a zero-terminated text, kept within its 64 bytes.
    const size_t length = strnlen(from->name, kVstSpeakerNameSize - 1);
    std::memcpy(to->name, from->name, length);
    to->name[length] = '\0';
    to->type = from->type;
    to->azimuth = from->azimuth;
    to->elevation = from->elevation;
    to->radius = from->radius;
    to->reserved = from->reserved;
    std::memcpy(to->future, from->future, sizeof(to->future));
    return true;
}

bool AudioEffectX::matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from) {
    if (!from) return false;
    if (!deallocateArrangement(to) || !allocateArrangement(to, from->numChannels)) return false;
    (*to)->type = from->type;
    for (int32_t i = 0; i < from->numChannels; ++i)
        if (!copySpeaker(speakerAt(*to, i), speakerAt(from, i))) return false;
    return true;
}

intptr_t AudioEffectX::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                  float opt) {
    switch (opcode) {
    case effProcessEvents:
        return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated:
        return asFlag(canParameterBeAutomated(index));
    case effString2Parameter:
        return asFlag(string2parameter(index, static_cast<char*>(ptr)));
    case effGetNumProgramCategories:
        return getNumCategories();
    case effGetProgramNameIndexed:
        return asFlag(
            getProgramNameIndexed(static_cast<int32_t>(value), index, static_cast<char*>(ptr)));
    case effCopyProgram:
        return asFlag(copyProgram(index));
    case effConnectInput:
        inputConnected(index, value != 0);
        return 1;
    case effConnectOutput:
        outputConnected(index, value != 0);
        return 1;
    case effGetInputProperties:
        return asFlag(getInputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetOutputProperties:
        return asFlag(getOutputProperties(index, static_cast<VstPinProperties*>(ptr)));
    case effGetPlugCategory:
        return getPlugCategory();
    case effGetCurrentPosition:
        return reportCurrentPosition();
    case effGetDestinationBuffer:
        return reinterpret_cast<intptr_t>(reportDestinationBuffer());
    case effOfflineNotify:
        return asFlag(offlineNotify(static_cast<VstAudioFile*>(ptr), static_cast<int32_t>(value),
                                    index != 0));
    case effOfflinePrepare:
        return asFlag(
            offlinePrepare(static_cast<VstOfflineTask*>(ptr), static_cast<int32_t>(value)));
    case effOfflineRun:
        return asFlag(offlineRun(static_cast<VstOfflineTask*>(ptr), static_cast<int32_t>(value)));
    case effProcessVarIo:
        return asFlag(processVariableIo(static_cast<VstVariableIo*>(ptr)));
    case effSetSpeakerArrangement:
        return asFlag(setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                            static_cast<VstSpeakerArrangement*>(ptr)));
    case effSetBlockSizeAndSampleRate:
        setBlockSizeAndSampleRate(static_cast<int32_t>(value), opt);
        return 1;
    case effSetBypass:
        return asFlag(setBypass(value != 0));
    case effGetEffectName:
        return asFlag(getEffectName(static_cast<char*>(ptr)));
    case effGetErrorText:
        return asFlag(getErrorText(static_cast<char*>(ptr)));
    case effGetVendorString:
        return asFlag(getVendorString(static_cast<char*>(ptr)));
    case effGetProductString:
        return asFlag(getProductString(static_cast<char*>(ptr)));
    case effGetVendorVersion:
        return getVendorVersion();
    case effVendorSpecific:
        return vendorSpecific(index, value, ptr, opt);
    case effCanDo:
        return canDo(static_cast<char*>(ptr));
    case effGetTailSize:
        return getGetTailSize();
    case effIdle:
        return fxIdle();
    case effGetIcon:
        return reinterpret_cast<intptr_t>(getIcon());
    case effSetViewPosition:
        return asFlag(setViewPosition(index, static_cast<int32_t>(value)));
    case effGetParameterProperties:
        return asFlag(getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)));
    case effKeysRequired:
        return keysRequired() ? 0 : 1;
    case effGetVstVersion:
        return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp:
    case effSetEditKnobMode:
        return 0; // editor only; no editor is attached
    case effGetMidiProgramName:
        return getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
    case effGetCurrentMidiProgram:
        return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
    case effGetMidiProgramCategory:
        return getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
    case effHasMidiProgramsChanged:
        return asFlag(hasMidiProgramsChanged(index));
    case effGetMidiKeyName:
        return asFlag(getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)));
    case effBeginSetProgram:
        return asFlag(beginSetProgram());
    case effEndSetProgram:
        return asFlag(endSetProgram());
    case effGetSpeakerArrangement:
        return asFlag(getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                            static_cast<VstSpeakerArrangement**>(ptr)));
    case effShellGetNextPlugin:
        return getNextShellPlugin(static_cast<char*>(ptr));
    case effStartProcess:
        return startProcess();
    case effStopProcess:
        return stopProcess();
    case effSetTotalSampleToProcess:
        return setTotalSampleToProcess(value);
    case effSetPanLaw:
        return asFlag(setPanLaw(static_cast<int32_t>(value), opt));
    case effBeginLoadBank:
        return beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr));
    case effBeginLoadProgram:
        return beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr));
    default:
        return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}
