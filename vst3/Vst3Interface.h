// SPDX-License-Identifier: ISC
// The VST 3 binary interface, as far as this plug-in implements or calls it:
// the base interface, the class factory, the component with its audio
// processor, the edit controller, the connection between the two, the streams
// a host saves state through, the parameter changes it sends with each block,
// and the editor's view with the host's frame and run loop around it. Declared here from the
// format's public binary interface; nothing else of the format is used.
//
// Every interface is a table of virtual functions whose first three entries are
// queryInterface, addRef and release; on Linux and 64-bit Windows the default
// calling convention of the compiler is the one the format uses. Texts a host
// reads are UTF-16 (String128) or 8-bit ASCII (fixed arrays of char); numbers
// are the host's own byte order.
#pragma once

#include <cstddef>
#include <cstdint>

// The layouts below are those of the 64-bit platforms this face is built for.
static_assert(sizeof(void*) == 8, "the VST 3 face is built for 64-bit platforms only");

namespace vst3 {

using tresult = int32_t;
using TBool = uint8_t;
using TChar = char16_t;
using String128 = TChar[128];
using FIDString = const char*;
using ParamID = uint32_t;
using ParamValue = double;
using SampleRate = double;
using SpeakerArrangement = uint64_t;
using Sample32 = float;
using Sample64 = double;
using int64 = int64_t;

// A class or interface identifier: 16 bytes.
using TUID = char[16];

// Result codes. On Windows they are the COM codes, elsewhere small numbers.
#if defined(_WIN32)
inline constexpr tresult kNoInterface = static_cast<tresult>(0x80004002L);
inline constexpr tresult kResultOk = 0;
inline constexpr tresult kResultTrue = kResultOk;
inline constexpr tresult kResultFalse = 1;
inline constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057L);
inline constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001L);
inline constexpr tresult kInternalError = static_cast<tresult>(0x80004005L);
inline constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFFL);
inline constexpr tresult kOutOfMemory = static_cast<tresult>(0x8007000EL);
#else
inline constexpr tresult kNoInterface = -1;
inline constexpr tresult kResultOk = 0;
inline constexpr tresult kResultTrue = kResultOk;
inline constexpr tresult kResultFalse = 1;
inline constexpr tresult kInvalidArgument = 2;
inline constexpr tresult kNotImplemented = 3;
inline constexpr tresult kInternalError = 4;
inline constexpr tresult kNotInitialized = 5;
inline constexpr tresult kOutOfMemory = 6;
#endif

// An identifier written as four 32-bit words. Windows lays the 16 bytes out as
// a COM GUID: the first word little-endian, the second word's two halves
// swapped and each little-endian, the last two words big-endian. Everywhere
// else all four words are big-endian.
struct Uid {
    uint8_t bytes[16];

    static constexpr Uid fromWords(uint32_t w1, uint32_t w2, uint32_t w3, uint32_t w4) {
        Uid uid{};
#if defined(_WIN32)
        const uint8_t layout[16] = {
            uint8_t(w1),       uint8_t(w1 >> 8),  uint8_t(w1 >> 16), uint8_t(w1 >> 24),
            uint8_t(w2 >> 16), uint8_t(w2 >> 24), uint8_t(w2),       uint8_t(w2 >> 8),
            uint8_t(w3 >> 24), uint8_t(w3 >> 16), uint8_t(w3 >> 8),  uint8_t(w3),
            uint8_t(w4 >> 24), uint8_t(w4 >> 16), uint8_t(w4 >> 8),  uint8_t(w4)};
#else
        const uint8_t layout[16] = {
            uint8_t(w1 >> 24), uint8_t(w1 >> 16), uint8_t(w1 >> 8), uint8_t(w1),
            uint8_t(w2 >> 24), uint8_t(w2 >> 16), uint8_t(w2 >> 8), uint8_t(w2),
            uint8_t(w3 >> 24), uint8_t(w3 >> 16), uint8_t(w3 >> 8), uint8_t(w3),
            uint8_t(w4 >> 24), uint8_t(w4 >> 16), uint8_t(w4 >> 8), uint8_t(w4)};
#endif
        for (int i = 0; i < 16; ++i)
            uid.bytes[i] = layout[i];
        return uid;
    }

    // Whether the 16 bytes at `other` are this identifier (a null pointer is none).
    bool matches(const void* other) const {
        if (other == nullptr) return false;
        const auto* raw = static_cast<const uint8_t*>(other);
        for (int i = 0; i < 16; ++i)
            if (raw[i] != bytes[i]) return false;
        return true;
    }
    void copyTo(TUID target) const {
        for (int i = 0; i < 16; ++i)
            target[i] = static_cast<char>(bytes[i]);
    }
};
static_assert(sizeof(Uid) == 16);

// The interface identifiers this plug-in answers or asks for.
inline constexpr Uid kFUnknownIid = Uid::fromWords(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
inline constexpr Uid kPluginFactoryIid =
    Uid::fromWords(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
inline constexpr Uid kPluginFactory2Iid =
    Uid::fromWords(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
inline constexpr Uid kPluginBaseIid =
    Uid::fromWords(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
inline constexpr Uid kComponentIid = Uid::fromWords(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
inline constexpr Uid kAudioProcessorIid =
    Uid::fromWords(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
inline constexpr Uid kEditControllerIid =
    Uid::fromWords(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
inline constexpr Uid kConnectionPointIid =
    Uid::fromWords(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);
inline constexpr Uid kBStreamIid = Uid::fromWords(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
inline constexpr Uid kProcessContextRequirementsIid =
    Uid::fromWords(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);
inline constexpr Uid kHostApplicationIid =
    Uid::fromWords(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);
inline constexpr Uid kMessageIid = Uid::fromWords(0x936F033B, 0xC6C047DB, 0xBB0882F8, 0x13C1E613);
inline constexpr Uid kAttributeListIid =
    Uid::fromWords(0x1E5F0AEB, 0xCC7F4533, 0xA2544011, 0x38AD5EE4);
inline constexpr Uid kComponentHandlerIid =
    Uid::fromWords(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
inline constexpr Uid kPlugViewIid = Uid::fromWords(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
inline constexpr Uid kPlugFrameIid = Uid::fromWords(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
inline constexpr Uid kPlugViewContentScaleSupportIid =
    Uid::fromWords(0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F);
inline constexpr Uid kRunLoopIid = Uid::fromWords(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
inline constexpr Uid kEventHandlerIid =
    Uid::fromWords(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);
inline constexpr Uid kTimerHandlerIid =
    Uid::fromWords(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);

class FUnknown {
  public:
    virtual tresult queryInterface(const TUID iid, void** object) = 0;
    virtual uint32_t addRef() = 0;
    virtual uint32_t release() = 0;
};

// ---- The class factory -----------------------------------------------------

inline constexpr int32_t kManyInstances = 0x7FFFFFFF;
inline constexpr const char* kAudioEffectCategory = "Audio Module Class";
inline constexpr const char* kControllerCategory = "Component Controller Class";

struct PFactoryInfo {
    char vendor[64];
    char url[256];
    char email[128];
    int32_t flags;
};
static_assert(sizeof(PFactoryInfo) == 452);

struct PClassInfo {
    TUID cid;
    int32_t cardinality;
    char category[32];
    char name[64];
};
static_assert(sizeof(PClassInfo) == 116);

struct PClassInfo2 {
    TUID cid;
    int32_t cardinality;
    char category[32];
    char name[64];
    uint32_t classFlags;
    char subCategories[128];
    char vendor[64];
    char version[64];
    char sdkVersion[64];
};
static_assert(sizeof(PClassInfo2) == 440);
static_assert(offsetof(PClassInfo2, classFlags) == 116);
static_assert(offsetof(PClassInfo2, sdkVersion) == 376);

class IPluginFactory : public FUnknown {
  public:
    virtual tresult getFactoryInfo(PFactoryInfo* info) = 0;
    virtual int32_t countClasses() = 0;
    virtual tresult getClassInfo(int32_t index, PClassInfo* info) = 0;
    virtual tresult createInstance(FIDString cid, FIDString iid, void** object) = 0;
};

class IPluginFactory2 : public IPluginFactory {
  public:
    virtual tresult getClassInfo2(int32_t index, PClassInfo2* info) = 0;
};

// ---- Streams, messages, the host -------------------------------------------

class IBStream : public FUnknown {
  public:
    virtual tresult read(void* buffer, int32_t bytes, int32_t* bytesRead) = 0;
    virtual tresult write(void* buffer, int32_t bytes, int32_t* bytesWritten) = 0;
    virtual tresult seek(int64 position, int32_t mode, int64* result) = 0;
    virtual tresult tell(int64* position) = 0;
};

using AttrID = const char*;

class IAttributeList : public FUnknown {
  public:
    virtual tresult setInt(AttrID id, int64 value) = 0;
    virtual tresult getInt(AttrID id, int64& value) = 0;
    virtual tresult setFloat(AttrID id, double value) = 0;
    virtual tresult getFloat(AttrID id, double& value) = 0;
    virtual tresult setString(AttrID id, const TChar* text) = 0;
    virtual tresult getString(AttrID id, TChar* text, uint32_t bytes) = 0;
    virtual tresult setBinary(AttrID id, const void* data, uint32_t bytes) = 0;
    virtual tresult getBinary(AttrID id, const void*& data, uint32_t& bytes) = 0;
};

class IMessage : public FUnknown {
  public:
    virtual FIDString getMessageID() = 0;
    virtual void setMessageID(FIDString id) = 0;
    virtual IAttributeList* getAttributes() = 0;
};

class IConnectionPoint : public FUnknown {
  public:
    virtual tresult connect(IConnectionPoint* other) = 0;
    virtual tresult disconnect(IConnectionPoint* other) = 0;
    virtual tresult notify(IMessage* message) = 0;
};

// The context a host passes to initialize: it makes the messages a component
// and its controller send each other.
class IHostApplication : public FUnknown {
  public:
    virtual tresult getName(String128 name) = 0;
    virtual tresult createInstance(TUID cid, TUID iid, void** object) = 0;
};

class IPluginBase : public FUnknown {
  public:
    virtual tresult initialize(FUnknown* context) = 0;
    virtual tresult terminate() = 0;
};

// ---- The component and its buses ------------------------------------------

enum MediaType : int32_t { kAudio = 0, kEvent = 1 };
enum BusDirection : int32_t { kInput = 0, kOutput = 1 };
enum BusType : int32_t { kMain = 0, kAux = 1 };
inline constexpr uint32_t kDefaultActive = 1;

struct BusInfo {
    int32_t mediaType;
    int32_t direction;
    int32_t channelCount;
    String128 name;
    int32_t busType;
    uint32_t flags;
};
static_assert(sizeof(BusInfo) == 276);
static_assert(offsetof(BusInfo, busType) == 268);

struct RoutingInfo {
    int32_t mediaType;
    int32_t busIndex;
    int32_t channel;
};
static_assert(sizeof(RoutingInfo) == 12);

class IComponent : public IPluginBase {
  public:
    virtual tresult getControllerClassId(TUID classId) = 0;
    virtual tresult setIoMode(int32_t mode) = 0;
    virtual int32_t getBusCount(int32_t type, int32_t direction) = 0;
    virtual tresult getBusInfo(int32_t type, int32_t direction, int32_t index, BusInfo& bus) = 0;
    virtual tresult getRoutingInfo(RoutingInfo& in, RoutingInfo& out) = 0;
    virtual tresult activateBus(int32_t type, int32_t direction, int32_t index, TBool state) = 0;
    virtual tresult setActive(TBool state) = 0;
    virtual tresult setState(IBStream* state) = 0;
    virtual tresult getState(IBStream* state) = 0;
};

// ---- The audio processor ----------------------------------------------------

inline constexpr SpeakerArrangement kSpeakerMono = SpeakerArrangement{1} << 19;
inline constexpr SpeakerArrangement kSpeakerStereo = 3; // left and right
enum SymbolicSampleSize : int32_t { kSample32 = 0, kSample64 = 1 };
inline constexpr uint32_t kInfiniteTail = 0xFFFFFFFFu;

struct ProcessSetup {
    int32_t processMode;
    int32_t symbolicSampleSize;
    int32_t maxSamplesPerBlock;
    SampleRate sampleRate;
};
static_assert(sizeof(ProcessSetup) == 24);
static_assert(offsetof(ProcessSetup, sampleRate) == 16);

struct AudioBusBuffers {
    int32_t numChannels;
    uint64_t silenceFlags;
    union {
        Sample32** channelBuffers32;
        Sample64** channelBuffers64;
    };
};
static_assert(sizeof(AudioBusBuffers) == 24);
static_assert(offsetof(AudioBusBuffers, silenceFlags) == 8);

class IParamValueQueue : public FUnknown {
  public:
    virtual ParamID getParameterId() = 0;
    virtual int32_t getPointCount() = 0;
    virtual tresult getPoint(int32_t index, int32_t& sampleOffset, ParamValue& value) = 0;
    virtual tresult addPoint(int32_t sampleOffset, ParamValue value, int32_t& index) = 0;
};

class IParameterChanges : public FUnknown {
  public:
    virtual int32_t getParameterCount() = 0;
    virtual IParamValueQueue* getParameterData(int32_t index) = 0;
    virtual IParamValueQueue* addParameterData(const ParamID& id, int32_t& index) = 0;
};

// Events and the transport's context are passed along with a block; this
// plug-in reads neither, so they stay opaque.
struct IEventList;
struct ProcessContext;

struct ProcessData {
    int32_t processMode;
    int32_t symbolicSampleSize;
    int32_t numSamples;
    int32_t numInputs;
    int32_t numOutputs;
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    IParameterChanges* inputParameterChanges;
    IParameterChanges* outputParameterChanges;
    IEventList* inputEvents;
    IEventList* outputEvents;
    ProcessContext* processContext;
};
static_assert(sizeof(ProcessData) == 80);
static_assert(offsetof(ProcessData, inputs) == 24);
static_assert(offsetof(ProcessData, processContext) == 72);

class IAudioProcessor : public FUnknown {
  public:
    virtual tresult setBusArrangements(SpeakerArrangement* inputs, int32_t inputCount,
                                       SpeakerArrangement* outputs, int32_t outputCount) = 0;
    virtual tresult getBusArrangement(int32_t direction, int32_t index,
                                      SpeakerArrangement& arrangement) = 0;
    virtual tresult canProcessSampleSize(int32_t symbolicSampleSize) = 0;
    virtual uint32_t getLatencySamples() = 0;
    virtual tresult setupProcessing(ProcessSetup& setup) = 0;
    virtual tresult setProcessing(TBool state) = 0;
    virtual tresult process(ProcessData& data) = 0;
    virtual uint32_t getTailSamples() = 0;
};

// Which parts of the transport's context the processor reads (bit flags);
// this one reads none.
class IProcessContextRequirements : public FUnknown {
  public:
    virtual uint32_t getProcessContextRequirements() = 0;
};

// ---- The edit controller ----------------------------------------------------

inline constexpr int32_t kCanAutomate = 1 << 0;
inline constexpr int32_t kRootUnitId = 0;

struct ParameterInfo {
    ParamID id;
    String128 title;
    String128 shortTitle;
    String128 units;
    int32_t stepCount;
    ParamValue defaultNormalizedValue;
    int32_t unitId;
    int32_t flags;
};
static_assert(sizeof(ParameterInfo) == 792);
static_assert(offsetof(ParameterInfo, stepCount) == 772);
static_assert(offsetof(ParameterInfo, defaultNormalizedValue) == 776);
static_assert(offsetof(ParameterInfo, flags) == 788);

// The host's side of the controller: an editor's gestures (begin, any number of
// performs, end) reach the host through it, which records them as automation.
class IComponentHandler : public FUnknown {
  public:
    virtual tresult beginEdit(ParamID id) = 0;
    virtual tresult performEdit(ParamID id, ParamValue valueNormalized) = 0;
    virtual tresult endEdit(ParamID id) = 0;
    virtual tresult restartComponent(int32_t flags) = 0;
};

// ---- The editor's view ------------------------------------------------------

// The platform types a view may be attached to: an X11 window id on Linux, an
// HWND on Windows.
inline constexpr const char* kPlatformTypeX11EmbedWindowID = "X11EmbedWindowID";
inline constexpr const char* kPlatformTypeHWND = "HWND";
// The one view a controller is asked for: its editor.
inline constexpr const char* kViewTypeEditor = "editor";

struct ViewRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};
static_assert(sizeof(ViewRect) == 16);

class IPlugFrame;

class IPlugView : public FUnknown {
  public:
    virtual tresult isPlatformTypeSupported(FIDString type) = 0;
    virtual tresult attached(void* parent, FIDString type) = 0;
    virtual tresult removed() = 0;
    virtual tresult onWheel(float distance) = 0;
    virtual tresult onKeyDown(TChar key, int16_t keyCode, int16_t modifiers) = 0;
    virtual tresult onKeyUp(TChar key, int16_t keyCode, int16_t modifiers) = 0;
    virtual tresult getSize(ViewRect* size) = 0;
    virtual tresult onSize(ViewRect* newSize) = 0;
    virtual tresult onFocus(TBool state) = 0;
    virtual tresult setFrame(IPlugFrame* frame) = 0;
    virtual tresult canResize() = 0;
    virtual tresult checkSizeConstraint(ViewRect* rect) = 0;
};

// The host's window around a view: the view asks it for a new size.
class IPlugFrame : public FUnknown {
  public:
    virtual tresult resizeView(IPlugView* view, ViewRect* newSize) = 0;
};

// The host's scale factor for a view's content (1 at 96 dots per inch).
class IPlugViewContentScaleSupport : public FUnknown {
  public:
    virtual tresult setContentScaleFactor(float factor) = 0;
};

// On Linux the view's timers and its X connection's events come from the
// host's run loop, which the frame answers for (queryInterface). Handlers are
// called on the host's main thread.
namespace linux_loop {
using FileDescriptor = int;
using TimerInterval = uint64_t; // milliseconds

class IEventHandler : public FUnknown {
  public:
    virtual void onFDIsSet(FileDescriptor fd) = 0;
};

class ITimerHandler : public FUnknown {
  public:
    virtual void onTimer() = 0;
};

class IRunLoop : public FUnknown {
  public:
    virtual tresult registerEventHandler(IEventHandler* handler, FileDescriptor fd) = 0;
    virtual tresult unregisterEventHandler(IEventHandler* handler) = 0;
    virtual tresult registerTimer(ITimerHandler* handler, TimerInterval milliseconds) = 0;
    virtual tresult unregisterTimer(ITimerHandler* handler) = 0;
};
} // namespace linux_loop

class IEditController : public IPluginBase {
  public:
    virtual tresult setComponentState(IBStream* state) = 0;
    virtual tresult setState(IBStream* state) = 0;
    virtual tresult getState(IBStream* state) = 0;
    virtual int32_t getParameterCount() = 0;
    virtual tresult getParameterInfo(int32_t index, ParameterInfo& info) = 0;
    virtual tresult getParamStringByValue(ParamID id, ParamValue value, String128 text) = 0;
    virtual tresult getParamValueByString(ParamID id, TChar* text, ParamValue& value) = 0;
    virtual ParamValue normalizedParamToPlain(ParamID id, ParamValue value) = 0;
    virtual ParamValue plainParamToNormalized(ParamID id, ParamValue value) = 0;
    virtual ParamValue getParamNormalized(ParamID id) = 0;
    virtual tresult setParamNormalized(ParamID id, ParamValue value) = 0;
    virtual tresult setComponentHandler(IComponentHandler* handler) = 0;
    virtual IPlugView* createView(FIDString name) = 0;
};

// ---- The module's entry points ---------------------------------------------

using GetPluginFactoryFunction = IPluginFactory* (*)();
#if defined(_WIN32)
using InitModuleFunction = bool (*)();
using ExitModuleFunction = bool (*)();
#else
using InitModuleFunction = bool (*)(void* moduleHandle);
using ExitModuleFunction = bool (*)();
#endif

} // namespace vst3
