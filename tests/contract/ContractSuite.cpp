#include "contract/ContractSuite.h"

#include "contract/FaceDrivers.h"

Reference::Reference(float rate) {
    effect.setSampleRate(rate);
    effect.resume();
}

void Reference::process(const float* input, float* output, int32_t frames, const Changes& changes) {
    if (!input) {
        std::fill_n(output, frames, 0.0f);
        input = output;
    }
    SplitAtChanges(
        frames, changes,
        [&](int32_t from, int32_t to) { effect.process(input + from, output + from, to - from); },
        [&](const ParameterChange& c) { effect.setParameter(c.index, c.value); });
}

float Reference::value(ValueReads reads, int32_t index) const {
    return reads == ValueReads::Engine ? effect.readParameter(index)
                                       : effect.storedParameter(index);
}

Changes Settings(const std::vector<std::pair<int32_t, float>>& values) {
    Changes changes;
    for (const ParameterInfo& row : kParameters)
        changes.push_back({row.index, 0, row.defaultValue});
    for (const auto& [index, value] : values)
        changes[static_cast<size_t>(index)].value = value;
    return changes;
}
