// SPDX-License-Identifier: ISC
// The CLAP editor as a host drives it: the gui made, embedded, sized, shown,
// hidden and destroyed through the gui extension; the host's timer and
// descriptor support served by the test parent's loop; the gestures and values
// the plug-in sends in its output events, out of process while the audio runs
// and out of a flush it asked for otherwise.
#include "contract/ClapDriver.h"
#include "editor/EditorFaceDriver.h"

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <mutex>

namespace {

#ifdef _WIN32
constexpr const char* kApi = clap::kWindowApiWin32;
#else
constexpr const char* kApi = clap::kWindowApiX11;
#endif

// What the plug-in sent the host, gestures and values in order, from any
// thread; taken on the main thread.
class SentEvents {
  public:
    std::vector<GestureLog::Entry> take() {
        std::lock_guard lock(mutex);
        return std::exchange(sent, {});
    }
    const clap::OutputEvents* list() const { return &record; }

  private:
    static bool TryPush(const clap::OutputEvents* list, const clap::EventHeader* header) {
        auto* self = static_cast<SentEvents*>(list->ctx);
        std::lock_guard lock(self->mutex);
        if (header->type == clap::kEventParamValue) {
            const auto* change = reinterpret_cast<const clap::ParamValueEvent*>(header);
            self->sent.push_back(
                {'p', static_cast<int32_t>(change->paramId), static_cast<float>(change->value)});
        } else {
            const auto* gesture = reinterpret_cast<const clap::ParamGestureEvent*>(header);
            const char kind = header->type == clap::kEventParamGestureBegin ? 'b'
                              : header->type == clap::kEventParamGestureEnd ? 'e'
                                                                            : '?';
            self->sent.push_back({kind, static_cast<int32_t>(gesture->paramId), 0});
        }
        return true;
    }

    std::mutex mutex;
    std::vector<GestureLog::Entry> sent;
    clap::OutputEvents record{this, TryPush};
};

class ClapEditorDriver final : public EditorFaceDriver {
  public:
    explicit ClapEditorDriver(TestParent& parent) : parent(parent) {
        driver.outEvents = sent.list();
        if (!driver.plugin) return;
        const auto extension = [this](const char* id) {
            return driver.plugin->getExtension(driver.plugin, id);
        };
        gui = static_cast<const clap::PluginGui*>(extension(clap::kExtGui));
        timers = static_cast<const clap::PluginTimerSupport*>(extension(clap::kExtTimerSupport));
        fds = static_cast<const clap::PluginPosixFdSupport*>(extension(clap::kExtPosixFdSupport));
    }
    bool usable() const { return gui != nullptr; }

    // The host sets no content scale here: the sizes at a scale are among the
    // gui's answers (tests/clap/ClapEditorTest.cpp).
    bool open(float) override {
        clap::Window window{kApi, {}};
#ifdef _WIN32
        window.win32 = reinterpret_cast<void*>(parent.handle());
#else
        window.x11 = parent.handle();
#endif
        return gui->create(driver.plugin, kApi, false) && gui->setParent(driver.plugin, &window);
    }
    // Embedded, its XEmbed property there and unmapped, before the host shows it.
    void checkOpened([[maybe_unused]] std::uintptr_t window, float) override {
#ifndef _WIN32
        EXPECT_EQ(parent.embedFlags(window), 0);
#endif
    }
    void resize(int width, int height) override {
        EXPECT_TRUE(gui->setSize(driver.plugin, static_cast<uint32_t>(width),
                                 static_cast<uint32_t>(height)));
    }
    void show() override { EXPECT_TRUE(gui->show(driver.plugin)); }
    bool hide() override {
        EXPECT_TRUE(gui->hide(driver.plugin));
        return true;
    }
    std::optional<std::pair<int, int>> reportedSize() override {
        uint32_t width = 0, height = 0;
        gui->getSize(driver.plugin, &width, &height);
        return std::make_pair(static_cast<int>(width), static_cast<int>(height));
    }
    void close() override { gui->destroy(driver.plugin); }
    bool windowGoesAtOnce() const override { return true; }

    void pump() override {
        parent.run(std::chrono::milliseconds(10));
        if (flushRequested.exchange(false) && !audioRuns) driver.flush(ClapEvents());
        for (const GestureLog::Entry& entry : sent.take())
            gestures.entries.push_back(entry);
    }
    GestureLog& log() override { return gestures; }
    // In the next block while the audio runs, by a flush otherwise.
    void setFromHost(int32_t index, float value) override {
        if (audioRuns) {
            driver.set(index, value);
            return;
        }
        ClapEvents events;
        events.add(0, static_cast<clap::Id>(index), value);
        driver.flush(events);
    }
    std::optional<double> heldValue(int32_t index) override {
        double value = -1.0;
        EXPECT_TRUE(driver.params->getValue(driver.plugin, static_cast<clap::Id>(index), &value));
        return value;
    }

    bool activate() override { return audioRuns = driver.activate(48000); }
    void process(const float* input, float* output, int32_t frames) override {
        driver.process(input, output, frames, {});
    }
    void deactivate() override {
        driver.deactivate();
        audioRuns = false;
    }

  private:
    static ClapEditorDriver& Of(const clap::Host* host) {
        return *static_cast<ClapEditorDriver*>(host->hostData);
    }
    static const void* Extension(const clap::Host*, const char* id) {
        if (std::strcmp(id, clap::kExtTimerSupport) == 0) return &kTimerSupport;
        if (std::strcmp(id, clap::kExtPosixFdSupport) == 0) return &kFdSupport;
        if (std::strcmp(id, clap::kExtParams) == 0) return &kParams;
        return nullptr;
    }
    static void Request(const clap::Host*) {}
    static bool RegisterTimer(const clap::Host* host, uint32_t periodMs, clap::Id* id) {
        ClapEditorDriver& self = Of(host);
        *id = self.parent.loop().addTimer(
            periodMs, [&self](uint32_t timer) { self.timers->onTimer(self.driver.plugin, timer); });
        return true;
    }
    static bool UnregisterTimer(const clap::Host* host, clap::Id id) {
        return Of(host).parent.loop().removeTimer(id);
    }
    static bool RegisterFd(const clap::Host* host, int fd, uint32_t flags) {
        ClapEditorDriver& self = Of(host);
        return flags == clap::kPosixFdRead && self.parent.loop().addDescriptor(fd, [&self, fd] {
            self.fds->onFd(self.driver.plugin, fd, clap::kPosixFdRead);
        });
    }
    static bool ModifyFd(const clap::Host*, int, uint32_t) { return false; }
    static bool UnregisterFd(const clap::Host* host, int fd) {
        return Of(host).parent.loop().removeDescriptor(fd);
    }
    // From any thread; answered by the main thread's loop.
    static void RequestFlush(const clap::Host* host) { Of(host).flushRequested = true; }

    static constexpr clap::HostTimerSupport kTimerSupport{RegisterTimer, UnregisterTimer};
    static constexpr clap::HostPosixFdSupport kFdSupport{RegisterFd, ModifyFd, UnregisterFd};
    static constexpr clap::HostParams kParams{nullptr, nullptr, RequestFlush};

    TestParent& parent;
    clap::Host record{
        clap::kVersion, this,   "editor test host", "tapestrum", "", "1", Extension, Request,
        Request,        Request};
    std::atomic<bool> flushRequested{false};
    // Written by the main thread while no audio thread runs.
    bool audioRuns = false;
    SentEvents sent;
    GestureLog gestures;
    ClapDriver driver{ClapFactory(TAPESTRUM_CLAP_PATH), 1, &record};
    const clap::PluginGui* gui = nullptr;
    const clap::PluginTimerSupport* timers = nullptr;
    const clap::PluginPosixFdSupport* fds = nullptr;
};

} // namespace

std::unique_ptr<EditorFaceDriver> MakeClapEditorDriver(TestParent& parent) {
    auto driver = std::make_unique<ClapEditorDriver>(parent);
    if (!driver->usable()) return nullptr;
    return driver;
}
