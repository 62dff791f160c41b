// SPDX-License-Identifier: ISC
// The binary records, identifiers and extension names that cross the boundary
// between a CLAP host and this module (version 1.2 of the format), declared
// here from the format's public binary interface: only what this plug-in and its
// test host use. Every record is a plain C layout of fixed-width fields and
// function pointers; the asserts at the end pin the sizes and offsets a 64-bit
// host reads (the face is built for 64-bit targets only).
//
// Every string is UTF-8 and zero-terminated. Every function pointer uses the
// platform's C calling convention, which on x86-64 is the only one there is.
#pragma once

#include <cstddef>
#include <cstdint>

namespace clap {

using Id = uint32_t;
constexpr Id kInvalidId = UINT32_MAX;

constexpr size_t kNameSize = 256;  // name fields, terminating zero included
constexpr size_t kPathSize = 1024; // module path fields, terminating zero included

struct Version {
    uint32_t major;
    uint32_t minor;
    uint32_t revision;
};

// The version this module declares in its entry and its descriptor. A host
// accepts any record whose major version is 1 or more.
constexpr Version kVersion{1, 2, 0};
constexpr bool IsCompatible(const Version& version) { return version.major >= 1; }

// ---- the host, as a plug-in instance sees it -----------------------------------

struct Host {
    Version clapVersion;
    void* hostData;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    const void* (*getExtension)(const Host* host, const char* extensionId);
    void (*requestRestart)(const Host* host);
    void (*requestProcess)(const Host* host);
    void (*requestCallback)(const Host* host);
};

// ---- events -----------------------------------------------------------------

// Events in the format's own space; others belong to extensions and are skipped.
constexpr uint16_t kCoreEventSpace = 0;

enum EventType : uint16_t {
    kEventNoteOn = 0,
    kEventNoteOff = 1,
    kEventParamValue = 5,
    kEventParamMod = 6,
    kEventParamGestureBegin = 7,
    kEventParamGestureEnd = 8,
    kEventTransport = 9,
    kEventMidi = 10,
};

struct EventHeader {
    uint32_t size; // of the whole event, header included
    uint32_t time; // sample offset within the block
    uint16_t spaceId;
    uint16_t type;
    uint32_t flags;
};

struct ParamValueEvent {
    EventHeader header;
    Id paramId;
    void* cookie;
    int32_t noteId; // -1: any
    int16_t portIndex;
    int16_t channel;
    int16_t key;
    double value;
};

// The start or end of a user's gesture on one parameter (begin and end).
struct ParamGestureEvent {
    EventHeader header;
    Id paramId;
};

struct InputEvents {
    void* ctx;
    uint32_t (*size)(const InputEvents* list);
    const EventHeader* (*get)(const InputEvents* list, uint32_t index);
};

struct OutputEvents {
    void* ctx;
    bool (*tryPush)(const OutputEvents* list, const EventHeader* event);
};

// ---- processing ---------------------------------------------------------------

struct AudioBuffer {
    float** data32;
    double** data64;
    uint32_t channelCount;
    uint32_t latency;
    uint64_t constantMask; // bit n set: channel n holds one value throughout
};

struct Process {
    int64_t steadyTime;
    uint32_t framesCount;
    const void* transport; // the transport event, or null; unused here
    const AudioBuffer* audioInputs;
    AudioBuffer* audioOutputs;
    uint32_t audioInputsCount;
    uint32_t audioOutputsCount;
    const InputEvents* inEvents;
    const OutputEvents* outEvents;
};

enum ProcessStatus : int32_t {
    kProcessError = 0,
    kProcessContinue = 1,
    kProcessContinueIfNotQuiet = 2,
    kProcessTail = 3,
    kProcessSleep = 4,
};

// ---- the plug-in --------------------------------------------------------------

struct PluginDescriptor {
    Version clapVersion;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manualUrl;
    const char* supportUrl;
    const char* version;
    const char* description;
    const char* const* features; // null-terminated
};

// Which thread calls what: init, destroy, activate, deactivate and the
// extensions below on the main thread (unless said otherwise); start_processing,
// stop_processing, reset and process on the audio thread; getExtension on any.
struct Plugin {
    const PluginDescriptor* desc;
    void* pluginData;
    bool (*init)(const Plugin* plugin);
    void (*destroy)(const Plugin* plugin);
    bool (*activate)(const Plugin* plugin, double sampleRate, uint32_t minFramesCount,
                     uint32_t maxFramesCount);
    void (*deactivate)(const Plugin* plugin);
    bool (*startProcessing)(const Plugin* plugin);
    void (*stopProcessing)(const Plugin* plugin);
    void (*reset)(const Plugin* plugin);
    int32_t (*process)(const Plugin* plugin, const Process* process);
    const void* (*getExtension)(const Plugin* plugin, const char* id);
    void (*onMainThread)(const Plugin* plugin);
};

constexpr const char* kPluginFactoryId = "clap.plugin-factory";

struct PluginFactory {
    uint32_t (*getPluginCount)(const PluginFactory* factory);
    const PluginDescriptor* (*getPluginDescriptor)(const PluginFactory* factory, uint32_t index);
    const Plugin* (*createPlugin)(const PluginFactory* factory, const Host* host,
                                  const char* pluginId);
};

// The record the module exports under the name `clap_entry`. init may be called
// more than once, each call matched by a deinit; getFactory is called between.
struct PluginEntry {
    Version clapVersion;
    bool (*init)(const char* pluginPath);
    void (*deinit)();
    const void* (*getFactory)(const char* factoryId);
};

// ---- extensions ---------------------------------------------------------------

constexpr const char* kExtAudioPorts = "clap.audio-ports";
constexpr const char* kExtParams = "clap.params";
constexpr const char* kExtState = "clap.state";
constexpr const char* kExtLatency = "clap.latency";
constexpr const char* kExtTail = "clap.tail";

constexpr const char* kPortMono = "mono";
constexpr uint32_t kAudioPortIsMain = 1u << 0;

struct AudioPortInfo {
    Id id;
    char name[kNameSize];
    uint32_t flags;
    uint32_t channelCount;
    const char* portType;
    Id inPlacePair;
};

struct PluginAudioPorts {
    uint32_t (*count)(const Plugin* plugin, bool isInput);
    bool (*get)(const Plugin* plugin, uint32_t index, bool isInput, AudioPortInfo* info);
};

constexpr uint32_t kParamIsStepped = 1u << 0;
constexpr uint32_t kParamIsAutomatable = 1u << 5;

struct ParamInfo {
    Id id;
    uint32_t flags;
    void* cookie;
    char name[kNameSize];
    char module[kPathSize];
    double minValue;
    double maxValue;
    double defaultValue;
};

// flush runs on the audio thread while the plug-in is active, on the main
// thread otherwise; never while process runs.
struct PluginParams {
    uint32_t (*count)(const Plugin* plugin);
    bool (*getInfo)(const Plugin* plugin, uint32_t paramIndex, ParamInfo* info);
    bool (*getValue)(const Plugin* plugin, Id paramId, double* value);
    bool (*valueToText)(const Plugin* plugin, Id paramId, double value, char* buffer,
                        uint32_t capacity);
    bool (*textToValue)(const Plugin* plugin, Id paramId, const char* text, double* value);
    void (*flush)(const Plugin* plugin, const InputEvents* in, const OutputEvents* out);
};

// A stream moves up to `size` bytes per call and returns how many it moved: 0 at
// the end of an input stream, a negative number on an error.
struct InputStream {
    void* ctx;
    int64_t (*read)(const InputStream* stream, void* buffer, uint64_t size);
};

struct OutputStream {
    void* ctx;
    int64_t (*write)(const OutputStream* stream, const void* buffer, uint64_t size);
};

struct PluginState {
    bool (*save)(const Plugin* plugin, const OutputStream* stream);
    bool (*load)(const Plugin* plugin, const InputStream* stream);
};

struct PluginLatency {
    uint32_t (*get)(const Plugin* plugin);
};

// A tail of this many samples or more is infinite. Main or audio thread.
constexpr uint32_t kInfiniteTail = INT32_MAX;

struct PluginTail {
    uint32_t (*get)(const Plugin* plugin);
};

// ---- the editor: the plug-in's gui, and what the host offers it ------------------

constexpr const char* kExtGui = "clap.gui";
constexpr const char* kExtPosixFdSupport = "clap.posix-fd-support";
constexpr const char* kExtTimerSupport = "clap.timer-support";

// The window systems a gui can be embedded in.
constexpr const char* kWindowApiWin32 = "win32";
constexpr const char* kWindowApiX11 = "x11";

// A window of the host's: an X11 window id or an HWND, as `api` says.
struct Window {
    const char* api;
    union {
        unsigned long x11;
        void* win32;
        void* ptr;
    };
};

struct GuiResizeHints {
    bool canResizeHorizontally;
    bool canResizeVertically;
    bool preserveAspectRatio;
    uint32_t aspectRatioWidth;
    uint32_t aspectRatioHeight;
};

// Main thread, all of it. Sizes are physical pixels for the x11 and win32 APIs.
struct PluginGui {
    bool (*isApiSupported)(const Plugin* plugin, const char* api, bool isFloating);
    bool (*getPreferredApi)(const Plugin* plugin, const char** api, bool* isFloating);
    bool (*create)(const Plugin* plugin, const char* api, bool isFloating);
    void (*destroy)(const Plugin* plugin);
    bool (*setScale)(const Plugin* plugin, double scale);
    bool (*getSize)(const Plugin* plugin, uint32_t* width, uint32_t* height);
    bool (*canResize)(const Plugin* plugin);
    bool (*getResizeHints)(const Plugin* plugin, GuiResizeHints* hints);
    bool (*adjustSize)(const Plugin* plugin, uint32_t* width, uint32_t* height);
    bool (*setSize)(const Plugin* plugin, uint32_t width, uint32_t height);
    bool (*setParent)(const Plugin* plugin, const Window* window);
    bool (*setTransient)(const Plugin* plugin, const Window* window);
    void (*suggestTitle)(const Plugin* plugin, const char* title);
    bool (*show)(const Plugin* plugin);
    bool (*hide)(const Plugin* plugin);
};

// What a descriptor is watched for.
constexpr uint32_t kPosixFdRead = 1u << 0;
constexpr uint32_t kPosixFdWrite = 1u << 1;
constexpr uint32_t kPosixFdError = 1u << 2;

// Main thread: the host's run loop watches the plug-in's descriptors and calls
// onFd when one is ready.
struct PluginPosixFdSupport {
    void (*onFd)(const Plugin* plugin, int fd, uint32_t flags);
};

struct HostPosixFdSupport {
    bool (*registerFd)(const Host* host, int fd, uint32_t flags);
    bool (*modifyFd)(const Host* host, int fd, uint32_t flags);
    bool (*unregisterFd)(const Host* host, int fd);
};

// Main thread: the host's run loop calls onTimer every period.
struct PluginTimerSupport {
    void (*onTimer)(const Plugin* plugin, Id timerId);
};

struct HostTimerSupport {
    bool (*registerTimer)(const Host* host, uint32_t periodMs, Id* timerId);
    bool (*unregisterTimer)(const Host* host, Id timerId);
};

// The host's side of the parameters. requestFlush (any thread but the audio
// thread) asks for a flush or a process call soon, which takes the plug-in's
// own changes as output events.
struct HostParams {
    void (*rescan)(const Host* host, uint32_t flags);
    void (*clear)(const Host* host, Id paramId, uint32_t flags);
    void (*requestFlush)(const Host* host);
};

// ---- the layouts a 64-bit host reads --------------------------------------------

static_assert(sizeof(void*) == 8, "the CLAP face is built for 64-bit targets only");
static_assert(sizeof(bool) == 1);

static_assert(sizeof(Version) == 12);
static_assert(offsetof(PluginEntry, init) == 16 && offsetof(PluginEntry, getFactory) == 32);
static_assert(sizeof(PluginEntry) == 40);
static_assert(offsetof(PluginFactory, createPlugin) == 16 && sizeof(PluginFactory) == 24);
static_assert(offsetof(PluginDescriptor, id) == 16 && offsetof(PluginDescriptor, version) == 64);
static_assert(offsetof(PluginDescriptor, features) == 80 && sizeof(PluginDescriptor) == 88);
static_assert(offsetof(Host, hostData) == 16 && offsetof(Host, getExtension) == 56);
static_assert(offsetof(Host, requestCallback) == 80 && sizeof(Host) == 88);
static_assert(offsetof(Plugin, init) == 16 && offsetof(Plugin, activate) == 32);
static_assert(offsetof(Plugin, process) == 72 && offsetof(Plugin, getExtension) == 80);
static_assert(sizeof(Plugin) == 96);

static_assert(sizeof(EventHeader) == 16 && offsetof(EventHeader, spaceId) == 8);
static_assert(offsetof(EventHeader, type) == 10 && offsetof(EventHeader, flags) == 12);
static_assert(offsetof(ParamValueEvent, paramId) == 16 && offsetof(ParamValueEvent, cookie) == 24);
static_assert(offsetof(ParamValueEvent, noteId) == 32 && offsetof(ParamValueEvent, key) == 40);
static_assert(offsetof(ParamValueEvent, value) == 48 && sizeof(ParamValueEvent) == 56);
static_assert(sizeof(InputEvents) == 24 && sizeof(OutputEvents) == 16);
static_assert(offsetof(ParamGestureEvent, paramId) == 16 && sizeof(ParamGestureEvent) == 20);

static_assert(offsetof(AudioBuffer, channelCount) == 16 &&
              offsetof(AudioBuffer, constantMask) == 24);
static_assert(sizeof(AudioBuffer) == 32);
static_assert(offsetof(Process, framesCount) == 8 && offsetof(Process, audioInputs) == 24);
static_assert(offsetof(Process, audioInputsCount) == 40 && offsetof(Process, inEvents) == 48);
static_assert(sizeof(Process) == 64);

static_assert(offsetof(AudioPortInfo, name) == 4 && offsetof(AudioPortInfo, flags) == 260);
static_assert(offsetof(AudioPortInfo, portType) == 272 &&
              offsetof(AudioPortInfo, inPlacePair) == 280);
static_assert(sizeof(AudioPortInfo) == 288);
static_assert(offsetof(ParamInfo, cookie) == 8 && offsetof(ParamInfo, name) == 16);
static_assert(offsetof(ParamInfo, module) == 272 && offsetof(ParamInfo, minValue) == 1296);
static_assert(offsetof(ParamInfo, defaultValue) == 1312 && sizeof(ParamInfo) == 1320);
static_assert(sizeof(PluginParams) == 48 && sizeof(PluginState) == 16);
static_assert(sizeof(InputStream) == 16 && sizeof(OutputStream) == 16);

static_assert(offsetof(Window, x11) == 8 && sizeof(Window) == 16);
static_assert(offsetof(GuiResizeHints, aspectRatioWidth) == 4 && sizeof(GuiResizeHints) == 12);
static_assert(offsetof(PluginGui, setParent) == 80 && sizeof(PluginGui) == 120);
static_assert(sizeof(PluginPosixFdSupport) == 8 && sizeof(HostPosixFdSupport) == 24);
static_assert(sizeof(PluginTimerSupport) == 8 && sizeof(HostTimerSupport) == 16);
static_assert(offsetof(HostParams, requestFlush) == 16 && sizeof(HostParams) == 24);

} // namespace clap
