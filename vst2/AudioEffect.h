// SPDX-License-Identifier: ISC
// AudioEffect: the base of every effect object. It owns the instance record the
// host holds, keeps the few settings the host sets (sample rate, block size,
// current program), turns dispatcher opcodes 0 to 24 into virtual operations and
// wraps the first host requests. Every default here is what a host sees for an
// operation that the effect does not override.
//
// Threads: every operation runs on whichever host thread calls it; nothing here
// is serialised. Processing normally comes from the audio thread, everything else
// from the host's user-interface or worker threads.
#pragma once

#include "vst2/record/EffectRecord.h"

#include <atomic>
#include <cstdint>

class AudioEffect {
  public:
    AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);
    virtual ~AudioEffect();

    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    virtual void setSampleRate(float rate);
    virtual void setBlockSize(int32_t size);
    virtual void setParameter(int32_t index, float value);
    virtual float getParameter(int32_t index);
    virtual void setParameterAutomated(int32_t index, float value);
    virtual void process(float** inputs, float** outputs, int32_t sampleFrames) = 0;
    virtual void processReplacing(float** inputs, float** outputs, int32_t sampleFrames);
    virtual intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                float opt);
    virtual void open();
    virtual void close();
    virtual int32_t getProgram();
    virtual void setProgram(int32_t program);
    virtual void setProgramName(char* name);
    virtual void getProgramName(char* name);
    virtual void getParameterLabel(int32_t index, char* label);
    virtual void getParameterDisplay(int32_t index, char* text);
    virtual void getParameterName(int32_t index, char* text);
    virtual float getVu();
    virtual int32_t getChunk(void** data, bool isPreset);
    virtual int32_t setChunk(void* data, int32_t byteSize, bool isPreset);
    virtual void suspend();
    virtual void resume();
    virtual void setUniqueID(int32_t id);
    virtual void setNumInputs(int32_t count);
    virtual void setNumOutputs(int32_t count);
    virtual void hasVu(bool state);
    virtual void hasClip(bool state);
    virtual void canMono(bool state);
    virtual void canProcessReplacing(bool state);
    virtual void programsAreChunks(bool state);
    virtual void setRealtimeQualities(int32_t value);
    virtual void setOfflineQualities(int32_t value);
    virtual void setInitialDelay(int32_t samples);
    virtual int32_t getMasterVersion();
    virtual int32_t getCurrentUniqueId();
    virtual void masterIdle();
    virtual bool isInputConnected(int32_t input);
    virtual bool isOutputConnected(int32_t output);

    AEffect* getAeffect() { return &cEffect; }

  protected:
    // Sends one request to the host, or answers withoutHost when there is no
    // callback. The record argument is always this instance's record.
    intptr_t callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt,
                      intptr_t withoutHost);
    void setFlag(int32_t bit, bool state);

    AEffect cEffect{};
    // Written by effSetSampleRate on the host's main thread while automation
    // may read it (through setParameter) on another: hosts change the rate
    // while the effect is suspended, but go on automating meanwhile.
    std::atomic<float> sampleRate{44100.0f};
    void* editor = nullptr; // no effect of this module attaches an editor
    int32_t numPrograms = 0;
    int32_t numParams = 0;
    int32_t curProgram = 0;
    int32_t blockSize = 1024;
    audioMasterCallback audioMaster = nullptr;
};

// The entry functions whose addresses stand in the instance record.
namespace EffectEntry {
intptr_t VSTCALL dispatch(AEffect* e, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                          float opt);
void VSTCALL process(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames);
void VSTCALL processReplacing(AEffect* e, float** inputs, float** outputs, int32_t sampleFrames);
void VSTCALL setParameter(AEffect* e, int32_t index, float value);
float VSTCALL getParameter(AEffect* e, int32_t index);
} // namespace EffectEntry
