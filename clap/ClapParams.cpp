// SPDX-License-Identifier: ISC
// Parameter values and their texts, as the host's main thread asks for them.
#include "clap/ClapEffect.h"
#include "clap/ClapValues.h"
#include "core/HostText.h"
#include "core/ParameterIndexCheck.h"

// The value the host (or a state) set last, as the core stored it. The host owns
// its parameters' values: the engine's read-back (a delay on whole frames, a head
// position that moves as the effect plays) would look to it like changes the
// plug-in made without saying so.
bool ClapEffect::value(clap::Id id, double& value) const {
    if (!IsParameterIndex(id)) return false;
    value = effect.storedParameter(static_cast<int32_t>(id));
    return true;
}

// The text the VST 2 face shows for the value, cut to the buffer.
bool ClapEffect::valueToText(clap::Id id, double value, char* buffer, uint32_t capacity) const {
    if (!IsParameterIndex(id) || !buffer || capacity == 0) return false;
    CopyHostText(buffer, effect.displayTextFor(static_cast<int32_t>(id), ParameterFloat(value)),
                 capacity - 1);
    return true;
}

// Every text valueToText gives reads back to a value with the same text; what
// cannot be read is refused.
bool ClapEffect::textToValue(clap::Id id, const char* text, double& value) const {
    if (!IsParameterIndex(id) || !text) return false;
    const std::optional<float> read = effect.valueForText(static_cast<int32_t>(id), text);
    if (!read) return false;
    value = *read;
    return true;
}
