// SPDX-License-Identifier: ISC
// The parameter changes a host sends with one block, in the order the effect
// takes them: by sample offset, and at one offset by parameter index (several
// changes of one parameter at one offset in the host's order, the last one
// staying). The processor cuts the block at each offset that has a change.
//
// Audio thread: it allocates nothing (a fixed table of the host's queues) and
// reads the host's queues one point at a time.
#pragma once

#include "core/TapestrumEffect.h"
#include "vst3/Vst3Interface.h"

#include <array>
#include <cstdint>

namespace vst3 {

class ParameterSchedule {
  public:
    // Takes the block's changes (null: none). Queues of identifiers that are no
    // parameter are left out; offsets are held within 0 to `frames` (a change
    // at `frames` comes after the block's last sample).
    void begin(IParameterChanges* changes, int32_t frames);
    // The offset of the earliest change not yet applied, or kNone.
    int32_t nextOffset() const;
    // Applies every change up to `offset`, in parameter order.
    void applyThrough(int32_t offset, TapestrumEffect& effect);

    static constexpr int32_t kNone = INT32_MAX;

  private:
    struct Lane {
        IParamValueQueue* queue;
        ParamID id;
        int32_t pointCount;
        int32_t nextPoint;
        int32_t offset; // of the next point, kNone when there is none
        double value;
    };
    void loadPoint(Lane& lane) const;

    // More queues than parameters only when a host sends a parameter twice;
    // what does not fit is left out.
    static constexpr int32_t kMaxLanes = 4 * kParameterCount;
    std::array<Lane, kMaxLanes> lanes{};
    int32_t laneCount = 0;
    int32_t blockFrames = 0;
};

} // namespace vst3
