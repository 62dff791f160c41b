// SPDX-License-Identifier: ISC
#include "engine/LinkedPair.h"

#include <algorithm>
#include <cmath>

// Both engines are fed in the same runs, up to the hop boundary they share.
// The gate level is the larger of the two level sums. A channel fed a NaN has
// a level that is not a number and never opens a lone engine's gate; fmax then
// takes the other channel's level, so that channel still decides.
void ProcessLinkedPair(TDelayVoc& left, TDelayVoc& right, const float* leftInput,
                       const float* rightInput, float* leftOutput, float* rightOutput,
                       int32_t count) {
    while (count > 0) {
        const int32_t run = std::min(count, left.SamplesToHop());
        if (!(left.rate > 0.0f) || !(right.rate > 0.0f)) {
            left.PassDry(leftInput, leftOutput, count);
            right.PassDry(rightInput, rightOutput, count);
            return;
        }
        left.FeedRun(leftInput, leftOutput, run);
        right.FeedRun(rightInput, rightOutput, run);
        leftInput += run;
        rightInput += run;
        leftOutput += run;
        rightOutput += run;
        count -= run;
        if (left.fifoPos == TDelayVoc::FrameLength) {
            const float level = std::fmax(left.levelSum, right.levelSum);
            right.writeIdx = static_cast<int32_t>(left.writeIdx);
            left.RunHop(level);
            right.RunHop(level);
        }
    }
}
