// SPDX-License-Identifier: ISC
// The loop feed: what the audio thread publishes is the track as the editor
// draws it, every column caught up, and a reader on another thread sees whole
// pictures while it publishes (run under ThreadSanitizer too).
#include "core/LoopFeed.h"
#include "core/TapestrumEffect.h"
#include "support/Signals.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

// The levels of the whole track as the feed would reduce it, read from the
// effect's own picture of the track (the louder channel's magnitudes).
std::vector<uint8_t> ExpectedLevels(const TapestrumEffect& effect) {
    std::vector<float> track(TDelayVoc::TrackView::MagnitudeCount());
    effect.trackPicture(track.data());
    std::vector<uint8_t> levels(size_t{LoopFeed::kColumns} * LoopFeed::kRows);
    for (int32_t frame = 0; frame < LoopFeed::kColumns; ++frame)
        for (int32_t row = 0; row < LoopFeed::kRows; ++row) {
            const LoopFeed::RowBins bins = LoopFeed::BinsOfRow(row);
            float loudest = 0.0f;
            for (int32_t bin = bins.first; bin < bins.end; ++bin)
                loudest = std::max(loudest, track[size_t(frame) * TDelayVoc::BinCount + bin]);
            levels[size_t(frame) * LoopFeed::kRows + row] = LoopFeed::LevelOf(loudest);
        }
    return levels;
}

TEST(LoopFeed, LevelsStepATenthOfAnOctave) {
    EXPECT_EQ(LoopFeed::LevelOf(0.0f), 0);
    EXPECT_EQ(LoopFeed::LevelOf(-1.0f), 0);
    EXPECT_EQ(LoopFeed::LevelOf(LoopFeed::kFloorMagnitude), 0);
    EXPECT_EQ(LoopFeed::LevelOf(LoopFeed::kFloorMagnitude * 2.0f), 11);
    EXPECT_EQ(LoopFeed::LevelOf(LoopFeed::kFloorMagnitude * 1024.0f), 101);
    EXPECT_EQ(LoopFeed::LevelOf(1e30f), 255);
    EXPECT_EQ(LoopFeed::BinsOfRow(0).first, 1);
    EXPECT_EQ(LoopFeed::BinsOfRow(LoopFeed::kRows - 1).end, TDelayVoc::BinCount);
    for (int32_t row = 1; row < LoopFeed::kRows; ++row)
        EXPECT_LE(LoopFeed::BinsOfRow(row - 1).end, LoopFeed::BinsOfRow(row).end) << row;
}

// Attached after the track was recorded, with stereo channels of different
// loudness, each block short of a hop or many hops long, read after every
// block or not at all for seventy hops (the frames wait for room in the ring): the
// picture catches up with every column, and matches the track while
// recording goes on.
TEST(LoopFeed, PicturesShowTheLouderChannelsTrackWhole) {
    struct Case {
        int32_t block;
        int32_t readEvery; // blocks; 0 for not until the last few
    };
    for (const Case c : {Case{100, 1}, Case{256, 0}, Case{3000, 1}}) {
        TapestrumEffect effect(2, SimdLevel::Best);
        effect.resume();
        effect.setParameter(kTrackLength, 0.5f); // 150 frames, more than the ring holds
        const std::vector<float> left = Noise(44100, 0.5f, 1);
        const std::vector<float> right = Noise(44100, 0.05f, 2);
        std::vector<float> outLeft(left.size()), outRight(right.size());
        const LoopFeed& feed = effect.loopFeed();
        const auto run = [&](size_t from, size_t to, int32_t readEvery) {
            int32_t blocks = 0;
            for (size_t done = from; done + c.block <= to; done += c.block) {
                const float* const inputs[] = {left.data() + done, right.data() + done};
                float* const outputs[] = {outLeft.data() + done, outRight.data() + done};
                effect.processChannels(inputs, outputs, c.block);
                if (readEvery > 0 && ++blocks % readEvery == 0) feed.latest();
            }
        };
        effect.setParameter(kHeadDirection, c.block == 256 ? 0.0f : 1.0f);
        run(0, 20000, 0);
        feed.attach();
        feed.attach();
        feed.detach(); // a second editor came and went: the first still reads
        run(20000, 38000, c.readEvery);
        run(38000, 44100, 1);
        const LoopFeed::Picture& picture = feed.latest();
        EXPECT_GT(picture.publication, 0u);
        EXPECT_EQ(picture.length, 150);
        EXPECT_EQ(picture.writeHead, effect.engine().WriteHead());
        const std::vector<uint8_t> expected = ExpectedLevels(effect);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), picture.levels.begin()))
            << "block " << c.block;
        feed.detach();
    }
}

// The audio thread publishes with a fixed delay on a short forward loop; the
// reader checks each picture it takes: the heads belong to one hop (the read
// head lies `delay` frames behind the frame the write head left), the
// publications only move on, and the levels of a picture stay as they were
// while the reader holds it.
TEST(LoopFeed, AReaderSeesWholePicturesWhileTheAudioThreadPublishes) {
    TapestrumEffect effect;
    effect.resume();
    effect.setParameter(kTrackLength, 0.2f); // 24 frames
    effect.setParameter(kDelay, 0.5f);       // 6 frames
    effect.setParameter(kHeadDirection, 1.0f);
    const int32_t length = effect.engine().TrackLength();
    const int32_t delay = effect.engine().Delay();
    const LoopFeed& feed = effect.loopFeed();
    feed.attach();
    // Stopped and joined however the reader's checks end.
    std::jthread audio([&](std::stop_token stop) {
        const std::vector<float> input = Noise(44100, 0.5f, 3);
        std::vector<float> output(input.size());
        while (!stop.stop_requested())
            for (size_t at = 0; at + 200 <= input.size(); at += 200)
                effect.process(input.data() + at, output.data() + at, 200);
    });
    uint32_t last = 0;
    for (int32_t pictures = 0; pictures < 200;) {
        const LoopFeed::Picture& picture = feed.latest();
        if (picture.publication == last) continue;
        ASSERT_GT(picture.publication, last);
        last = picture.publication;
        ++pictures;
        const std::vector<uint8_t> levels(picture.levels.begin(), picture.levels.end());
        ASSERT_EQ(picture.length, length);
        if (picture.writeHead != 0 || picture.readHead != 0) {
            ASSERT_EQ((picture.writeHead - 1 - delay - picture.readHead + 2 * length) % length, 0);
        }
        std::this_thread::yield();
        ASSERT_TRUE(std::equal(levels.begin(), levels.end(), picture.levels.begin()));
    }
    audio.request_stop();
    audio.join();
    feed.detach();
}

} // namespace
