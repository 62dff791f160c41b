// SPDX-License-Identifier: ISC
// A small effect with one fault of a kind the validator must catch, chosen by
// FAULT when the module is built (0 builds the clean effect): a gain with two
// parameters.
#include "vst2/AudioEffectX.h"
#include "vst2/EntryPoint.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#define FAULT_NONE 0
#define FAULT_ALLOCATES 1       // allocates in every processing call
#define FAULT_POISONED 2        // one NaN poisons its state for good
#define FAULT_LONG_DISPLAY 3    // a 100-character parameter display
#define FAULT_CRASHES_ON_LONG 4 // crashes on blocks longer than 2048 samples
#define FAULT_READBACK 5        // reads back values up to 2
#define FAULT_LEAKS 6           // leaks 4 MB per instance
#define FAULT_WRITES_PAST 7     // writes one sample past the output block
#define FAULT_HANGS 8           // hangs on a parameter index it does not have

namespace {

std::vector<char*> leaked;

class FaultyEffect : public AudioEffectX {
  public:
    explicit FaultyEffect(audioMasterCallback host) : AudioEffectX(host, 1, 2) {
        setNumInputs(1);
        setNumOutputs(1);
        canProcessReplacing(true);
        setUniqueID(0x464C5459); // FLTY
        if (FAULT == FAULT_LEAKS) leaked.push_back(new char[4 << 20]);
    }

    void setParameter(int32_t index, float value) override {
        if (index >= 0 && index < 2)
            values[index] = std::isfinite(value) ? std::fmin(std::fmax(value, 0.0f), 1.0f) : 0.0f;
    }
    float getParameter(int32_t index) override {
        if (FAULT == FAULT_HANGS && (index < 0 || index >= 2))
            for (;;)
                std::this_thread::sleep_for(std::chrono::seconds(1));
        if (index < 0 || index >= 2) return 0.0f;
        return FAULT == FAULT_READBACK ? 2 * values[index].load() : values[index].load();
    }
    void getParameterName(int32_t index, char* text) override {
        std::strcpy(text, index == 0 ? "gain" : "tone");
    }
    void getParameterDisplay(int32_t index, char* text) override {
        if (FAULT == FAULT_LONG_DISPLAY) {
            std::memset(text, 'x', 100);
            text[100] = '\0';
            return;
        }
        std::snprintf(text, 9, "%.3f",
                      index >= 0 && index < 2 ? static_cast<double>(values[index].load()) : 0.0);
    }
    bool getEffectName(char* name) override { return std::strcpy(name, "faulty"), true; }

    void process(float** inputs, float** outputs, int32_t frames) override {
        processReplacing(inputs, outputs, frames);
    }
    void processReplacing(float** inputs, float** outputs, int32_t frames) override {
        if (FAULT == FAULT_ALLOCATES) scratch = std::vector<float>(static_cast<size_t>(frames) + 1);
        if (FAULT == FAULT_CRASHES_ON_LONG && frames > 2048)
            *static_cast<volatile int*>(nullptr) = 1;
        for (int32_t i = 0; i < frames; ++i) {
            const float x = inputs[0][i];
            state = FAULT == FAULT_POISONED ? 0.5f * state + 0.5f * x : x;
            outputs[0][i] = state * values[0];
        }
        if (FAULT == FAULT_WRITES_PAST) outputs[0][frames] = 0.25f;
    }

  private:
    // Set from the host's automation thread while the audio thread reads them.
    std::atomic<float> values[2] = {0.5f, 0.5f};
    float state = 0.0f;
    std::vector<float> scratch;
};

} // namespace

AudioEffect* createEffectInstance(audioMasterCallback host) { return new FaultyEffect(host); }
