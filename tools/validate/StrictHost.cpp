// SPDX-License-Identifier: ISC
#include "tools/validate/StrictHost.h"

StrictHost::StrictHost() : HostPolicy({"tapestrum validate", "tapestrum validate", 0, 0}) {}

intptr_t StrictHost::answer(const HostRequest& request, float sampleRate, int32_t blockSize) {
    switch (request.opcode) {
    case audioMasterVersion:
        ++versionAsked;
        break;
    case audioMasterWantMidi:
        ++wantMidi;
        return 1;
    default:
        break;
    }
    return HostPolicy::answer(request, sampleRate, blockSize);
}

std::string StrictHost::unusableInstance(const std::string&, UnusableInstance what) const {
    return what == UnusableInstance::None ? "the entry point gave no instance"
                                          : "the entry point gave no instance record";
}

StrictHost& TheStrictHost() {
    static StrictHost host;
    return host;
}
