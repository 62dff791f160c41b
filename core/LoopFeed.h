// SPDX-License-Identifier: ISC
// LoopFeed: what an editor's picture of the loop needs, published by the audio
// thread for one reader on another thread.
//
// The picture is the track reduced to levels: one column per track frame, each
// of kRows bytes on a logarithmic frequency scale, every row the loudest of its
// bins as a level (a tenth of an octave of magnitude a step, 0 for silence);
// beside it the loop's length, the write and read heads, the recorded band, the
// last hop's gate level with the threshold it met, and the sample rate.
//
// The audio thread keeps its own copy of the levels. After each block it
// reduces only the columns that block recorded (the frames the write head
// passed, or none when the one hop since the last block kept its gate shut),
// plus now and then a column of a sweep that catches what no hop announces (a
// track cleared, a head moved from outside during a block); after a reader
// attaches the sweep runs fast until every column was reduced once. It then
// brings the back picture of a triple buffer up to date, copying only the
// columns changed since that picture was last written, and swaps it with the
// middle one. Blocks without a hop publish nothing. The reader takes
// the middle picture when it is newer than its own. Neither side waits, locks
// or allocates; a picture is whole and may lag a block. Without a reader the
// audio thread does nothing beyond one relaxed load per block.
#pragma once

#include "engine/DelayVoc.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

class LoopFeed {
  public:
    static constexpr int32_t kColumns = TDelayVoc::MaxTrackFrames;
    static constexpr int32_t kRows = 128;
    // Level 0 is a magnitude at or below kFloorMagnitude (or not a number);
    // each level above it is a tenth of an octave of magnitude (about 0.6 dB)
    // louder, up to 255 at about 2^11.4.
    static constexpr int32_t kLevelsPerOctave = 10;
    static constexpr float kFloorMagnitude = 1.0f / 16384.0f;

    struct Picture {
        // kColumns columns of kRows levels, column after column; row 0 holds the
        // lowest frequencies.
        std::array<uint8_t, size_t{kColumns} * kRows> levels{};
        int32_t length = TDelayVoc::MaxTrackFrames; // the loop: the first `length` columns
        int32_t writeHead = 0;                      // the frame the next hop records at
        int32_t readHead = 0;                       // the frame the last hop read
        int32_t startBin = 0;                       // the recorded band, [startBin, endBin)
        int32_t endBin = TDelayVoc::BinCount;
        float hopLevel = 0.0f;    // the last hop's input level, as the gate saw it
        float threshold = 0.0f;   // the level a hop must pass to record
        float sampleRate = 0.0f;  // 0 until the engine has a rate
        uint32_t publication = 0; // counts the publications; 0 is none yet

        const uint8_t* column(int32_t frame) const { return levels.data() + frame * kRows; }
    };

    // The bins a row shows, [first, end): rows divide bin 1 (the lowest above
    // 0 Hz) to bin 512 evenly on a logarithmic scale; a row narrower than a bin
    // shows the bin it lies in.
    struct RowBins {
        int32_t first;
        int32_t end;
    };
    static RowBins BinsOfRow(int32_t row);
    // Where a (fractional) bin lies on that scale, in rows: 0 at bin 1, kRows
    // at bin 512.
    static double RowOfBin(double bin);
    static uint8_t LevelOf(float magnitude);

    // Allocates everything (about 0.3 MB) now.
    LoopFeed();
    ~LoopFeed();
    LoopFeed(const LoopFeed&) = delete;
    LoopFeed& operator=(const LoopFeed&) = delete;

    // ---- The reader: one editor at a time, on its own (UI) thread ----
    // The reader's calls change nothing that is published, so they take a
    // const feed; what they do change is the reader's own state.

    // Starts the publication. False when another reader has the feed.
    bool attach() const;
    // Stops it; the audio thread then does no work for the feed.
    void detach() const;
    // The newest picture published; it stays as it is until the reader's next
    // call of latest (or detach).
    const Picture& latest() const;

    // ---- The audio thread ----

    // Whether a reader is attached: one relaxed load.
    bool attached() const { return readerAttached.load(std::memory_order_relaxed); }
    // After a processed block: reduces the columns the block recorded and
    // publishes a picture when a hop ran. `second` is a stereo effect's second engine (each
    // level is then the louder channel's), null for a mono effect. Nothing
    // when no reader is attached.
    void publish(const TDelayVoc& first, const TDelayVoc* second);

    // Any thread: the track changed beyond what hops announce (a reset): every
    // column is reduced again over the next blocks.
    void refreshAll() { refreshRequest.store(true, std::memory_order_relaxed); }

  private:
    static constexpr int32_t kDirtyWords = (kColumns + 63) / 64;
    using ColumnSet = std::array<uint64_t, kDirtyWords>;
    void reduceColumn(const TDelayVoc& first, const TDelayVoc* second, int32_t frame);

    // Audio thread only: its levels, for each slot the columns changed since
    // the slot was last written, and its bookkeeping.
    std::unique_ptr<std::array<uint8_t, size_t{kColumns} * kRows>> levels;
    std::array<ColumnSet, 3> changedSince{};
    std::array<RowBins, kRows> rowBins{};
    uint32_t publications = 0;
    uint32_t hopsSeen = 0;
    int32_t sweepCursor = 0;
    int32_t sweepLeft = 0; // columns left of the fast sweep after an attach
    int32_t back = 0;      // the slot the audio thread writes next

    std::unique_ptr<Picture[]> slots; // three
    // The middle slot's index, with kFresh set when the audio thread put it
    // there after the reader last took one: written by both sides, each
    // exchange handing a slot over (acquire and release).
    static constexpr uint32_t kFresh = 4, kIndexMask = 3;
    mutable std::atomic<uint32_t> middle{1};
    mutable int32_t front = 2; // the reader's slot; reader only

    // Set by the reader, read by the audio thread.
    mutable std::atomic<bool> readerAttached{false};
    mutable std::atomic<bool> refreshRequest{false};
};
