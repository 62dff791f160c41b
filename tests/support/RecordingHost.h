// SPDX-License-Identifier: ISC
// A stand-in for a host's callback that records every request an effect sends
// and answers each opcode with a value the test chooses.
#pragma once

#include "vst2/record/EffectRecord.h"

#include <map>
#include <vector>

struct HostRequest {
    AEffect* effect;
    int32_t opcode;
    int32_t index;
    intptr_t value;
    void* ptr;
    float opt;
};

class RecordingHost {
  public:
    RecordingHost() : previous(current) { current = this; }
    ~RecordingHost() { current = previous; }
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    // The callback to hand to an effect; it reports to the most recently
    // constructed RecordingHost that is still alive.
    static intptr_t VSTCALL Callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                     void* ptr, float opt) {
        if (!current) return 0;
        current->requests.push_back({effect, opcode, index, value, ptr, opt});
        const auto found = current->answers.find(opcode);
        return found == current->answers.end() ? 0 : found->second;
    }

    void answer(int32_t opcode, intptr_t value) { answers[opcode] = value; }
    std::vector<HostRequest> requests;
    std::map<int32_t, intptr_t> answers{{audioMasterVersion, 2400}};

  private:
    static inline RecordingHost* current = nullptr;
    RecordingHost* previous;
};
