// SPDX-License-Identifier: ISC
// The CLAP editor in a host's window, as a host drives it: the gui made,
// embedded, sized, shown while the audio thread processes, hidden and
// destroyed, again and again; a drag on it reaching the host as a gesture; the
// host's own changes moving its control. The host's run loop (timer and
// descriptor support) and its window are the editors' test parent.
#include "contract/ClapDriver.h"
#include "core/ParameterTable.h"
#include "editor/TestParent.h"
#include "support/Signals.h"

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

#ifdef _WIN32
constexpr const char* kApi = clap::kWindowApiWin32;
constexpr const char* kOtherApi = clap::kWindowApiX11;
#else
constexpr const char* kApi = clap::kWindowApiX11;
constexpr const char* kOtherApi = clap::kWindowApiWin32;
#endif

// What the plug-in sent the host: gestures and values, in order.
struct Sent {
    uint16_t type;
    clap::Id id;
    double value;
    bool operator==(const Sent&) const = default;
};

class SentEvents {
  public:
    std::vector<Sent> take() {
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
            self->sent.push_back({header->type, change->paramId, change->value});
        } else {
            const auto* gesture = reinterpret_cast<const clap::ParamGestureEvent*>(header);
            self->sent.push_back({header->type, gesture->paramId, 0.0});
        }
        return true;
    }

    std::mutex mutex;
    std::vector<Sent> sent;
    clap::OutputEvents record{this, TryPush};
};

// A host with a window, a run loop, timer and descriptor support, and the
// parameters' flush request, over the built .clap file. Flush requests are
// answered from the run loop while no audio thread runs.
class EditorHost {
  public:
    EditorHost() {
        driver.outEvents = sent.list();
        if (!driver.plugin) return;
        const auto extension = [this](const char* id) {
            return driver.plugin->getExtension(driver.plugin, id);
        };
        gui = static_cast<const clap::PluginGui*>(extension(clap::kExtGui));
        timers = static_cast<const clap::PluginTimerSupport*>(extension(clap::kExtTimerSupport));
        fds = static_cast<const clap::PluginPosixFdSupport*>(extension(clap::kExtPosixFdSupport));
    }
    ~EditorHost() { stopAudio(); }
    EditorHost(const EditorHost&) = delete;
    EditorHost& operator=(const EditorHost&) = delete;

    void startAudio() {
        running = driver.activate(48000);
        audio = std::thread([this] {
            const std::vector<float> input = Noise(256, 0.5f, 7);
            std::vector<float> output(256);
            while (running) {
                driver.process(input.data(), output.data(), 256, {});
                std::this_thread::sleep_for(2ms);
            }
        });
    }
    void stopAudio() {
        if (!audio.joinable()) return;
        running = false;
        audio.join();
        driver.deactivate();
    }

    // A change the host makes, as automation or a preset would: in the next
    // block while the audio runs, by a flush otherwise.
    void change(clap::Id id, double value) {
        if (audio.joinable()) {
            driver.set(static_cast<int32_t>(id), static_cast<float>(value));
            return;
        }
        ClapEvents events;
        events.add(0, id, value);
        driver.flush(events);
    }

    void run(std::chrono::milliseconds time) {
        const auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end) {
            parent.run(10ms);
            if (flushRequested.exchange(false) && !audio.joinable()) driver.flush(ClapEvents());
        }
    }

    // The gui made at a size, embedded in the parent and shown.
    bool open(uint32_t width, uint32_t height) {
        clap::Window window{kApi, {}};
#ifdef _WIN32
        window.win32 = reinterpret_cast<void*>(parent.handle());
#else
        window.x11 = parent.handle();
#endif
        return gui->create(driver.plugin, kApi, false) &&
               gui->setSize(driver.plugin, width, height) &&
               gui->setParent(driver.plugin, &window) && gui->show(driver.plugin);
    }
    std::pair<int, int> guiSize() const {
        uint32_t width = 0, height = 0;
        gui->getSize(driver.plugin, &width, &height);
        return {static_cast<int>(width), static_cast<int>(height)};
    }

  private:
    static EditorHost& Of(const clap::Host* host) {
        return *static_cast<EditorHost*>(host->hostData);
    }
    static const void* Extension(const clap::Host*, const char* id) {
        if (std::strcmp(id, clap::kExtTimerSupport) == 0) return &kTimerSupport;
        if (std::strcmp(id, clap::kExtPosixFdSupport) == 0) return &kFdSupport;
        if (std::strcmp(id, clap::kExtParams) == 0) return &kParams;
        return nullptr;
    }
    static void Request(const clap::Host*) {}
    static bool RegisterTimer(const clap::Host* host, uint32_t periodMs, clap::Id* id) {
        EditorHost& self = Of(host);
        *id = self.parent.addTimer(
            periodMs, [&self](uint32_t timer) { self.timers->onTimer(self.driver.plugin, timer); });
        return true;
    }
    static bool UnregisterTimer(const clap::Host* host, clap::Id id) {
        return Of(host).parent.removeTimer(id);
    }
    static bool RegisterFd(const clap::Host* host, int fd, uint32_t flags) {
        EditorHost& self = Of(host);
        return flags == clap::kPosixFdRead && self.parent.addDescriptor(fd, [&self, fd] {
            self.fds->onFd(self.driver.plugin, fd, clap::kPosixFdRead);
        });
    }
    static bool ModifyFd(const clap::Host*, int, uint32_t) { return false; }
    static bool UnregisterFd(const clap::Host* host, int fd) {
        return Of(host).parent.removeDescriptor(fd);
    }
    static void RequestFlush(const clap::Host* host) { Of(host).flushRequested = true; }

    static constexpr clap::HostTimerSupport kTimerSupport{RegisterTimer, UnregisterTimer};
    static constexpr clap::HostPosixFdSupport kFdSupport{RegisterFd, ModifyFd, UnregisterFd};
    static constexpr clap::HostParams kParams{nullptr, nullptr, RequestFlush};

    clap::Host record{
        clap::kVersion, this,   "editor test host", "tapestrum", "", "1", Extension, Request,
        Request,        Request};
    std::atomic<bool> flushRequested{false};
    std::atomic<bool> running{false};
    std::thread audio;

  public:
    TestParent parent{1200, 900};
    SentEvents sent;
    ClapDriver driver{ClapFactory(TAPESTRUM_CLAP_PATH), &record};
    const clap::PluginGui* gui = nullptr;
    const clap::PluginTimerSupport* timers = nullptr;
    const clap::PluginPosixFdSupport* fds = nullptr;
};

#define SKIP_WITHOUT_DISPLAY()                                                                     \
    if (const std::string why = TestParent::Unavailable(); !why.empty()) GTEST_SKIP() << why

TEST(ClapEditor, AnswersForItsOneWindowSystemEmbedded) {
    ClapDriver plugin(ClapFactory(TAPESTRUM_CLAP_PATH));
    const auto* gui = static_cast<const clap::PluginGui*>(
        plugin.plugin->getExtension(plugin.plugin, clap::kExtGui));
    ASSERT_NE(gui, nullptr);
    const struct {
        const char* api;
        bool floating;
        bool supported;
    } cases[] = {{kApi, false, true},
                 {kApi, true, false},
                 {kOtherApi, false, false},
                 {"cocoa", false, false}};
    for (const auto& c : cases)
        EXPECT_EQ(gui->isApiSupported(plugin.plugin, c.api, c.floating), c.supported)
            << c.api << c.floating;
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(gui->getPreferredApi(plugin.plugin, &api, &floating));
    EXPECT_STREQ(api, kApi);
    EXPECT_FALSE(floating);
    EXPECT_FALSE(gui->create(plugin.plugin, kApi, true));
    // Sizes: the nearest the editor can take, within its limits at the scale.
    ASSERT_TRUE(gui->create(plugin.plugin, kApi, false));
    const struct {
        double scale;
        uint32_t width, height, adjustedWidth, adjustedHeight;
    } sizes[] = {
        {1.0, 100, 5000, 480, 1600}, {1.0, 800, 500, 800, 500}, {2.0, 100, 5000, 960, 3200}};
    for (const auto& s : sizes) {
        EXPECT_TRUE(gui->setScale(plugin.plugin, s.scale));
        uint32_t width = s.width, height = s.height;
        EXPECT_TRUE(gui->adjustSize(plugin.plugin, &width, &height));
        EXPECT_EQ(width, s.adjustedWidth);
        EXPECT_EQ(height, s.adjustedHeight);
    }
    const clap::Window bad{kApi, {}};
    EXPECT_FALSE(gui->setParent(plugin.plugin, &bad));
    gui->destroy(plugin.plugin);
}

// 50 times: made, embedded (the XEmbed property there, unmapped, before the
// host maps it), sized, shown and followed while the audio thread runs,
// hidden and destroyed. The window system reports no error, and every timer
// and descriptor goes back.
TEST(ClapEditor, OpensAndClosesFiftyTimesWhileAudioRuns) {
    SKIP_WITHOUT_DISPLAY();
    EditorHost host;
    ASSERT_NE(host.gui, nullptr);
    host.startAudio();
    const std::pair<int, int> sizes[] = {{720, 480}, {1000, 700}, {480, 320}};
    for (int round = 0; round < 50; ++round) {
        const auto [width, height] = sizes[round % 3];
        ASSERT_TRUE(host.gui->create(host.driver.plugin, kApi, false));
        clap::Window window{kApi, {}};
#ifdef _WIN32
        window.win32 = reinterpret_cast<void*>(host.parent.handle());
#else
        window.x11 = host.parent.handle();
#endif
        ASSERT_TRUE(host.gui->setParent(host.driver.plugin, &window));
        const std::uintptr_t child = host.parent.child();
        ASSERT_NE(child, 0u);
#ifndef _WIN32
        EXPECT_EQ(host.parent.embedFlags(child), 0);
#endif
        ASSERT_TRUE(host.gui->setSize(host.driver.plugin, width, height));
        ASSERT_TRUE(host.gui->show(host.driver.plugin));
        host.run(round % 10 == 0 ? 200ms : 40ms);
        EXPECT_TRUE(host.parent.visible(child));
        EXPECT_EQ(host.parent.size(child), std::make_pair(width, height));
        EXPECT_EQ(host.guiSize(), std::make_pair(width, height));
        ASSERT_TRUE(host.gui->hide(host.driver.plugin));
        host.run(10ms);
        EXPECT_FALSE(host.parent.visible(child));
        host.gui->destroy(host.driver.plugin);
        EXPECT_EQ(host.parent.child(), 0u);
        EXPECT_EQ(host.parent.registrations(), 0u);
    }
    host.stopAudio();
    EXPECT_EQ(host.parent.errors(), 0);
}

// Where a host-side change of the mix repaints the editor, the control is:
// a drag from there reaches the host as one gesture, begin, values, end, on
// that parameter, and the host's value afterwards is the last one sent; a
// double-click there sets the default. With
// the audio running the events come out of process, otherwise out of a
// flush the plug-in asked for.
TEST(ClapEditor, HostChangesMoveTheControlAndADragIsAGesture) {
    SKIP_WITHOUT_DISPLAY();
    for (const bool audioRuns : {false, true}) {
        SCOPED_TRACE(audioRuns ? "audio runs" : "no audio");
        EditorHost host;
        ASSERT_NE(host.gui, nullptr);
        if (audioRuns) host.startAudio();
        ASSERT_TRUE(host.open(720, 480));
        const std::uintptr_t child = host.parent.child();
        host.change(kMix, 0.0);
        host.run(150ms);
        const std::vector<uint32_t> before = host.parent.snapshot(child);
        host.change(kMix, 1.0);
        host.run(150ms);
        const std::vector<uint32_t> after = host.parent.snapshot(child);
        ASSERT_EQ(before.size(), after.size());
        ASSERT_EQ(before.size(), 720u * 480u);
        long long sumX = 0, sumY = 0, changed = 0;
        for (size_t i = 0; i < after.size(); ++i)
            if (before[i] != after[i]) {
                sumX += static_cast<long long>(i % 720);
                sumY += static_cast<long long>(i / 720);
                ++changed;
            }
        ASSERT_GT(changed, 0) << "the host's change did not move the control";
        const int x = static_cast<int>(sumX / changed), y = static_cast<int>(sumY / changed);
        host.change(kMix, 0.5);
        host.run(150ms);
        host.sent.take();
        host.parent.drag(child, x, y, x - 60, y + 60);
        host.run(200ms);
        const std::vector<Sent> sent = host.sent.take();
        ASSERT_GE(sent.size(), 3u);
        EXPECT_EQ(sent.front(), (Sent{clap::kEventParamGestureBegin, kMix, 0.0}));
        EXPECT_EQ(sent.back(), (Sent{clap::kEventParamGestureEnd, kMix, 0.0}));
        for (size_t i = 1; i + 1 < sent.size(); ++i) {
            EXPECT_EQ(sent[i].type, clap::kEventParamValue);
            EXPECT_EQ(sent[i].id, static_cast<clap::Id>(kMix));
            EXPECT_GE(sent[i].value, 0.0);
            EXPECT_LE(sent[i].value, 1.0);
        }
        double value = -1.0;
        ASSERT_TRUE(host.driver.params->getValue(host.driver.plugin, kMix, &value));
        EXPECT_EQ(value, static_cast<float>(sent[sent.size() - 2].value));
        EXPECT_NE(value, 0.5);
        // A double-click there returns the control to its default, as a gesture.
        host.parent.doubleClick(child, x, y);
        host.run(200ms);
        const std::vector<Sent> reset = host.sent.take();
        ASSERT_GE(reset.size(), 3u);
        EXPECT_EQ(reset[reset.size() - 2],
                  (Sent{clap::kEventParamValue, kMix, kParameters[kMix].defaultValue}));
        EXPECT_EQ(reset.back(), (Sent{clap::kEventParamGestureEnd, kMix, 0.0}));
        ASSERT_TRUE(host.driver.params->getValue(host.driver.plugin, kMix, &value));
        EXPECT_EQ(value, kParameters[kMix].defaultValue);
        host.gui->destroy(host.driver.plugin);
        host.stopAudio();
        EXPECT_EQ(host.parent.errors(), 0);
    }
}

} // namespace
