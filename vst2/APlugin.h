// SPDX-License-Identifier: ISC
// APlugin: the effect as a VST 2 host sees it, a thin face of TapestrumEffect.
// It owns the effect, one program and the data-module object; it writes every
// parameter change through to the program, tells the effect the host's sample
// rate before the effect uses it, and answers the VST 2 interface's own
// questions (program names, pins, capabilities, identity).
//
// Threads: the host may change parameters and ask for texts on its user-interface
// or automation threads while the audio thread processes. The effect's values
// and the program's are relaxed atomics, so no lock is needed anywhere.
#pragma once

#include "core/EffectIdentity.h"
#include "core/TapestrumEffect.h"
#include "vst2/APluginProgram.h"
#include "vst2/AudioEffectX.h"
#include "vst2/PluginDataModule.h"

#include <array>
#include <functional>
#include <memory>

class APlugin : public AudioEffectX {
  public:
    explicit APlugin(audioMasterCallback audioMaster);
    ~APlugin() override;

    void setParameter(int32_t index, float value) override;
    float getParameter(int32_t index) override;
    void process(float** inputs, float** outputs, int32_t sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;
    void setProgram(int32_t program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(int32_t index, char* label) override;
    void getParameterDisplay(int32_t index, char* text) override;
    void getParameterName(int32_t index, char* text) override;
    float getVu() override;
    void suspend() override;
    void resume() override;
    int32_t processEvents(VstEvents* events) override;
    bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override;
    bool getOutputProperties(int32_t index, VstPinProperties* properties) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    int32_t getVendorVersion() override;
    int32_t canDo(char* text) override;

    // Incoming MIDI has no effect on the sound or the parameters.
    void processMidi(uint8_t status, uint8_t data1, uint8_t data2);

    // Where getVendorVersion reads today's date; the local calendar by default.
    void setDateSource(std::function<CalendarDate()> source) { today = std::move(source); }

    const TDelayVoc& engine() const { return effect->engine(); }
    float storedParameter(int32_t index) const { return effect->storedParameter(index); }
    float hostSampleRate() const { return sampleRate; }

  private:
    void processBlock(float** inputs, float** outputs, int32_t sampleFrames);
    // The host's rate as the effect should know it now: the base class stores
    // it from several requests, so it is handed on whenever the effect is used.
    void passSampleRate() { effect->setSampleRate(sampleRate); }

    std::unique_ptr<TPluginDataModule> dataModule;
    bool ready = false; // false while constructing: values are stored, not applied
    std::unique_ptr<TapestrumEffect> effect;
    std::array<std::unique_ptr<APluginProgram>, 1> programs;
    float vu = 0.0f;
    std::function<CalendarDate()> today;
};
