// SPDX-License-Identifier: ISC
// One contract for the editors of every face that has one, each driven by its
// own host in a window of the tests' own (on Linux an X server, started for
// the program when there is none): opened and closed again and again while the
// audio runs, leaving no window, registration or window-system error; a
// host-side change moving a control, and a drag on it, sent as the window
// system's input, reaching the host as one gesture with the values a host
// records; a double-click giving the default.
#include "editor/EditorFaceDriver.h"

#include "core/ParameterTable.h"
#include "support/Signals.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

// The plug-in processing noise on a thread of its own while it runs.
class AudioThread {
  public:
    explicit AudioThread(EditorFaceDriver& face) : face(face) {}
    ~AudioThread() { stop(); }
    AudioThread(const AudioThread&) = delete;
    AudioThread& operator=(const AudioThread&) = delete;

    bool start() {
        if (!face.activate()) return false;
        running = true;
        thread = std::thread([this] {
            const std::vector<float> input = Noise(256, 0.5f, 7);
            std::vector<float> output(256);
            while (running) {
                face.process(input.data(), output.data(), 256);
                std::this_thread::sleep_for(1ms);
            }
        });
        return true;
    }
    void stop() {
        if (!thread.joinable()) return;
        running = false;
        thread.join();
        face.deactivate();
    }

  private:
    EditorFaceDriver& face;
    std::atomic<bool> running{false};
    std::thread thread;
};

class EditorContract : public ::testing::TestWithParam<EditorFace> {
  protected:
    void SetUp() override {
        if (!unavailable.empty()) GTEST_SKIP() << unavailable;
        face = GetParam().make(parent);
        ASSERT_NE(face, nullptr) << GetParam().name << " made no instance";
        audio = std::make_unique<AudioThread>(*face);
    }
    void TearDown() override {
        audio.reset();
        face.reset();
        if (unavailable.empty()) {
            EXPECT_EQ(parent.errors(), 0);
        }
    }

    EditorUnderTest under(int32_t index) {
        return {[this] { face->pump(); },
                [this, index](float value) { face->setFromHost(index, value); }, face->log()};
    }

    const std::string unavailable = TestParent::Unavailable();
    TestParent parent{1600, 1200};
    std::unique_ptr<EditorFaceDriver> face;
    std::unique_ptr<AudioThread> audio;
};

// 50 times: made and embedded (at content scales 1 and 2 by turns where the
// face has one), sized by the host, shown and showing the loop that moves
// while the audio thread runs, hidden where the host can hide it, and closed.
// The window system reports no error, and every timer and descriptor goes back.
TEST_P(EditorContract, OpensAndClosesFiftyTimesWhileAudioRuns) {
    ASSERT_TRUE(audio->start());
    const std::pair<int, int> sizes[] = {{1000, 700}, {960, 640}, {1100, 800}};
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(round);
        const float scale = round % 2 == 0 ? 1.0f : 2.0f;
        const int width = sizes[round % 3].first + round, height = sizes[round % 3].second;
        ASSERT_TRUE(face->open(scale));
        const std::uintptr_t editor = SettledChild(parent, true);
        ASSERT_NE(editor, 0u);
        face->checkOpened(editor, scale);
        face->resize(width, height);
        face->show();
        EXPECT_TRUE(PictureMoves(parent, editor, [&] { face->pump(); }));
        EXPECT_TRUE(parent.visible(editor));
        EXPECT_EQ(parent.size(editor), std::make_pair(width, height));
        if (const auto reported = face->reportedSize()) {
            EXPECT_EQ(*reported, std::make_pair(width, height));
        }
        if (face->hide()) {
            face->pump();
            EXPECT_FALSE(parent.visible(editor));
        }
        face->close();
        EXPECT_EQ(face->windowGoesAtOnce() ? parent.child() : SettledChild(parent, false), 0u);
        EXPECT_EQ(parent.loop().registrations(), 0u);
    }
    audio->stop();
}

// The threshold's and the mix's controls, each with and without the audio
// running (a CLAP plug-in then sends its gestures out of process, otherwise
// out of a flush it asks for): each found where host-side changes of its value
// repaint the editor (before the audio runs, since the picture of the loop
// moves with it); a drag there reaches the host as one gesture on that
// parameter, and the plug-in holds the value the host recorded last; a
// double-click there gives the default, as a gesture.
TEST_P(EditorContract, HostChangesMoveAControlAndADragIsAGesture) {
    for (const int32_t index : {kThreshold, kMix})
        for (const bool audioRuns : {false, true}) {
            SCOPED_TRACE(std::string(kParameters[index].name) +
                         (audioRuns ? ", audio runs" : ", no audio"));
            ASSERT_TRUE(face->open(1.0f));
            const std::uintptr_t editor = SettledChild(parent, true);
            ASSERT_NE(editor, 0u);
            face->checkOpened(editor, 1.0f);
            face->resize(720, 480);
            face->show();
            const EditorUnderTest control = under(index);
            int x = 0, y = 0;
            ASSERT_EQ(FindControl(parent, editor, control, x, y), "");
            EXPECT_EQ(parent.snapshot(editor).size(), 720u * 480u);
            if (audioRuns) {
                ASSERT_TRUE(audio->start());
                face->setFromHost(index, 0);
                for (int round = 0; round < 10; ++round)
                    face->pump();
            }
            EXPECT_EQ(DragIsAGesture(parent, editor, index, control, x, y), "");
            const auto& dragged = face->log().entries;
            ASSERT_GE(dragged.size(), 3u);
            if (const auto held = face->heldValue(index)) {
                EXPECT_EQ(*held, dragged[dragged.size() - 2].value);
            }

            face->log().entries.clear();
            parent.doubleClick(editor, x, y);
            const auto& reset = face->log().entries;
            for (int round = 0;
                 round < 300 && (round < 20 || reset.empty() || reset.back().kind != 'e'); ++round)
                face->pump();
            ASSERT_GE(reset.size(), 3u);
            EXPECT_EQ(reset.front().kind, 'b');
            EXPECT_EQ(reset[reset.size() - 2].kind, 'p');
            EXPECT_EQ(reset[reset.size() - 2].index, index);
            EXPECT_EQ(reset[reset.size() - 2].value, kParameters[index].defaultValue);
            EXPECT_EQ(reset.back().kind, 'e');
            EXPECT_EQ(reset.back().index, index);
            if (const auto held = face->heldValue(index)) {
                EXPECT_EQ(*held, kParameters[index].defaultValue);
            }
            face->close();
            audio->stop();
            EXPECT_EQ(SettledChild(parent, false), 0u);
        }
}

INSTANTIATE_TEST_SUITE_P(Faces, EditorContract, ::testing::ValuesIn(EditorFaces()),
                         [](const auto& info) { return info.param.name; });

} // namespace

std::vector<EditorFace> EditorFaces() {
    std::vector<EditorFace> faces;
#if defined(TAPESTRUM_CLAP_PATH)
    faces.push_back({"Clap", MakeClapEditorDriver});
#endif
#if defined(TAPESTRUM_VST3_BUNDLE)
    faces.push_back({"Vst3", MakeVst3EditorDriver});
#endif
#if defined(LV2_UI_BINARY_PATH)
    faces.push_back({"Lv2", MakeLv2EditorDriver});
#endif
    return faces;
}
