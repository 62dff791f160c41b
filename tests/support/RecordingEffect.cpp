#include "RecordingEffect.h"

int RecordingEffect::destroyed = 0;

RecordingEffect::RecordingEffect(audioMasterCallback host, int32_t programs, int32_t params)
    : AudioEffectX(host, programs, params) {}

RecordingEffect::~RecordingEffect() { ++destroyed; }
