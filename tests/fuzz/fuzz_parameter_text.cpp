// SPDX-License-Identifier: ISC
// Parameter values typed as text, as a host passes them to the effect core:
// after a sample rate and a few parameter values from the input, any text is
// read for a parameter. A value read is from 0 to 1, and the text the
// parameter shows now reads back to a value that shows the same text (where
// the state is one a value shows, at a usual sample rate).
#include "ByteStream.h"

#include "core/TapestrumEffect.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteStream in(data, size);
    TapestrumEffect effect;
    const float rate = in.real();
    effect.setSampleRate(rate);
    for (int settings = in.byte() % 8; settings > 0; --settings) {
        const int32_t index = in.integer();
        effect.setParameter(index, in.real());
    }
    const int32_t index = in.integer();
    const std::string text = in.text();

    const std::optional<float> value = effect.valueForText(index, text);
    if (value && !(*value >= 0.0f && *value <= 1.0f)) std::abort();

    // Only a state some value shows can be read back, at a sample rate a host
    // uses (at none, durations show as NAN or INF): a head position left beyond
    // a shortened track shows where the head stands, which no value shows, and
    // reads as 1.
    if (index < 0 || index >= kParameterCount || !(rate >= 1000.0f && rate <= 1.0e6f)) return 0;
    const std::string shown = effect.displayText(index);
    if (effect.displayTextFor(index, effect.readParameter(index)) != shown) return 0;
    const std::optional<float> again = effect.valueForText(index, shown);
    if (!again || effect.displayTextFor(index, *again) != shown) std::abort();
    return 0;
}
