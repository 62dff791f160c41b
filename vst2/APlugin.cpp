// SPDX-License-Identifier: ISC
#include "vst2/APlugin.h"

#include "core/HostText.h"
#include "core/ParameterIndexCheck.h"
#include "dsp/TextUtils.h"

namespace {
// Program names keep up to 51 characters, but the host's buffer for one is 24 bytes.
constexpr size_t kHostProgramNameChars = 23;
} // namespace

APlugin::APlugin(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, 1, kParameterCount), today(LocalCalendarDate) {
    ready = false;
    dataModule = std::make_unique<TPluginDataModule>();
    dataModule->plugin = this;
    effect = std::make_unique<TapestrumEffect>();
    programs[0] = std::make_unique<APluginProgram>();

    suspend();
    hasVu(false);
    setNumInputs(1);
    setNumOutputs(1);
    canMono(true);
    canProcessReplacing(true);
    isSynth(false);
    setUniqueID(MakeFourCharId('Z', 'O', 'L', 'T'));

    CopyHostText(programs[0]->name, kDefaultProgramName, kProgramNameCapacity);

    curProgram = 0;
    setProgram(0);
    ready = true;
}

APlugin::~APlugin() = default;

void APlugin::setParameter(int32_t index, float value) {
    value = ClampParameterValue(value);
    if (!IsParameterIndex(index)) return;
    effect->storeParameter(index, value);
    programs[0]->params[index] = value; // the one program always holds the current values
    if (!ready) return;
    passSampleRate();
    effect->applyParameter(index);
}

float APlugin::getParameter(int32_t index) { return effect->readParameter(index); }

// Only program 0 exists; other numbers are ignored. The program holds the
// effect's values (setParameter writes them through), so only applying them is
// left, which waits until the plug-in is built.
void APlugin::setProgram(int32_t program) {
    if (program != 0) return;
    curProgram = 0;
    if (!ready) return;
    passSampleRate();
    effect->setValues(programs[0]->values());
}

void APlugin::setProgramName(char* name) {
    if (!name) return;
    CopyHostText(programs[0]->name, name, kProgramNameCapacity);
}

void APlugin::getProgramName(char* name) {
    CopyHostText(name, programs[0]->name, kHostProgramNameChars);
}

bool APlugin::getProgramNameIndexed(int32_t, int32_t index, char* text) {
    if (index != 0) return false;
    CopyHostText(text, programs[0]->name, kHostProgramNameChars);
    return true;
}

float APlugin::getVu() {
    const float level = vu;
    vu = 0.0f;
    return level;
}

// The engine keeps its state while the effect is switched off.
void APlugin::suspend() {
    if (effect) effect->suspend();
}

// Asks for MIDI, then applies every value again in ascending order.
void APlugin::resume() {
    wantEvents(1);
    passSampleRate();
    effect->resume();
}
