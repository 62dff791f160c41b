// SPDX-License-Identifier: ISC
#include "vst3/ParameterSchedule.h"

#include "core/ParameterIndexCheck.h"

#include <algorithm>

namespace vst3 {

void ParameterSchedule::begin(IParameterChanges* changes, int32_t frames) {
    laneCount = 0;
    blockFrames = std::max(0, frames);
    if (changes == nullptr) return;
    const int32_t queues = changes->getParameterCount();
    for (int32_t q = 0; q < queues && laneCount < kMaxLanes; ++q) {
        IParamValueQueue* queue = changes->getParameterData(q);
        if (queue == nullptr) continue;
        const ParamID id = queue->getParameterId();
        const int32_t points = queue->getPointCount();
        if (!IsParameterIndex(id) || points <= 0) continue;
        // Kept sorted by parameter, a parameter's queues in the host's order.
        int32_t at = laneCount;
        while (at > 0 && lanes[static_cast<size_t>(at - 1)].id > id) {
            lanes[static_cast<size_t>(at)] = lanes[static_cast<size_t>(at - 1)];
            --at;
        }
        Lane& lane = lanes[static_cast<size_t>(at)];
        lane = {queue, id, points, 0, kNone, 0.0};
        loadPoint(lane);
        ++laneCount;
    }
}

void ParameterSchedule::loadPoint(Lane& lane) const {
    lane.offset = kNone;
    for (; lane.nextPoint < lane.pointCount; ++lane.nextPoint) {
        int32_t offset = 0;
        double value = 0.0;
        if (lane.queue->getPoint(lane.nextPoint, offset, value) != kResultOk) continue;
        lane.offset = std::clamp(offset, 0, blockFrames);
        lane.value = value;
        return;
    }
}

int32_t ParameterSchedule::nextOffset() const {
    int32_t earliest = kNone;
    for (int32_t l = 0; l < laneCount; ++l)
        earliest = std::min(earliest, lanes[static_cast<size_t>(l)].offset);
    return earliest;
}

void ParameterSchedule::applyThrough(int32_t offset, TapestrumEffect& effect) {
    for (int32_t l = 0; l < laneCount; ++l) {
        Lane& lane = lanes[static_cast<size_t>(l)];
        while (lane.offset <= offset) {
            effect.setParameter(static_cast<int32_t>(lane.id), ParameterFloat(lane.value));
            ++lane.nextPoint;
            loadPoint(lane);
        }
    }
}

} // namespace vst3
