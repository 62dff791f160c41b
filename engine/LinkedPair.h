// SPDX-License-Identifier: ISC
// Two engines as the channels of one stereo effect, with a linked gate: a hop
// records in both channels when either channel's input level over that hop
// passes the threshold (the louder of the two hop levels decides), so a sound
// panned to one side is recorded on both sides' tracks at the same frames and
// the stereo picture of the loop stays whole. Apart from the gate each channel
// is exactly the mono engine: with every hop passing the gate in both channels,
// each output equals that of a lone engine fed that channel.
//
// The two engines are meant to hold the same quantities (the effect sets both
// alike). Their write heads stay in step: before each hop the right engine's
// write head is taken from the left's, so a head that another thread set on
// one engine while a hop ran between the two settings is shared again at the
// next hop at the latest. Every other quantity is each engine's own, read once
// per run or hop as a lone engine reads it.
//
// Threads: as TDelayVoc::Process, on the audio thread; allocates nothing.
#pragma once

#include "engine/DelayVoc.h"

#include <cstdint>

// Turns count samples of each channel's input into as many of its output;
// each channel's input and output may be the same array. Blocks of any length
// continue where the last one stopped. Until both engines have a sample rate,
// both pass their dry input and keep their state. The engines must have run in
// step until now (both new, or reset together, and processed only through
// this call).
void ProcessLinkedPair(TDelayVoc& left, TDelayVoc& right, const float* leftInput,
                       const float* rightInput, float* leftOutput, float* rightOutput,
                       int32_t count);
