// SPDX-License-Identifier: ISC
// LoopFeed: what an editor's picture of the loop needs, published by the audio
// thread for the editors of one instance, on their (UI) thread.
//
// The picture is the track reduced to levels: one column per track frame, each
// of kRows bytes on a logarithmic frequency scale (16 rows an octave), every
// row the loudest of its bins as a level (a tenth of an octave of magnitude a
// step, 0 for silence);
// beside it the loop's length, the write and read heads, the recorded band, the
// last hop's gate level with the threshold it met, and the sample rate.
//
// The audio thread only copies: after each block in which a hop ran, the
// magnitudes of the frames that block recorded (the frames the write head
// passed, or none when the one hop since the last block kept its gate shut;
// for stereo the louder channel's, bin by bin) go into a ring of recorded
// frames, followed by a small record of the heads, the band and the gate,
// handed over through a triple buffer. The reader reduces the frames the ring
// holds up to that record into its own picture when it asks for the latest.
// A column of a slow sweep catches what no hop announces (a track cleared, a
// head moved from outside during a block); after a reader attaches the sweep
// runs fast until every column was sent once. When the ring is full the
// frames wait, marked, for the next block with room, so a reader that falls
// behind loses nothing but time. Blocks without a hop publish nothing. Neither
// side waits, locks or allocates; a picture is whole and may lag a block.
// Without a reader the audio thread does nothing beyond one relaxed load per
// block.
#pragma once

#include "engine/DelayVoc.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

class LoopFeed {
  public:
    static constexpr int32_t kColumns = TDelayVoc::MaxTrackFrames;
    static constexpr int32_t kRowsPerOctave = 16;
    static constexpr int32_t kOctaves = 9; // bin 1 to bin 512
    static constexpr int32_t kRows = kRowsPerOctave * kOctaves;
    // Level 0 is a magnitude at or below kFloorMagnitude (or not a number);
    // each level above it is a tenth of an octave of magnitude (about 0.6 dB)
    // louder, up to 255 at about 2^11.4.
    static constexpr int32_t kLevelsPerOctave = 10;
    static constexpr float kFloorMagnitude = 1.0f / 16384.0f;

    // What a picture shows beside its levels.
    struct Marks {
        int32_t length = TDelayVoc::MaxTrackFrames; // the loop: the first `length` columns
        int32_t writeHead = 0;                      // the frame the next hop records at
        int32_t readHead = 0;                       // the frame the last hop read
        int32_t startBin = 0;                       // the recorded band, [startBin, endBin)
        int32_t endBin = TDelayVoc::BinCount;
        float hopLevel = 0.0f;    // the last hop's input level, as the gate saw it
        float threshold = 0.0f;   // the level a hop must pass to record
        float sampleRate = 0.0f;  // 0 until the engine has a rate
        uint32_t publication = 0; // counts the publications; 0 is none yet
    };

    struct Picture : Marks {
        // kColumns columns of kRows levels, column after column; row 0 holds the
        // lowest frequencies.
        std::array<uint8_t, size_t{kColumns} * kRows> levels{};

        const uint8_t* column(int32_t frame) const { return levels.data() + frame * kRows; }
    };

    // The bins a row shows, [first, end). Each octave from bin 1 (the lowest
    // above 0 Hz) to bin 512 has 16 rows, which divide it evenly: from bin 16
    // up each row is a whole number of bins wide (1 to 16), and below it a row
    // shows the bin it lies in. The scale is logarithmic at the octaves and
    // linear within each, never more than 1.4 rows from an exact logarithm.
    struct RowBins {
        int32_t first;
        int32_t end;
    };
    static constexpr RowBins BinsOfRow(int32_t row) {
        const int32_t octave = row / kRowsPerOctave, step = row % kRowsPerOctave;
        const int32_t low = 1 << octave; // the octave's first bin
        if (low < kRowsPerOctave) {
            const int32_t bin = low + (step << octave) / kRowsPerOctave;
            return {bin, bin + 1};
        }
        const int32_t width = low / kRowsPerOctave;
        return {low + step * width, low + (step + 1) * width};
    }
    // Where a (fractional) bin lies on that scale, in rows: 0 at bin 1, kRows
    // at bin 512; below bin 1, 0.
    static double RowOfBin(double bin);
    static uint8_t LevelOf(float magnitude);

    // Allocates everything (about 0.2 MB) now.
    LoopFeed();
    ~LoopFeed();
    // The memory a feed holds, itself and what it allocated.
    static constexpr size_t Footprint() {
        return sizeof(LoopFeed) + sizeof(Picture) + sizeof(FrameBits) * kRingFrames;
    }
    LoopFeed(const LoopFeed&) = delete;
    LoopFeed& operator=(const LoopFeed&) = delete;

    // ---- The readers: every editor of the instance, all on one (UI) thread ----
    // The readers share the one reading side (the triple buffer's front slot,
    // the ring's reading end and the picture), which is why they must call
    // from one thread. Their calls change nothing that is
    // published, so they take a const feed; what they do change is the
    // reading side's own state.

    // A reader comes: the publication runs while at least one is attached.
    void attach() const;
    // A reader goes; after the last one the audio thread does no work for
    // the feed.
    void detach() const;
    // The newest picture published, its newly sent frames reduced now; it
    // stays as it is until the next call of latest by any reader.
    const Picture& latest() const;

    // ---- The audio thread ----

    // Whether a reader is attached: one relaxed load.
    bool attached() const { return readers.load(std::memory_order_relaxed) > 0; }
    // After a processed block: when a hop ran, sends the frames the block
    // recorded and publishes the heads. `second` is a stereo effect's
    // second engine (each level is then the louder channel's), null for a
    // mono effect. Nothing when no reader is attached.
    void publish(const TDelayVoc& first, const TDelayVoc* second);

    // Any thread: the track changed beyond what hops announce (a reset): every
    // column is sent again over the next blocks.
    void refreshAll() { refreshRequest.store(true, std::memory_order_relaxed); }

  private:
    static constexpr int32_t kDirtyWords = (kColumns + 63) / 64;
    using ColumnSet = std::array<uint64_t, kDirtyWords>;
    static_assert(kColumns % 64 != 0, "the last word of a column set is partly used");
    // Room for this many recorded frames between two readings.
    static constexpr uint32_t kRingFrames = 64;
    using FrameBits = std::array<int32_t, TDelayVoc::BinCount>;

    // A picture's marks, and how far the ring had come when they were published.
    struct Heads : Marks {
        uint32_t ringEnd = 0; // the frames sent before them
    };

    void send(const TDelayVoc& first, const TDelayVoc* second, int32_t frame);
    void reduce(const FrameBits& bits, int32_t frame) const;

    // Audio thread only: the frames waiting for room in the ring (the ones
    // hops recorded go first), and its bookkeeping.
    ColumnSet recorded{};
    ColumnSet swept{};
    uint32_t sent = 0; // frames put in the ring
    uint32_t publications = 0;
    uint32_t hopsSeen = 0;
    int32_t sweepCursor = 0;
    int32_t back = 0; // the slot of `heads` the audio thread writes next

    // The ring: a frame's index and its magnitudes' bits (those of finite,
    // non-negative floats, so that they order as the magnitudes do). The
    // reader gives slots back by moving `taken` on (release); the audio thread
    // fills a slot only after it saw it given back (acquire).
    std::unique_ptr<FrameBits[]> ringBits;
    std::array<int32_t, kRingFrames> ringFrame{};
    mutable std::atomic<uint32_t> taken{0};

    std::array<Heads, 3> heads{};
    // The middle slot's index, with kFresh set when the audio thread put it
    // there after the reader last took one: written by both sides, each
    // exchange handing a slot over (acquire and release).
    static constexpr uint32_t kFresh = 4, kIndexMask = 3;
    mutable std::atomic<uint32_t> middle{1};
    mutable int32_t front = 2; // the readers' slot; readers only

    // The readers' picture, and the ring frames reduced into it.
    std::unique_ptr<Picture> picture;
    mutable uint32_t reduced = 0;

    // Set by the readers, read by the audio thread.
    mutable std::atomic<int32_t> readers{0};
    mutable std::atomic<bool> refreshRequest{false};
};
