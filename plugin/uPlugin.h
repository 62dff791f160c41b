// APlugin: the effect as the host sees it. It owns the delay-vocoder engine, one
// program and the data-module object; it stores and clamps the 11 parameter
// values, converts them into engine quantities and back, renders their texts,
// and forwards the host's audio to the engine.
//
// Threads: the host may change parameters and ask for texts on its user-interface
// or automation threads while the audio thread processes. Parameter values are
// relaxed atomics, and the engine quantities they are converted into are the
// engine's own relaxed atomics, so no lock is needed anywhere.
#pragma once

#include "engine/DelayVoc.h"
#include "host/EffectBaseX.h"
#include "plugin/PluginDataModule.h"
#include "plugin/PluginProgram.h"

#include <array>
#include <functional>
#include <memory>

// A day of the local calendar.
struct CalendarDate {
    int year;
    int month; // 1 to 12
    int day;   // 1 to 31
};

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

    const TDelayVoc& engine() const { return *delayVoc; }
    TDelayVoc& engine() { return *delayVoc; }
    float storedParameter(int32_t index) const { return params[index]; }
    float hostSampleRate() const { return sampleRate; }

  private:
    void applyParameter(int32_t index);
    void processBlock(float** inputs, float** outputs, int32_t sampleFrames);
    std::string displayText(int32_t index) const;

    std::array<RelaxedAtomic<float>, kParameterCount> params;
    std::unique_ptr<TPluginDataModule> dataModule;
    bool ready = false; // false while constructing: values are stored, not applied
    std::unique_ptr<TDelayVoc> delayVoc;
    std::array<std::unique_ptr<APluginProgram>, 1> programs;
    float vu = 0.0f;
    std::function<CalendarDate()> today;
};

// Packs a date as a 32-bit date-and-time word with the time of day zero: bits 25
// to 31 the year minus 1980, 21 to 24 the month, 16 to 20 the day. Years outside
// 1980 to 2107 give 0.
int32_t PackDate(const CalendarDate& date);

// Today's date in the local calendar.
CalendarDate LocalCalendarDate();
