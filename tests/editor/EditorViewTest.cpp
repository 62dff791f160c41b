// SPDX-License-Identifier: ISC
// The editor's view without a display: its picture's marks stand where the
// loop says, its texts inside their boxes, its layout inside the window at any
// size and scale, and its input reaches the host as gestures.
#include "editor/EditorView.h"
#include "core/LoopFeed.h"
#include "core/TapestrumEffect.h"
#include "editor/EditorLayout.h"
#include "editor/EditorTestHost.h"
#include "editor/LoopPainter.h"
#include "editor/Palette.h"
#include "support/Signals.h"

#include "core/FactoryPresets.h"
#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace tapestrum::editor {
namespace {

// The pixel columns in row y of a painted view whose colour is exactly `colour`.
std::vector<int> ColumnsOf(const Painted& painted, int y, uint32_t colour, const Rect& area) {
    std::vector<int> columns;
    for (int x = area.x; x < area.right(); ++x)
        if (painted.at(x, y) == colour) columns.push_back(x);
    return columns;
}

// An effect whose engine stands where a row of the table says: after one hop
// from `write`, forward, with the given delay, the write head is at write + 1
// and the read head at write - delay (within the loop).
struct Heads {
    float trackLength; // parameter values
    int32_t write;
    int32_t delayFrames;
    float startBin, endBin;
};

TEST(EditorView, HeadsAndBandEdgesStandWhereTheLoopSays) {
    const Heads table[] = {
        {1.0f, 10, 5, 0.0f, 1.0f},
        {0.3f, 40, 20, 0.3f, 0.7f},
        {0.3f, 0, 3, 0.1f, 0.2f},
        {0.1f, 0, 1, 0.5f, 0.5f},
    };
    for (const Heads& row : table) {
        TapestrumEffect effect;
        effect.resume();
        effect.setParameter(kHeadDirection, 1.0f);
        effect.setParameter(kTrackLength, row.trackLength);
        effect.setParameter(kRecStartFreq, row.startBin);
        effect.setParameter(kRecEndFreq, row.endBin);
        const TDelayVoc& engine = effect.engine();
        const int32_t length = engine.TrackLength();
        effect.setParameter(kDelay, std::sqrt(float(row.delayFrames) / float(length)));
        effect.setParameter(kHeadPosition, float(row.write) / float(length));
        ASSERT_EQ(engine.Delay(), row.delayFrames);
        ASSERT_EQ(engine.WriteHead(), row.write);
        TestHost host(effect);
        EditorView view(host, &effect.loopFeed());
        const std::vector<float> input = Noise(TDelayVoc::HopLength * 4, 0.5f, 7);
        std::vector<float> output(input.size());
        effect.process(input.data(), output.data(), TDelayVoc::HopLength);
        const int32_t write = engine.WriteHead();
        const int32_t read = engine.Track().ReadHead();
        ASSERT_EQ(write, (row.write + 1) % length);
        ASSERT_EQ(read, (row.write - row.delayFrames + length) % length);
        ASSERT_TRUE(view.tick());

        for (const double scale : {1.0, 1.5}) {
            view.setScale(scale);
            const Painted painted(view);
            const EditorLayout& l = view.layout();
            const Rect& pic = l.picture;
            const int y = pic.y + pic.height / 2;
            for (const auto& [frame, colour] : {std::pair{write, kWriteHead}, {read, kReadHead}}) {
                if (frame == (frame == write ? read : write)) continue; // one mark hides the other
                const std::vector<int> columns = ColumnsOf(painted, y, colour, pic);
                ASSERT_FALSE(columns.empty()) << "frame " << frame << " of " << length;
                const int expected = pic.x + FrameColumn(frame, length, pic.width);
                EXPECT_LE(columns.front(), expected) << "frame " << frame << " of " << length;
                EXPECT_GE(columns.back(), expected) << "frame " << frame << " of " << length;
                EXPECT_LE(columns.back() - columns.front(), 3 * scale);
            }
            // The band: its mark's top and bottom rows are the rows of its edges.
            std::vector<int> rows;
            for (int yy = pic.y; yy < pic.bottom(); ++yy)
                if (painted.at(l.bandMark.x + 1, yy) == kBand) rows.push_back(yy);
            ASSERT_FALSE(rows.empty());
            EXPECT_EQ(rows.front(), pic.y + BinRow(engine.EndBin(), pic.height));
            const int bottom = pic.y + BinRow(engine.StartBin(), pic.height);
            EXPECT_EQ(rows.back(), std::max(bottom, rows.front() + 1) - 1);
        }
    }
}

// One hop of noise between silences records one frame (the gate passes a hop
// whose level is above 0): only that frame's pixel columns light up, with the
// loop longer and shorter than the picture is wide.
TEST(EditorView, ATrackWithOneLoudFrameLightsThatColumnOnly) {
    for (const float trackLength : {1.0f, 0.3f}) {
        for (const int32_t silentHops : {3, 30}) {
            TapestrumEffect effect;
            effect.resume();
            effect.setParameter(kTrackLength, trackLength);
            TestHost host(effect);
            EditorView view(host, &effect.loopFeed());
            const auto hops = [&](int32_t count, float amplitude) {
                const std::vector<float> input = Noise(TDelayVoc::HopLength * count, amplitude, 5);
                std::vector<float> output(input.size());
                effect.process(input.data(), output.data(), static_cast<int32_t>(input.size()));
            };
            hops(silentHops, 0.0f);
            const int32_t frame = effect.engine().WriteHead();
            hops(1, 0.5f);
            hops(silentHops, 0.0f);
            view.tick();
            const Painted painted(view);
            const Rect& pic = view.layout().picture;
            const int32_t length = effect.engine().TrackLength();
            int lit = 0;
            for (int y = pic.y; y < pic.bottom(); ++y)
                for (int x = pic.x; x < pic.right(); ++x) {
                    const uint32_t colour = painted.at(x, y);
                    if (colour == kBrightness[0] || colour == kWriteHead || colour == kReadHead)
                        continue;
                    ++lit;
                    ASSERT_EQ((x - pic.x) * length / pic.width, frame)
                        << "x " << x << ", loop of " << length;
                }
            EXPECT_GT(lit, pic.height / 2) << "loop of " << length;
        }
    }
}

// A host that gives one control's text as nothing: the pixels that differ
// from the view with every text are that text's.
class HostWithoutText : public TestHost {
  public:
    using TestHost::TestHost;
    int32_t silent = -1;
    std::string parameterText(int32_t index, float value) override {
        return index == silent ? std::string() : TestHost::parameterText(index, value);
    }
};

struct Size {
    double scale;
    int width, height;
};
constexpr Size kSizes[] = {
    {1.0, 480, 320}, {1.0, 720, 480}, {1.0, 2400, 1600}, {2.0, 1100, 700}, {1.25, 100, 9000},
};

TEST(EditorView, EveryControlsTextIsDrawnInItsBox) {
    TapestrumEffect effect;
    effect.setParameter(kProcess, 0.0f); // "delayed as modulator", the longest text
    for (const Size& size : kSizes) {
        HostWithoutText host(effect);
        EditorView view(host, nullptr);
        view.setScale(size.scale);
        view.resize(size.width, size.height);
        view.setParameter(kRecEndFreq, 0.5f);
        const Painted full(view);
        for (int32_t index = 0; index < kParameterCount; ++index) {
            host.silent = index;
            EditorView without(host, nullptr);
            without.setScale(size.scale);
            without.resize(size.width, size.height);
            without.setParameter(kRecEndFreq, 0.5f);
            const Painted painted(without);
            const Rect& box = view.layout().controls[index];
            int differing = 0;
            for (int y = 0; y < full.height; ++y)
                for (int x = 0; x < full.width; ++x)
                    if (full.at(x, y) != painted.at(x, y)) {
                        ++differing;
                        ASSERT_TRUE(box.contains(x, y)) << "control " << index << " at " << x << ","
                                                        << y << ", scale " << size.scale;
                    }
            EXPECT_GT(differing, 10) << "control " << index;
        }
    }
}

TEST(EditorView, ResizeAndScaleKeepTheLayoutInsideTheWindow) {
    for (const Size& size : kSizes) {
        TapestrumEffect effect;
        TestHost host(effect);
        EditorView view(host, &effect.loopFeed());
        view.setScale(size.scale);
        view.resize(size.width, size.height);
        const double s = size.scale;
        EXPECT_EQ(view.width(), std::clamp(size.width, int(std::ceil(EditorView::kMinWidth * s)),
                                           int(EditorView::kMaxWidth * s)));
        EXPECT_EQ(view.height(), std::clamp(size.height, int(std::ceil(EditorView::kMinHeight * s)),
                                            int(EditorView::kMaxHeight * s)));
        const EditorLayout& l = view.layout();
        const Rect window{0, 0, view.width(), view.height()};
        std::vector<Rect> parts = {l.title,    l.presetButton, l.presetMenu, l.frequencyAxis,
                                   l.bandMark, l.picture,      l.loopEnd,    l.gateMeter,
                                   l.track,    l.trackLabel};
        parts.insert(parts.end(), l.controls.begin(), l.controls.end());
        for (const Rect& part : parts) {
            EXPECT_TRUE(part.within(window)) << part.x << "," << part.y << " " << part.width << "x"
                                             << part.height << ", scale " << s;
            EXPECT_GT(part.width, 0);
            EXPECT_GT(part.height, 0);
        }
        // Nothing stands on the picture or on another control.
        const auto overlap = [](const Rect& a, const Rect& b) {
            const Rect both = a.intersection(b);
            return both.width * both.height;
        };
        for (size_t i = 0; i < l.controls.size(); ++i) {
            EXPECT_EQ(overlap(l.controls[i], l.picture), 0);
            EXPECT_EQ(overlap(l.controls[i], l.track), 0);
            for (size_t j = 0; j < i; ++j)
                EXPECT_EQ(overlap(l.controls[i], l.controls[j]), 0);
        }
        EXPECT_GE(l.picture.height, 60 * s);
        EXPECT_TRUE(Painted(view).at(view.width() - 1, view.height() - 1) != 0xFF000000u);
    }
}

// Input as a user gives it, and the gestures the host records.
struct Gesture {
    const char* what;
    int32_t index;
    std::function<void(EditorView&, const Rect&)> input;
    std::function<std::vector<std::string>(const Rect&)> calls;
};

// Calls that do not depend on the control's size.
std::function<std::vector<std::string>(const Rect&)> Calls(std::vector<std::string> calls) {
    return [calls](const Rect&) { return calls; };
}
std::string Perform(int32_t index, float value) {
    return "perform " + std::to_string(index) + " " + std::to_string(value);
}

TEST(EditorView, InputReachesTheHostAsGestures) {
    const auto centre = [](const Rect& r) {
        return std::pair{r.x + r.width / 2, r.y + r.height / 2};
    };
    const std::vector<Gesture> table = {
        {"drag a quarter of the box right, then back", kDelay,
         [&](EditorView& v, const Rect& r) {
             const auto [x, y] = centre(r);
             v.mouseDown(x, y, kNoModifier, false);
             v.mouseMove(x + r.width / 4, y, kNoModifier);
             v.mouseMove(x + r.width / 8, y, kNoModifier);
             v.mouseUp(x + r.width / 8, y, kNoModifier);
         },
         [](const Rect& r) {
             return std::vector<std::string>{"begin 0", Perform(0, float(r.width / 4) / r.width),
                                             Perform(0, float(r.width / 8) / r.width), "end 0"};
         }},
        {"fine drag of a whole box", kMix,
         [&](EditorView& v, const Rect& r) {
             const auto [x, y] = centre(r);
             v.mouseDown(x, y, kFine, false);
             v.mouseMove(x - r.width, y, kFine);
             v.mouseUp(x - r.width, y, kFine);
         },
         Calls({"begin 9", "perform 9 0.900000", "end 9"})},
        {"double-click", kOutAmp,
         [&](EditorView& v, const Rect& r) {
             v.setParameter(kOutAmp, 0.3f);
             const auto [x, y] = centre(r);
             v.mouseDown(x, y, kNoModifier, true);
             v.mouseUp(x, y, kNoModifier);
         },
         Calls({"begin 2", "perform 2 1.000000", "end 2"})},
        {"a click on a switch", kHeadDirection,
         [&](EditorView& v, const Rect& r) {
             const auto [x, y] = centre(r);
             v.mouseDown(x, y, kNoModifier, false);
             v.mouseUp(x, y, kNoModifier);
         },
         Calls({"begin 10", "perform 10 1.000000", "end 10"})},
        {"two wheel steps down, one fine up", kRecAmp,
         [&](EditorView& v, const Rect& r) {
             const auto [x, y] = centre(r);
             v.wheel(x, y, -2.0f, kNoModifier);
             v.wheel(x, y, 1.0f, kFine);
         },
         Calls(
             {"begin 8", "perform 8 0.480000", "end 8", "begin 8", "perform 8 0.481000", "end 8"})},
    };
    for (const Gesture& row : table) {
        TapestrumEffect effect;
        TestHost host(effect);
        EditorView view(host, nullptr);
        row.input(view, view.layout().controls[row.index]);
        EXPECT_EQ(host.calls, row.calls(view.layout().controls[row.index])) << row.what;
    }
}

TEST(EditorView, APresetFromTheMenuSetsEveryValueUntilAControlMoves) {
    TapestrumEffect effect;
    TestHost host(effect);
    EditorView view(host, nullptr);
    for (int32_t i = 0; i < kParameterCount; ++i)
        view.setParameter(i, 0.5f); // the host's state: not an edit
    EXPECT_EQ(view.presetCaption(), "factory presets");
    const EditorLayout& l = view.layout();
    const auto click = [&](int x, int y) {
        view.mouseDown(x, y, kNoModifier, false);
        view.mouseUp(x, y, kNoModifier);
    };
    click(l.presetButton.x + 5, l.presetButton.y + 5);
    EXPECT_TRUE(host.calls.empty());
    click(l.presetMenu.x + 5, l.presetMenu.y + 3 * l.menuItemHeight + 5);
    const FactoryPreset& chosen = FactoryPresets()[3];
    ASSERT_EQ(host.calls.size(), size_t{3 * kParameterCount});
    for (int32_t i = 0; i < kParameterCount; ++i) {
        EXPECT_EQ(host.calls[3 * i], "begin " + std::to_string(i));
        EXPECT_EQ(host.calls[3 * i + 1],
                  "perform " + std::to_string(i) + " " + std::to_string(chosen.values[i]));
        EXPECT_EQ(host.calls[3 * i + 2], "end " + std::to_string(i));
        EXPECT_EQ(view.parameterValue(i), chosen.values[i]);
        view.setParameter(i, chosen.values[i]); // the host's echo
    }
    EXPECT_EQ(view.presetCaption(), std::string(chosen.name));
    view.setParameter(kMix, 0.25f); // automation moves a control
    EXPECT_EQ(view.presetCaption(), std::string(chosen.name) + " (edited)");
    EXPECT_EQ(view.parameterValue(kMix), 0.25f);
}

} // namespace
} // namespace tapestrum::editor
