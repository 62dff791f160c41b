// SPDX-License-Identifier: ISC
// An effect that records which virtual operation the dispatcher reached, with
// which arguments, and answers with values the test chooses. It also counts
// destructions so that tests can see effClose destroy the object.
#pragma once

#include "vst2/AudioEffectX.h"

#include <string>
#include <type_traits>
#include <vector>

struct OperationCall {
    std::string name;
    std::vector<intptr_t> args; // integers, booleans and addresses, in order
    float real = 0.0f;          // the float argument, if the operation has one
};

// An operation that notes its name and its arguments (the integers, booleans
// and addresses given after the parameters) and answers in its own type.
#define RECORDED(type, name, parameters, ...)                                                      \
    type name parameters override { return static_cast<type>(note(#name, {__VA_ARGS__})); }

class RecordingEffect : public AudioEffectX {
  public:
    explicit RecordingEffect(audioMasterCallback host = nullptr, int32_t programs = 4,
                             int32_t params = 3)
        : AudioEffectX(host, programs, params) {}
    ~RecordingEffect() override { ++destroyed; }

    static inline int destroyed = 0;

    std::vector<OperationCall> calls;
    intptr_t intAnswer = 0;
    bool boolAnswer = false;
    float vuAnswer = 0.0f;

    // Exposes the protected base state for the tests.
    float rate() const { return sampleRate; }
    int32_t block() const { return blockSize; }
    int32_t current() const { return curProgram; }

    void setParameter(int32_t i, float v) override { note("setParameter", {i}, v); }
    float getParameter(int32_t i) override { return note("getParameter", {i}), 0.25f; }
    void setSampleRate(float r) override { note("setSampleRate", {}, r); }
    void setBlockSizeAndSampleRate(int32_t s, float r) override {
        note("setBlockSizeAndSampleRate", {s}, r);
    }
    intptr_t vendorSpecific(int32_t a, intptr_t b, void* p, float f) override {
        return note("vendorSpecific", {a, b, P(p)}, f), intAnswer;
    }
    bool setPanLaw(int32_t t, float v) override { return note("setPanLaw", {t}, v), B(); }
    RECORDED(void, process, (float** in, float** out, int32_t n), P(in), P(out), n)
    RECORDED(void, processReplacing, (float** in, float** out, int32_t n), P(in), P(out), n)
    RECORDED(void, open, ())
    RECORDED(void, close, ())
    RECORDED(int32_t, getProgram, ())
    RECORDED(void, setProgram, (int32_t p), p)
    RECORDED(void, setProgramName, (char* n), P(n))
    RECORDED(void, getProgramName, (char* n), P(n))
    RECORDED(void, getParameterLabel, (int32_t i, char* t), i, P(t))
    RECORDED(void, getParameterDisplay, (int32_t i, char* t), i, P(t))
    RECORDED(void, getParameterName, (int32_t i, char* t), i, P(t))
    RECORDED(float, getVu, ())
    RECORDED(void, setBlockSize, (int32_t s), s)
    RECORDED(int32_t, getChunk, (void** d, bool pre), P(d), pre)
    RECORDED(int32_t, setChunk, (void* d, int32_t n, bool pre), P(d), n, pre)
    RECORDED(void, suspend, ())
    RECORDED(void, resume, ())
    RECORDED(int32_t, processEvents, (VstEvents * e), P(e))
    RECORDED(bool, canParameterBeAutomated, (int32_t i), i)
    RECORDED(bool, string2parameter, (int32_t i, char* t), i, P(t))
    RECORDED(int32_t, getNumCategories, ())
    RECORDED(bool, getProgramNameIndexed, (int32_t c, int32_t i, char* t), c, i, P(t))
    RECORDED(bool, copyProgram, (int32_t d), d)
    RECORDED(void, inputConnected, (int32_t i, bool s), i, s)
    RECORDED(void, outputConnected, (int32_t i, bool s), i, s)
    RECORDED(bool, getInputProperties, (int32_t i, VstPinProperties* p), i, P(p))
    RECORDED(bool, getOutputProperties, (int32_t i, VstPinProperties* p), i, P(p))
    RECORDED(int32_t, getPlugCategory, ())
    RECORDED(int32_t, reportCurrentPosition, ())
    RECORDED(float*, reportDestinationBuffer, ())
    RECORDED(bool, offlineNotify, (VstAudioFile * d, int32_t n, bool s), P(d), n, s)
    RECORDED(bool, offlinePrepare, (VstOfflineTask * o, int32_t n), P(o), n)
    RECORDED(bool, offlineRun, (VstOfflineTask * o, int32_t n), P(o), n)
    RECORDED(bool, processVariableIo, (VstVariableIo * v), P(v))
    RECORDED(bool, setSpeakerArrangement, (VstSpeakerArrangement * i, VstSpeakerArrangement* o),
             P(i), P(o))
    RECORDED(bool, setBypass, (bool b), b)
    RECORDED(bool, getEffectName, (char* t), P(t))
    RECORDED(bool, getErrorText, (char* t), P(t))
    RECORDED(bool, getVendorString, (char* t), P(t))
    RECORDED(bool, getProductString, (char* t), P(t))
    RECORDED(int32_t, getVendorVersion, ())
    RECORDED(int32_t, canDo, (char* t), P(t))
    RECORDED(void*, getIcon, ())
    RECORDED(bool, setViewPosition, (int32_t x, int32_t y), x, y)
    RECORDED(int32_t, getGetTailSize, ())
    RECORDED(int32_t, fxIdle, ())
    RECORDED(bool, getParameterProperties, (int32_t i, VstParameterProperties* p), i, P(p))
    RECORDED(bool, keysRequired, ())
    RECORDED(int32_t, getVstVersion, ())
    RECORDED(int32_t, getMidiProgramName, (int32_t c, MidiProgramName* m), c, P(m))
    RECORDED(int32_t, getCurrentMidiProgram, (int32_t c, MidiProgramName* m), c, P(m))
    RECORDED(int32_t, getMidiProgramCategory, (int32_t c, MidiProgramCategory* m), c, P(m))
    RECORDED(bool, hasMidiProgramsChanged, (int32_t c), c)
    RECORDED(bool, getMidiKeyName, (int32_t c, MidiKeyName* k), c, P(k))
    RECORDED(bool, beginSetProgram, ())
    RECORDED(bool, endSetProgram, ())
    RECORDED(bool, getSpeakerArrangement, (VstSpeakerArrangement * *i, VstSpeakerArrangement** o),
             P(i), P(o))
    RECORDED(int32_t, getNextShellPlugin, (char* n), P(n))
    RECORDED(int32_t, startProcess, ())
    RECORDED(int32_t, stopProcess, ())
    RECORDED(intptr_t, setTotalSampleToProcess, (intptr_t v), v)
    RECORDED(int32_t, beginLoadBank, (VstPatchChunkInfo * p), P(p))
    RECORDED(int32_t, beginLoadProgram, (VstPatchChunkInfo * p), P(p))
#undef RECORDED

  private:
    template <typename T> static intptr_t P(T* p) { return reinterpret_cast<intptr_t>(p); }
    bool B() const { return boolAnswer; }
    // What an operation answers: the boolean, the float or the integer answer
    // (an address for a pointer).
    struct Answer {
        const RecordingEffect& effect;
        template <typename T> operator T() const {
            if constexpr (std::is_same_v<T, bool>)
                return effect.boolAnswer;
            else if constexpr (std::is_same_v<T, float>)
                return effect.vuAnswer;
            else if constexpr (std::is_pointer_v<T>)
                return reinterpret_cast<T>(effect.intAnswer);
            else
                return static_cast<T>(effect.intAnswer);
        }
    };
    Answer note(const char* name, std::vector<intptr_t> args = {}, float real = 0.0f) {
        calls.push_back({name, std::move(args), real});
        return {*this};
    }
};

// The smallest effect: every operation keeps the base classes' default.
class DefaultEffect : public AudioEffectX {
  public:
    explicit DefaultEffect(audioMasterCallback host = nullptr) : AudioEffectX(host, 1, 1) {}
    void process(float**, float**, int32_t) override {}
    float rate() const { return sampleRate; }
    int32_t block() const { return blockSize; }
};
