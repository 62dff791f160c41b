// SPDX-License-Identifier: ISC
// ClapEffect: one instance of the effect as a CLAP host sees it. It holds the
// effect core and the plug-in record the host calls through, and translates the
// format's lifecycle, processing, parameter and state calls into the core's.
//
// Threads, as the format assigns them: the host builds and destroys the
// instance, activates and deactivates it, and calls the parameter, port, state
// and latency queries on its main thread; it starts and stops processing,
// resets and processes on its audio thread, and flushes parameters on the audio
// thread while active, on the main thread otherwise. Main-thread reads (values,
// texts, saving the state) may run while the audio thread processes: they read
// only the core's relaxed atomics. A state loaded while active sets the values
// as the VST 2 face's setParameter does from a host's other threads.
//
// The editor lives on the main thread (the gui, timer and descriptor
// extensions); its edits reach the audio thread, or the flush, through the edit
// queue, and go on to the host as output events.
#pragma once

#include "clap/ClapEditQueue.h"
#include "clap/ClapInterface.h"
#include "core/TapestrumEffect.h"

#include <cstdint>
#include <memory>

class ClapEditor;

class ClapEffect {
  public:
    // A mono effect (channels 1) or a stereo one (2), made for the host.
    ClapEffect(const clap::Host& host, int32_t channels);
    ~ClapEffect();
    ClapEffect(const ClapEffect&) = delete;
    ClapEffect& operator=(const ClapEffect&) = delete;

    const clap::Plugin* record() const { return &plugin; }
    static ClapEffect& of(const clap::Plugin* plugin) {
        return *static_cast<ClapEffect*>(plugin->pluginData);
    }

    // 1 or 2, as the plug-in's ports have. Any thread.
    int32_t channelCount() const { return effect.channelCount(); }

    // Main thread. The core learns the rate and is switched on as the VST 2 face
    // switches it on: every stored value applied again, in index order. A rate
    // that is not a positive float is refused.
    bool activate(double sampleRate);
    void deactivate();
    // Audio thread: clears everything the engine has heard (the track, the
    // analysis and output buffers, the phases), as a new instance has it, and
    // applies the values again; the values themselves stay.
    void reset();
    // Audio thread: the block, cut at each parameter change's sample.
    int32_t process(const clap::Process& block);
    // Applies the parameter changes among the events, in their order, ignoring
    // their times; then the editor's edits, handed to the host as output events.
    void flush(const clap::InputEvents* events, const clap::OutputEvents* out);

    // Main thread: the editor, from the host's gui create to its destroy.
    ClapEditor* editor() const { return gui.get(); }
    void openEditor();
    void closeEditor();

    // Main thread. The last value set for a parameter id (false for an id that
    // does not exist).
    bool value(clap::Id id, double& value) const;
    bool valueToText(clap::Id id, double value, char* buffer, uint32_t capacity) const;
    bool textToValue(clap::Id id, const char* text, double& value) const;
    bool saveState(const clap::OutputStream& stream) const;
    bool loadState(const clap::InputStream& stream);

  private:
    // Applies one event when it is a parameter change in the core space, with
    // the size of one; anything else is skipped.
    void applyEvent(const clap::EventHeader* header);
    // The editor's waiting edits, in order: each gesture and value goes to the
    // host (when it gives a list) and each value to the core. An edit the host's
    // list refuses waits for the next call.
    void sendEdits(const clap::OutputEvents* out);

    clap::Plugin plugin;
    const clap::Host& host;
    TapestrumEffect effect;
    ClapEditQueue edits;
    std::unique_ptr<ClapEditor> gui;
};

// The record of the extension with the identifier, or null for one the plug-in
// does not offer. Any thread.
const void* ClapExtension(const clap::Plugin* plugin, const char* id);
// The same for the editor's extensions (gui, timer, descriptors).
const void* ClapEditorExtension(const char* id);
