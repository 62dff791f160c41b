// SPDX-License-Identifier: ISC
#include "tools/hosting/HostPolicy.h"

#include <cstring>

namespace {

void CopyAnswer(void* ptr, const char* text) {
    if (ptr) std::strcpy(static_cast<char*>(ptr), text);
}

} // namespace

intptr_t HostPolicy::answer(const HostRequest& request, float sampleRate, int32_t blockSize) {
    switch (request.opcode) {
    case audioMasterVersion:
        return kHostVersion;
    case audioMasterGetSampleRate:
        return static_cast<intptr_t>(sampleRate);
    case audioMasterGetBlockSize:
        return blockSize;
    case audioMasterGetCurrentProcessLevel:
        return kProcessLevelOffline;
    case audioMasterGetVendorString:
        CopyAnswer(request.ptr, identity.vendor);
        return 1;
    case audioMasterGetProductString:
        CopyAnswer(request.ptr, identity.product);
        return 1;
    case audioMasterGetVendorVersion:
        return identity.vendorVersion;
    case audioMasterGetLanguage:
        return identity.language;
    default:
        // No time info, no events to receive, nothing to automate: 0 is the
        // interface's answer for "not supported".
        return 0;
    }
}

std::string HostPolicy::unusableInstance(const std::string& modulePath,
                                         UnusableInstance what) const {
    if (what == UnusableInstance::None)
        return "plug-in module '" + modulePath + "' gave no instance";
    return "plug-in module '" + modulePath + "' returned something that is not a plug-in";
}

HostPolicy& OfflineHost() {
    static HostPolicy policy({"tapestrum", "tapestrum offline host", 1, 1});
    return policy;
}
