// SPDX-License-Identifier: ISC
// What the host tells a module: the answers of its callback, and how it words a
// module that gives no usable instance. The offline host's answers are the
// defaults; a host that must answer otherwise (the validator's strict host)
// overrides answer() or the wording, and nothing else.
#pragma once

#include "vst2/record/EffectRecord.h"

#include <cstdint>
#include <string>

// The version of the VST 2 interface this host implements, as it tells a
// module that asks.
constexpr intptr_t kHostVersion = 2400;

// The process level every render of this host runs at: offline.
constexpr intptr_t kProcessLevelOffline = 4;

// One request of a module, as its callback receives it.
struct HostRequest {
    AEffect* effect;
    int32_t opcode;
    int32_t index;
    intptr_t value;
    void* ptr;
    float opt;
};

// What went wrong with the entry point's answer.
enum class UnusableInstance { None, NotARecord };

class HostPolicy {
  public:
    // What the host says it is when a module asks.
    struct Identity {
        const char* vendor;
        const char* product;
        intptr_t vendorVersion;
        intptr_t language; // 1: English; 0: not told
    };

    explicit HostPolicy(const Identity& identity) : identity(identity) {}
    virtual ~HostPolicy() = default;
    HostPolicy(const HostPolicy&) = delete;
    HostPolicy& operator=(const HostPolicy&) = delete;

    // Answers one request of an instance that runs at `sampleRate` in blocks of
    // up to `blockSize`. It comes from whichever thread the module calls from,
    // the audio thread included, so an override must not allocate or lock.
    virtual intptr_t answer(const HostRequest& request, float sampleRate, int32_t blockSize);

    // The message for an entry point that gave no instance or something else.
    virtual std::string unusableInstance(const std::string& modulePath,
                                         UnusableInstance what) const;

  private:
    Identity identity;
};

// The offline host's policy: one for the program, living as long as it.
HostPolicy& OfflineHost();
