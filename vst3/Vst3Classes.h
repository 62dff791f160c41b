// SPDX-License-Identifier: ISC
// The effect's two VST 3 classes and what passes between them.
//
// The class identifiers are the effect's identity in every host project that
// uses it: they were chosen once and never change (a host that saved a project
// with the effect finds it again by them). The processor is the audio
// component; the controller is its edit controller, a class of its own.
#pragma once

#include "vst3/Vst3Interface.h"

namespace vst3 {

inline constexpr Uid kProcessorClassId =
    Uid::fromWords(0x7A9C3E51, 0x2D0B4F86, 0xA1E4C7B3, 0x5F60D298);
inline constexpr Uid kControllerClassId =
    Uid::fromWords(0x3C81D0A7, 0x94F2461B, 0xB85E03CA, 0x6D17F924);

inline constexpr const char* kEffectSubcategories = "Fx|Delay";
// The format version the classes were written for, as hosts read it.
inline constexpr const char* kFormatVersionText = "VST 3.7.0";

// The processor tells its controller the host's sample rate (the parameter
// texts show durations in it) in a message with this identifier and one float
// attribute.
inline constexpr const char* kSampleRateMessage = "tapestrum.sampleRate";
inline constexpr const char* kSampleRateAttribute = "rate";

} // namespace vst3
