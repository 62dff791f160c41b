// SPDX-License-Identifier: ISC
// The validator's host: it answers as the offline host does, except that it
// counts what the module asks of it and says it takes MIDI, and words a bad
// entry point for the validator's report.
#pragma once

#include "tools/hosting/HostPolicy.h"

#include <atomic>

class StrictHost : public HostPolicy {
  public:
    StrictHost();
    intptr_t answer(const HostRequest& request, float sampleRate, int32_t blockSize) override;
    std::string unusableInstance(const std::string& modulePath,
                                 UnusableInstance what) const override;

    // How often the module asked for the host's version and for MIDI. Written
    // by whichever thread the module calls the host from, read by the tests'.
    std::atomic<int> versionAsked{0};
    std::atomic<int> wantMidi{0};
};

// The one strict host of a process (each group of tests runs in a process of
// its own).
StrictHost& TheStrictHost();
