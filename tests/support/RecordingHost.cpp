#include "RecordingHost.h"

namespace {
RecordingHost* gCurrentHost = nullptr;
}

RecordingHost::RecordingHost() : previous(gCurrentHost) { gCurrentHost = this; }
RecordingHost::~RecordingHost() { gCurrentHost = previous; }

intptr_t VSTCALL RecordingHost::Callback(AEffect* effect, int32_t opcode, int32_t index,
                                         intptr_t value, void* ptr, float opt) {
    RecordingHost* host = gCurrentHost;
    if (!host) return 0;
    host->requests.push_back({effect, opcode, index, value, ptr, opt});
    const auto found = host->answers.find(opcode);
    return found == host->answers.end() ? 0 : found->second;
}
