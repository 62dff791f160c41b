// SPDX-License-Identifier: ISC
// The C interface (tapestrum.h): a thin face over TapestrumEffect, like the VST 2
// and LV2 faces, with every argument checked before it reaches the effect.
#include "c/tapestrum.h"

#include "core/FactoryPresets.h"
#include "core/HostRate.h"
#include "core/HostText.h"
#include "core/ParameterIndexCheck.h"
#include "core/TapestrumEffect.h"

#include <algorithm>
#include <new>
#include <optional>
#include <string>

struct tapestrum {
    explicit tapestrum(int32_t channels) : effect(channels, SimdLevel::Best) {}
    TapestrumEffect effect;
};

namespace {

const FactoryPreset* PresetAt(int preset) {
    const auto presets = FactoryPresets();
    if (preset < 0 || static_cast<size_t>(preset) >= presets.size()) return nullptr;
    return &presets[static_cast<size_t>(preset)];
}

tapestrum* NewInstance(float sample_rate, int32_t channels) {
    const std::optional<float> rate = AcceptedSampleRate(sample_rate);
    if (!rate) return nullptr;
    tapestrum* handle = new (std::nothrow) tapestrum(channels);
    if (!handle) return nullptr;
    handle->effect.setSampleRate(*rate);
    handle->effect.resume();
    return handle;
}

} // namespace

extern "C" {

tapestrum* tapestrum_new(float sample_rate) { return NewInstance(sample_rate, 1); }

tapestrum* tapestrum_new_stereo(float sample_rate) { return NewInstance(sample_rate, 2); }

void tapestrum_delete(tapestrum* handle) { delete handle; }

int tapestrum_channels(const tapestrum* handle) {
    return handle ? handle->effect.channelCount() : 0;
}

int tapestrum_parameter_count(void) { return kParameterCount; }

void tapestrum_set_parameter(tapestrum* handle, int index, float value) {
    if (handle && IsParameterIndex(index)) handle->effect.setParameter(index, value);
}

float tapestrum_get_parameter(tapestrum* handle, int index) {
    if (!handle || !IsParameterIndex(index)) return 0.0f;
    return handle->effect.readParameter(index);
}

// The names come from the parameter table's string literals, so each is
// followed by its terminating zero.
const char* tapestrum_parameter_name(int index) {
    if (!IsParameterIndex(index)) return nullptr;
    return kParameters[static_cast<size_t>(index)].name.data();
}

int tapestrum_parameter_text(tapestrum* handle, int index, char* buffer, int size) {
    const bool writable = buffer && size > 0;
    if (!handle || !IsParameterIndex(index)) {
        if (writable) buffer[0] = '\0';
        return -1;
    }
    const std::string text = handle->effect.displayText(index);
    const int length = static_cast<int>(text.size());
    if (writable) CopyHostText(buffer, text, static_cast<size_t>(size - 1));
    return length;
}

int tapestrum_preset_count(void) { return static_cast<int>(FactoryPresets().size()); }

// Like the parameter names, the presets' names and descriptions are whole
// string literals, each followed by its terminating zero.
const char* tapestrum_preset_name(int preset) {
    const FactoryPreset* found = PresetAt(preset);
    return found ? found->name.data() : nullptr;
}

const char* tapestrum_preset_description(int preset) {
    const FactoryPreset* found = PresetAt(preset);
    return found ? found->description.data() : nullptr;
}

void tapestrum_apply_preset(tapestrum* handle, int preset) {
    const FactoryPreset* found = PresetAt(preset);
    if (!handle || !found) return;
    handle->effect.setValues(found->values);
}

void tapestrum_process(tapestrum* handle, const float* input, float* output, int frames) {
    if (frames < 1 || !output) return;
    if (!handle) {
        std::fill_n(output, frames, 0.0f);
        return;
    }
    handle->effect.process(input, output, frames);
}

void tapestrum_process_stereo(tapestrum* handle, const float* in_left, const float* in_right,
                              float* out_left, float* out_right, int frames) {
    if (frames < 1 || !out_left || !out_right) return;
    if (!handle) {
        std::fill_n(out_left, frames, 0.0f);
        std::fill_n(out_right, frames, 0.0f);
        return;
    }
    // A mono handle plays the left channel; its right output is silence.
    const float* const inputs[] = {in_left, in_right};
    float* const outputs[] = {out_left, out_right};
    handle->effect.processChannels(inputs, outputs, frames);
    if (handle->effect.channelCount() == 1) std::fill_n(out_right, frames, 0.0f);
}

// The track functions read the engine's track view.
const float* tapestrum_track_magnitudes(const tapestrum* handle) {
    return handle ? handle->effect.engine().Track().Magnitudes() : nullptr;
}

void tapestrum_track_picture(const tapestrum* handle, float* picture) {
    if (handle && picture) handle->effect.trackPicture(picture);
}

int tapestrum_track_capacity(void) { return TDelayVoc::TrackView::Capacity(); }

int tapestrum_bin_count(void) { return TDelayVoc::TrackView::Bins(); }

int tapestrum_track_length(const tapestrum* handle) {
    return handle ? handle->effect.engine().Track().Length() : 0;
}

int tapestrum_write_head(const tapestrum* handle) {
    return handle ? handle->effect.engine().Track().WriteHead() : 0;
}

int tapestrum_read_head(const tapestrum* handle) {
    return handle ? handle->effect.engine().Track().ReadHead() : 0;
}

} // extern "C"
