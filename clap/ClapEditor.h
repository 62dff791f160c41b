// SPDX-License-Identifier: ISC
// ClapEditor: the plug-in's gui while the host has one created. It holds the
// view and, once the host gives a parent, the platform window, and connects
// them to the host's run loop (its timer, and on Linux the X connection's
// descriptor) and to the host's parameters: edits go out through the edit
// queue as gestures and values, the host's own changes move the controls.
// Everything here runs on the host's main thread.
#pragma once

#include "clap/ClapEditQueue.h"
#include "clap/ClapInterface.h"
#include "core/ParameterTable.h"
#include "core/TapestrumEffect.h"
#include "editor/EditorWindow.h"

#include <array>
#include <deque>
#include <memory>

class ClapEditor final : public tapestrum::editor::EditorHost {
  public:
    // The window system this platform's editor embeds in.
    static const char* const kApi;
    // The host's period for the editor's timer: about 30 pictures a second.
    static constexpr uint32_t kTimerPeriodMs = 33;

    ClapEditor(const clap::Host& host, const TapestrumEffect& effect, ClapEditQueue& edits);
    ~ClapEditor() override;
    ClapEditor(const ClapEditor&) = delete;
    ClapEditor& operator=(const ClapEditor&) = delete;

    // False when the editor already has a parent, or the window cannot be made.
    bool setParent(std::uintptr_t parent);
    void setScale(double scale);
    uint32_t width() const { return static_cast<uint32_t>(view.width()); }
    uint32_t height() const { return static_cast<uint32_t>(view.height()); }
    // The size nearest to the one asked for that the editor can take.
    void adjustSize(uint32_t& width, uint32_t& height) const;
    void setSize(uint32_t width, uint32_t height);
    bool show(bool visible);

    void onFd();
    void onTimer(clap::Id timer);

    void beginEdit(int32_t index) override;
    void performEdit(int32_t index, float normalisedValue) override;
    void endEdit(int32_t index) override;
    std::string parameterText(int32_t index, float normalisedValue) override;

  private:
    // Queues the edit behind any that did not fit before, and asks the host for
    // a flush (it processes instead when it is running).
    void send(const ClapEdit& edit);
    void sendWaiting();
    // The host's changes since the last call, into the view (not for a control
    // the user is dragging, which the host's echo would hold back).
    void followHost();

    const clap::Host& host;
    const TapestrumEffect& effect;
    ClapEditQueue& edits;
    const clap::HostParams* hostParams;
    const clap::HostTimerSupport* hostTimers;
    const clap::HostPosixFdSupport* hostFds;
    clap::Id timer = clap::kInvalidId;
    int fd = -1; // registered with the host while not -1
    double scale = 1.0;
    tapestrum::editor::EditorView view;
    std::unique_ptr<tapestrum::editor::EditorWindow> window;
    std::array<float, kParameterCount> seen{};    // the stored values last given to the view
    std::array<bool, kParameterCount> dragging{}; // between the view's begin and end
    std::deque<ClapEdit> waiting;                 // edits the full queue did not take yet
};
