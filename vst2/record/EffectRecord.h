// SPDX-License-Identifier: ISC
// The binary records and constants that cross the boundary between a VST 2 host
// and this module. Every field has a fixed-width C type so that the layout is the
// one the host reads: 144 bytes for the instance record on 32-bit x86, 192 bytes
// on x86-64 (pointers and pointer-sized fields widen, everything else stays).
#pragma once

#include <cstddef>
#include <cstdint>

// The calling convention of every function that crosses the boundary. cdecl is
// the default on every other platform, so the attribute is only spelled out for
// 32-bit x86, where a Windows compiler would otherwise be free to pick another.
#if defined(__i386__) || defined(_M_IX86)
#if defined(_MSC_VER)
#define VSTCALL __cdecl
#else
#define VSTCALL __attribute__((cdecl))
#endif
#else
#define VSTCALL
#endif

struct AEffect;

// The host callback: record (or null), opcode, index, value, ptr, opt.
using audioMasterCallback = intptr_t(VSTCALL*)(AEffect* effect, int32_t opcode, int32_t index,
                                               intptr_t value, void* ptr, float opt);

using AEffectDispatcherProc = intptr_t(VSTCALL*)(AEffect* effect, int32_t opcode, int32_t index,
                                                 intptr_t value, void* ptr, float opt);
using AEffectProcessProc = void(VSTCALL*)(AEffect* effect, float** inputs, float** outputs,
                                          int32_t sampleFrames);
using AEffectSetParameterProc = void(VSTCALL*)(AEffect* effect, int32_t index, float value);
using AEffectGetParameterProc = float(VSTCALL*)(AEffect* effect, int32_t index);

// The instance record the host holds for each instance.
struct AEffect {
    int32_t magic;
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process;
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    int32_t numPrograms;
    int32_t numParams;
    int32_t numInputs;
    int32_t numOutputs;
    int32_t flags;
    intptr_t resvd1;
    intptr_t resvd2;
    int32_t initialDelay;
    int32_t realQualities;
    int32_t offQualities;
    float ioRatio;
    void* object;
    void* user;
    int32_t uniqueID;
    int32_t version;
    AEffectProcessProc processReplacing;
    char future[60];
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(AEffect, magic) == 0x00);
static_assert(offsetof(AEffect, dispatcher) == 0x04);
static_assert(offsetof(AEffect, process) == 0x08);
static_assert(offsetof(AEffect, setParameter) == 0x0C);
static_assert(offsetof(AEffect, getParameter) == 0x10);
static_assert(offsetof(AEffect, numPrograms) == 0x14);
static_assert(offsetof(AEffect, numParams) == 0x18);
static_assert(offsetof(AEffect, numInputs) == 0x1C);
static_assert(offsetof(AEffect, numOutputs) == 0x20);
static_assert(offsetof(AEffect, flags) == 0x24);
static_assert(offsetof(AEffect, resvd1) == 0x28);
static_assert(offsetof(AEffect, resvd2) == 0x2C);
static_assert(offsetof(AEffect, initialDelay) == 0x30);
static_assert(offsetof(AEffect, realQualities) == 0x34);
static_assert(offsetof(AEffect, offQualities) == 0x38);
static_assert(offsetof(AEffect, ioRatio) == 0x3C);
static_assert(offsetof(AEffect, object) == 0x40);
static_assert(offsetof(AEffect, user) == 0x44);
static_assert(offsetof(AEffect, uniqueID) == 0x48);
static_assert(offsetof(AEffect, version) == 0x4C);
static_assert(offsetof(AEffect, processReplacing) == 0x50);
static_assert(offsetof(AEffect, future) == 0x54);
static_assert(sizeof(AEffect) == 144);
#else
static_assert(offsetof(AEffect, magic) == 0);
static_assert(offsetof(AEffect, dispatcher) == 8);
static_assert(offsetof(AEffect, process) == 16);
static_assert(offsetof(AEffect, setParameter) == 24);
static_assert(offsetof(AEffect, getParameter) == 32);
static_assert(offsetof(AEffect, numPrograms) == 40);
static_assert(offsetof(AEffect, numParams) == 44);
static_assert(offsetof(AEffect, numInputs) == 48);
static_assert(offsetof(AEffect, numOutputs) == 52);
static_assert(offsetof(AEffect, flags) == 56);
static_assert(offsetof(AEffect, resvd1) == 64);
static_assert(offsetof(AEffect, resvd2) == 72);
static_assert(offsetof(AEffect, initialDelay) == 80);
static_assert(offsetof(AEffect, realQualities) == 84);
static_assert(offsetof(AEffect, offQualities) == 88);
static_assert(offsetof(AEffect, ioRatio) == 92);
static_assert(offsetof(AEffect, object) == 96);
static_assert(offsetof(AEffect, user) == 104);
static_assert(offsetof(AEffect, uniqueID) == 112);
static_assert(offsetof(AEffect, version) == 116);
static_assert(offsetof(AEffect, processReplacing) == 120);
static_assert(offsetof(AEffect, future) == 128);
static_assert(sizeof(AEffect) == 192);
#endif

// Four-character tags of the record, packed first character most significant.
constexpr int32_t kEffectMagic = 0x56737450;     // "VstP"
constexpr int32_t kDefaultUniqueId = 0x4E6F4566; // "NoEf"
constexpr int32_t kIdentifyAnswer = 0x4E764566;  // "NvEf"

// Bits of AEffect::flags.
enum EffectFlags : int32_t {
    effFlagsHasEditor = 1,
    effFlagsHasClip = 2,
    effFlagsHasVu = 4,
    effFlagsCanMono = 8,
    effFlagsCanReplacing = 16,
    effFlagsProgramChunks = 32,
    effFlagsIsSynth = 256,
    effFlagsNoSoundInStop = 512,
    effFlagsExtIsAsync = 1024,
    effFlagsExtHasBuffer = 2048,
};

// Dispatcher opcodes, host to effect.
enum EffectOpcode : int32_t {
    effOpen = 0,
    effClose,
    effSetProgram,
    effGetProgram,
    effSetProgramName,
    effGetProgramName,
    effGetParamLabel,
    effGetParamDisplay,
    effGetParamName,
    effGetVu,
    effSetSampleRate,
    effSetBlockSize,
    effMainsChanged,
    effEditGetRect,
    effEditOpen,
    effEditClose,
    effEditDraw,
    effEditMouse,
    effEditKey,
    effEditIdle,
    effEditTop,
    effEditSleep,
    effIdentify,
    effGetChunk,
    effSetChunk,
    effProcessEvents,
    effCanBeAutomated,
    effString2Parameter,
    effGetNumProgramCategories,
    effGetProgramNameIndexed,
    effCopyProgram,
    effConnectInput,
    effConnectOutput,
    effGetInputProperties,
    effGetOutputProperties,
    effGetPlugCategory,
    effGetCurrentPosition,
    effGetDestinationBuffer,
    effOfflineNotify,
    effOfflinePrepare,
    effOfflineRun,
    effProcessVarIo,
    effSetSpeakerArrangement,
    effSetBlockSizeAndSampleRate,
    effSetBypass,
    effGetEffectName,
    effGetErrorText,
    effGetVendorString,
    effGetProductString,
    effGetVendorVersion,
    effVendorSpecific,
    effCanDo,
    effGetTailSize,
    effIdle,
    effGetIcon,
    effSetViewPosition,
    effGetParameterProperties,
    effKeysRequired,
    effGetVstVersion,
    effEditKeyDown,
    effEditKeyUp,
    effSetEditKnobMode,
    effGetMidiProgramName,
    effGetCurrentMidiProgram,
    effGetMidiProgramCategory,
    effHasMidiProgramsChanged,
    effGetMidiKeyName,
    effBeginSetProgram,
    effEndSetProgram,
    effGetSpeakerArrangement,
    effShellGetNextPlugin,
    effStartProcess,
    effStopProcess,
    effSetTotalSampleToProcess,
    effSetPanLaw,
    effBeginLoadBank,
    effBeginLoadProgram,
};
static_assert(effBeginLoadProgram == 76);

// Host requests, effect to host.
enum HostOpcode : int32_t {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterPinConnected = 4,
    audioMasterWantMidi = 6,
    audioMasterGetTime = 7,
    audioMasterProcessEvents = 8,
    audioMasterTempoAt = 10,
    audioMasterGetNumAutomatableParameters = 11,
    audioMasterGetParameterQuantization = 12,
    audioMasterIOChanged = 13,
    audioMasterNeedIdle = 14,
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetInputLatency = 18,
    audioMasterGetOutputLatency = 19,
    audioMasterGetPreviousPlug = 20,
    audioMasterGetNextPlug = 21,
    audioMasterWillReplaceOrAccumulate = 22,
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetAutomationState = 24,
    audioMasterOfflineStart = 25,
    audioMasterOfflineRead = 26,
    audioMasterOfflineWrite = 27,
    audioMasterOfflineGetCurrentPass = 28,
    audioMasterOfflineGetCurrentMetaPass = 29,
    audioMasterSetOutputSampleRate = 30,
    audioMasterGetOutputSpeakerArrangement = 31,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterVendorSpecific = 35,
    audioMasterCanDo = 37,
    audioMasterGetLanguage = 38,
    audioMasterOpenWindow = 39,
    audioMasterCloseWindow = 40,
    audioMasterGetDirectory = 41,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
    audioMasterOpenFileSelector = 45,
    audioMasterGetInputSpeakerArrangement = 49,
};

// A generic event as the host delivers it; MIDI events carry kVstMidiType.
constexpr int32_t kVstMidiType = 1;

struct VstEvent {
    int32_t type;
    int32_t byteSize;
    int32_t deltaFrames;
    int32_t flags;
    char data[16];
};

struct VstMidiEvent {
    int32_t type;
    int32_t byteSize;
    int32_t deltaFrames;
    int32_t flags;
    int32_t noteLength;
    int32_t noteOffset;
    char midiData[4];
    char detune;
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};
static_assert(offsetof(VstMidiEvent, midiData) == 24);
static_assert(sizeof(VstMidiEvent) == 32);

// The host's list of events: a count, a reserved pointer-sized field and the
// event pointers. The interface declares two pointers; hosts allocate as many
// as they deliver, so the array is read through eventAt().
struct VstEvents {
    int32_t numEvents;
    intptr_t reserved;
    VstEvent* events[2];
};
static_assert(offsetof(VstEvents, reserved) == sizeof(intptr_t));
static_assert(offsetof(VstEvents, events) == 2 * sizeof(intptr_t));

inline VstEvent* eventAt(const VstEvents* list, int32_t i) {
    auto* const* first = reinterpret_cast<VstEvent* const*>(reinterpret_cast<const char*>(list) +
                                                            offsetof(VstEvents, events));
    return first[i];
}

constexpr int32_t kVstPinIsActive = 1;
constexpr int32_t kVstPinLabelSize = 64;

struct VstPinProperties {
    char label[kVstPinLabelSize];
    int32_t flags;
    int32_t arrangementType;
    char shortLabel[8];
    char future[48];
};
static_assert(offsetof(VstPinProperties, flags) == 64);
static_assert(sizeof(VstPinProperties) == 128);

constexpr int32_t kVstSpeakerNameSize = 64;

struct VstSpeakerProperties {
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[kVstSpeakerNameSize];
    int32_t type;
    char future[28];
};
static_assert(offsetof(VstSpeakerProperties, name) == 16);
static_assert(offsetof(VstSpeakerProperties, type) == 80);
static_assert(offsetof(VstSpeakerProperties, future) == 84);
static_assert(sizeof(VstSpeakerProperties) == 112);

// The head of a speaker arrangement; numChannels entries of VstSpeakerProperties
// follow it directly in memory (see speakerAt).
struct VstSpeakerArrangement {
    int32_t type;
    int32_t numChannels;
};
static_assert(sizeof(VstSpeakerArrangement) == 8);

inline VstSpeakerProperties* speakerAt(VstSpeakerArrangement* arrangement, int32_t i) {
    return reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(arrangement) +
                                                   sizeof(VstSpeakerArrangement)) +
           i;
}
