// An effect that records which virtual operation the dispatcher reached, with
// which arguments, and answers with values the test chooses. It also counts
// destructions so that tests can see effClose destroy the object.
#pragma once

#include "vst2/AudioEffectX.h"

#include <string>
#include <vector>

struct OperationCall {
    std::string name;
    std::vector<intptr_t> args; // integers, booleans and addresses, in order
    float real = 0.0f;          // the float argument, if the operation has one
};

class RecordingEffect : public AudioEffectX {
  public:
    explicit RecordingEffect(audioMasterCallback host = nullptr, int32_t programs = 4,
                             int32_t params = 3);
    ~RecordingEffect() override;

    static int destroyed;

    std::vector<OperationCall> calls;
    intptr_t intAnswer = 0;
    bool boolAnswer = false;
    float vuAnswer = 0.0f;

    // Exposes the protected base state for the tests.
    float rate() const { return sampleRate; }
    int32_t block() const { return blockSize; }
    int32_t current() const { return curProgram; }

    void process(float** in, float** out, int32_t n) override {
        note("process", {P(in), P(out), n});
    }
    void processReplacing(float** in, float** out, int32_t n) override {
        note("processReplacing", {P(in), P(out), n});
    }
    void setParameter(int32_t i, float v) override { note("setParameter", {i}, v); }
    float getParameter(int32_t i) override { return note("getParameter", {i}), 0.25f; }
    void open() override { note("open"); }
    void close() override { note("close"); }
    int32_t getProgram() override { return note("getProgram"), I(); }
    void setProgram(int32_t p) override { note("setProgram", {p}); }
    void setProgramName(char* n) override { note("setProgramName", {P(n)}); }
    void getProgramName(char* n) override { note("getProgramName", {P(n)}); }
    void getParameterLabel(int32_t i, char* t) override { note("getParameterLabel", {i, P(t)}); }
    void getParameterDisplay(int32_t i, char* t) override {
        note("getParameterDisplay", {i, P(t)});
    }
    void getParameterName(int32_t i, char* t) override { note("getParameterName", {i, P(t)}); }
    float getVu() override { return note("getVu"), vuAnswer; }
    void setSampleRate(float r) override { note("setSampleRate", {}, r); }
    void setBlockSize(int32_t s) override { note("setBlockSize", {s}); }
    int32_t getChunk(void** d, bool pre) override { return note("getChunk", {P(d), pre}), I(); }
    int32_t setChunk(void* d, int32_t n, bool pre) override {
        return note("setChunk", {P(d), n, pre}), I();
    }
    void suspend() override { note("suspend"); }
    void resume() override { note("resume"); }

    int32_t processEvents(VstEvents* e) override { return note("processEvents", {P(e)}), I(); }
    bool canParameterBeAutomated(int32_t i) override {
        return note("canParameterBeAutomated", {i}), B();
    }
    bool string2parameter(int32_t i, char* t) override {
        return note("string2parameter", {i, P(t)}), B();
    }
    int32_t getNumCategories() override { return note("getNumCategories"), I(); }
    bool getProgramNameIndexed(int32_t c, int32_t i, char* t) override {
        return note("getProgramNameIndexed", {c, i, P(t)}), B();
    }
    bool copyProgram(int32_t d) override { return note("copyProgram", {d}), B(); }
    void inputConnected(int32_t i, bool s) override { note("inputConnected", {i, s}); }
    void outputConnected(int32_t i, bool s) override { note("outputConnected", {i, s}); }
    bool getInputProperties(int32_t i, VstPinProperties* p) override {
        return note("getInputProperties", {i, P(p)}), B();
    }
    bool getOutputProperties(int32_t i, VstPinProperties* p) override {
        return note("getOutputProperties", {i, P(p)}), B();
    }
    int32_t getPlugCategory() override { return note("getPlugCategory"), I(); }
    int32_t reportCurrentPosition() override { return note("reportCurrentPosition"), I(); }
    float* reportDestinationBuffer() override {
        return note("reportDestinationBuffer"), reinterpret_cast<float*>(intAnswer);
    }
    bool offlineNotify(VstAudioFile* d, int32_t n, bool s) override {
        return note("offlineNotify", {P(d), n, s}), B();
    }
    bool offlinePrepare(VstOfflineTask* o, int32_t n) override {
        return note("offlinePrepare", {P(o), n}), B();
    }
    bool offlineRun(VstOfflineTask* o, int32_t n) override {
        return note("offlineRun", {P(o), n}), B();
    }
    bool processVariableIo(VstVariableIo* v) override {
        return note("processVariableIo", {P(v)}), B();
    }
    bool setSpeakerArrangement(VstSpeakerArrangement* i, VstSpeakerArrangement* o) override {
        return note("setSpeakerArrangement", {P(i), P(o)}), B();
    }
    void setBlockSizeAndSampleRate(int32_t s, float r) override {
        note("setBlockSizeAndSampleRate", {s}, r);
    }
    bool setBypass(bool b) override { return note("setBypass", {b}), B(); }
    bool getEffectName(char* t) override { return note("getEffectName", {P(t)}), B(); }
    bool getErrorText(char* t) override { return note("getErrorText", {P(t)}), B(); }
    bool getVendorString(char* t) override { return note("getVendorString", {P(t)}), B(); }
    bool getProductString(char* t) override { return note("getProductString", {P(t)}), B(); }
    int32_t getVendorVersion() override { return note("getVendorVersion"), I(); }
    intptr_t vendorSpecific(int32_t a, intptr_t b, void* p, float f) override {
        return note("vendorSpecific", {a, b, P(p)}, f), intAnswer;
    }
    int32_t canDo(char* t) override { return note("canDo", {P(t)}), I(); }
    void* getIcon() override { return note("getIcon"), reinterpret_cast<void*>(intAnswer); }
    bool setViewPosition(int32_t x, int32_t y) override {
        return note("setViewPosition", {x, y}), B();
    }
    int32_t getGetTailSize() override { return note("getGetTailSize"), I(); }
    int32_t fxIdle() override { return note("fxIdle"), I(); }
    bool getParameterProperties(int32_t i, VstParameterProperties* p) override {
        return note("getParameterProperties", {i, P(p)}), B();
    }
    bool keysRequired() override { return note("keysRequired"), B(); }
    int32_t getVstVersion() override { return note("getVstVersion"), I(); }
    int32_t getMidiProgramName(int32_t c, MidiProgramName* m) override {
        return note("getMidiProgramName", {c, P(m)}), I();
    }
    int32_t getCurrentMidiProgram(int32_t c, MidiProgramName* m) override {
        return note("getCurrentMidiProgram", {c, P(m)}), I();
    }
    int32_t getMidiProgramCategory(int32_t c, MidiProgramCategory* m) override {
        return note("getMidiProgramCategory", {c, P(m)}), I();
    }
    bool hasMidiProgramsChanged(int32_t c) override {
        return note("hasMidiProgramsChanged", {c}), B();
    }
    bool getMidiKeyName(int32_t c, MidiKeyName* k) override {
        return note("getMidiKeyName", {c, P(k)}), B();
    }
    bool beginSetProgram() override { return note("beginSetProgram"), B(); }
    bool endSetProgram() override { return note("endSetProgram"), B(); }
    bool getSpeakerArrangement(VstSpeakerArrangement** i, VstSpeakerArrangement** o) override {
        return note("getSpeakerArrangement", {P(i), P(o)}), B();
    }
    int32_t getNextShellPlugin(char* n) override { return note("getNextShellPlugin", {P(n)}), I(); }
    int32_t startProcess() override { return note("startProcess"), I(); }
    int32_t stopProcess() override { return note("stopProcess"), I(); }
    intptr_t setTotalSampleToProcess(intptr_t v) override {
        return note("setTotalSampleToProcess", {v}), intAnswer;
    }
    bool setPanLaw(int32_t t, float v) override { return note("setPanLaw", {t}, v), B(); }
    int32_t beginLoadBank(VstPatchChunkInfo* p) override {
        return note("beginLoadBank", {P(p)}), I();
    }
    int32_t beginLoadProgram(VstPatchChunkInfo* p) override {
        return note("beginLoadProgram", {P(p)}), I();
    }

  private:
    template <typename T> static intptr_t P(T* p) { return reinterpret_cast<intptr_t>(p); }
    int32_t I() const { return static_cast<int32_t>(intAnswer); }
    bool B() const { return boolAnswer; }
    void note(const char* name, std::vector<intptr_t> args = {}, float real = 0.0f) {
        calls.push_back({name, std::move(args), real});
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
