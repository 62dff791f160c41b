#include "plugin/uPlugin.h"

#include "dsp/GuardedMath.h"
#include "dsp/TextUtils.h"
#include "plugin/HostText.h"

#include <cstdio>
#include <ctime>

namespace {

// Indexes of the parameters.
enum Parameter : int32_t {
    kDelay = 0,
    kProcess,
    kOutAmp,
    kRecStartFreq,
    kRecEndFreq,
    kThreshold,
    kTrackLength,
    kHeadPosition,
    kRecAmp,
    kMix,
    kHeadDirection,
};
constexpr int32_t kLastParameter = kHeadDirection;

constexpr Extended kOneThird = 1.0L / 3.0L;
constexpr Extended kBins = TDelayVoc::BinCount;
constexpr Extended kMaxFrames = TDelayVoc::MaxTrackFrames;
// Program names keep up to 51 characters, but the host's buffer for one is 24 bytes.
constexpr size_t kHostProgramNameChars = 23;

float ClampToUnit(Extended value) {
    if (!(value >= 0)) return 0.0f;
    if (value > 1) return 1.0f;
    return static_cast<float>(value);
}

} // namespace

APlugin::APlugin(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, 1, kParameterCount), today(LocalCalendarDate) {
    ready = false;
    dataModule = std::make_unique<TPluginDataModule>();
    dataModule->plugin = this;
    delayVoc = std::make_unique<TDelayVoc>();
    programs[0] = std::make_unique<APluginProgram>();

    suspend();
    hasVu(false);
    setNumInputs(1);
    setNumOutputs(1);
    canMono(true);
    canProcessReplacing(true);
    isSynth(false);
    setUniqueID(MakeFourCharId('Z', 'O', 'L', 'T'));

    for (size_t i = 0; i < programs.size(); ++i)
        std::snprintf(programs[i]->name, sizeof programs[i]->name, "Preset %zu", i);

    curProgram = 0;
    setProgram(0);
    ready = true;
}

APlugin::~APlugin() = default;

void APlugin::setParameter(int32_t index, float value) {
    if (value > 1.0f) value = 1.0f;
    if (!(value >= 0.0f)) value = 0.0f; // NaN too
    if (index < 0 || index > kLastParameter) return;
    params[index] = value;
    programs[0]->params[index] = value; // the one program always holds the current values
    if (ready) applyParameter(index);
}

// Turns a stored value into engine quantities. The engine learns the host's
// sample rate here, so the first resume is what passes it on.
void APlugin::applyParameter(int32_t index) {
    TDelayVoc& e = *delayVoc;
    if (e.rate != sampleRate) e.SetSampleRate(sampleRate);
    const Extended v = params[index];
    switch (index) {
    case kDelay:
        e.delay = Nearest(RealPower(v, 2) * e.trackLen);
        break;
    case kProcess:
        e.delayedAsCarrier = Nearest(v) != 0;
        break;
    case kOutAmp:
        e.outAmp = static_cast<float>(RealPower(v, 2));
        break;
    case kRecStartFreq: // cube, not square
        e.startBin = static_cast<int32_t>(Min64(e.endBin, Nearest(RealPower(v, 3) * kBins)));
        break;
    case kRecEndFreq:
        e.endBin = static_cast<int32_t>(Max64(e.startBin, Nearest(RealPower(v, 2) * kBins)));
        break;
    case kThreshold:
        e.threshold = static_cast<float>(v);
        break;
    case kTrackLength:
        e.SetTrackLength(Nearest(RealPower(v, 2) * kMaxFrames));
        setParameter(kDelay, params[kDelay]); // the delay keeps its fraction of the track
        break;
    case kHeadPosition:
        e.writeIdx = Nearest(e.trackLen * v);
        break;
    case kRecAmp:
        e.recAmp = static_cast<float>(2 * v);
        break;
    case kMix:
        e.SetMix(static_cast<float>(v));
        break;
    case kHeadDirection:
        e.forward = Nearest(v) != 0;
        break;
    default:
        break;
    }
}

// Indexes 0 to 7 are read back from the engine, so the host sees the quantised
// value (and, for the head position, where the write head has moved since). Every
// answer lies within 0 to 1: a head left beyond a shortened track reads as 1.
float APlugin::getParameter(int32_t index) {
    if (index < 0) return 0.0f;
    if (index > kLastParameter) index = kLastParameter;
    const TDelayVoc& e = *delayVoc;
    const Extended trackLen = e.trackLen;
    switch (index) {
    case kDelay:
        return ClampToUnit(RealPower(e.delay / trackLen, 0.5L));
    case kProcess:
        return e.delayedAsCarrier ? 1.0f : 0.0f;
    case kOutAmp:
        return ClampToUnit(RealPower(e.outAmp, 0.5L));
    case kRecStartFreq:
        return ClampToUnit(RealPower(e.startBin / kBins, kOneThird));
    case kRecEndFreq:
        return ClampToUnit(RealPower(e.endBin / kBins, 0.5L));
    case kThreshold:
        return ClampToUnit(e.threshold);
    case kTrackLength:
        return ClampToUnit(RealPower(trackLen / kMaxFrames, 0.5L));
    case kHeadPosition:
        return ClampToUnit(e.writeIdx / trackLen);
    case kRecAmp:
        return params[kRecAmp];
    case kMix:
        return params[kMix];
    default:
        return static_cast<float>(Nearest(params[kHeadDirection]));
    }
}

// Only program 0 exists; other numbers are ignored.
void APlugin::setProgram(int32_t program) {
    if (program != 0) return;
    curProgram = 0;
    for (int32_t i = 0; i < kParameterCount; ++i)
        setParameter(i, programs[0]->params[i]);
}

void APlugin::setProgramName(char* name) {
    if (!name) return;
    CopyHostText(programs[0]->name, name, kProgramNameCapacity);
}

void APlugin::getProgramName(char* name) {
    CopyHostText(name, programs[0]->name, kHostProgramNameChars);
}

bool APlugin::getProgramNameIndexed(int32_t, int32_t index, char* text) {
    if (index != 0) return false;
    CopyHostText(text, programs[0]->name, kHostProgramNameChars);
    return true;
}

float APlugin::getVu() {
    const float level = vu;
    vu = 0.0f;
    return level;
}

// The engine keeps its state while the effect is switched off.
void APlugin::suspend() {}

// Asks for MIDI, then applies every value again in ascending order: the delay
// with the track length the engine has, then the track length (which derives the
// delay again); the start bin limited by the old end bin, then the end bin raised
// to at least the new start bin; and the write head put back to "head position".
void APlugin::resume() {
    wantEvents(1);
    for (int32_t i = 0; i < kParameterCount; ++i)
        setParameter(i, params[i]);
}

int32_t PackDate(const CalendarDate& date) {
    if (date.year < 1980 || date.year > 2107) return 0;
    const uint32_t word = (static_cast<uint32_t>(date.year - 1980) << 25) |
                          (static_cast<uint32_t>(date.month) << 21) |
                          (static_cast<uint32_t>(date.day) << 16);
    return static_cast<int32_t>(word);
}

CalendarDate LocalCalendarDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}
