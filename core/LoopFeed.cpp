// SPDX-License-Identifier: ISC
#include "core/LoopFeed.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace {

// Columns reduced per block by the sweep: quickly after a reader attaches (the
// whole track in 15 blocks), then one a block.
constexpr int32_t kFillColumnsPerBlock = 40;
constexpr int32_t kSteadyColumnsPerBlock = 1;

} // namespace

LoopFeed::RowBins LoopFeed::BinsOfRow(int32_t row) {
    constexpr int32_t bins = TDelayVoc::BinCount;
    const double low = std::pow(double{bins}, double(row) / kRows);
    const double high = std::pow(double{bins}, double(row + 1) / kRows);
    const int32_t first = std::min(bins - 1, static_cast<int32_t>(std::floor(low)));
    const int32_t end = std::max(first + 1, std::min(bins, static_cast<int32_t>(std::floor(high))));
    return {first, end};
}

double LoopFeed::RowOfBin(double bin) {
    return kRows * std::log(bin) / std::log(double{TDelayVoc::BinCount});
}

// A float's bits, read as an integer, grow by 2^23 per octave and nearly
// linearly within one: their distance from the floor's bits is the level, in
// steps a tenth of an octave wide, within 0.6 dB of the logarithm.
uint8_t LoopFeed::LevelOf(float magnitude) {
    if (!(magnitude > kFloorMagnitude)) return 0;
    constexpr uint32_t floorBits = std::bit_cast<uint32_t>(kFloorMagnitude);
    const uint64_t above = std::bit_cast<uint32_t>(magnitude) - floorBits;
    const uint64_t steps = (above * kLevelsPerOctave >> 23) + 1;
    return static_cast<uint8_t>(std::min<uint64_t>(steps, 255));
}

LoopFeed::LoopFeed()
    : levels(std::make_unique<std::array<uint8_t, size_t{kColumns} * kRows>>()),
      slots(std::make_unique<Slot[]>(3)) {
    levels->fill(0);
    for (int32_t row = 0; row < kRows; ++row)
        rowBins[row] = BinsOfRow(row);
}

LoopFeed::~LoopFeed() = default;

bool LoopFeed::attach() const {
    bool expected = false;
    if (!readerAttached.compare_exchange_strong(expected, true, std::memory_order_relaxed))
        return false;
    refreshRequest.store(true, std::memory_order_relaxed);
    return true;
}

void LoopFeed::detach() const { readerAttached.store(false, std::memory_order_relaxed); }

const LoopFeed::Picture& LoopFeed::latest() const {
    if (middle.load(std::memory_order_relaxed) & kFresh)
        front = static_cast<int32_t>(
            middle.exchange(static_cast<uint32_t>(front), std::memory_order_acq_rel) & kIndexMask);
    return slots[front].picture;
}

void LoopFeed::reduceColumn(const TDelayVoc& first, const TDelayVoc* second, int32_t frame) {
    constexpr int32_t bins = TDelayVoc::BinCount;
    const float* a = first.Track().Magnitudes() + size_t(frame) * bins;
    const float* b = second ? second->Track().Magnitudes() + size_t(frame) * bins : a;
    uint8_t* column = levels->data() + size_t(frame) * kRows;
    bool changed = false;
    for (int32_t row = 0; row < kRows; ++row) {
        float loudest = 0.0f;
        for (int32_t bin = rowBins[row].first; bin < rowBins[row].end; ++bin)
            loudest = std::max(loudest, std::max(a[bin], b[bin]));
        const uint8_t level = LevelOf(loudest);
        changed |= column[row] != level;
        column[row] = level;
    }
    if (changed) columnVersions[frame] = publications + 1;
}

// The hops since the last publication recorded the frames just behind the write
// head, in the direction it moves (a head moved from outside meanwhile is left
// to the sweep).
void LoopFeed::publish(const TDelayVoc& first, const TDelayVoc* second) {
    if (!attached()) return;
    if (refreshRequest.exchange(false, std::memory_order_relaxed)) sweepLeft = kColumns;
    const int32_t length = std::clamp(first.TrackLength(), 1, kColumns);
    const int32_t write = first.WriteHead();
    const bool forward = first.Forward();
    const uint32_t hops = first.HopCount();
    const auto recorded = static_cast<int32_t>(std::min<uint32_t>(hops - hopsSeen, length));
    hopsSeen = hops;
    int32_t frame = write;
    for (int32_t i = 0; i < recorded; ++i) {
        if (forward)
            frame = frame <= 0 ? length - 1 : frame - 1;
        else
            frame = frame + 1 >= length ? 0 : frame + 1;
        if (frame >= 0 && frame < kColumns) reduceColumn(first, second, frame);
    }
    const int32_t sweep =
        sweepLeft > 0 ? std::min(sweepLeft, kFillColumnsPerBlock) : kSteadyColumnsPerBlock;
    sweepLeft -= std::min(sweepLeft, sweep);
    for (int32_t i = 0; i < sweep; ++i) {
        reduceColumn(first, second, sweepCursor);
        sweepCursor = sweepCursor + 1 == kColumns ? 0 : sweepCursor + 1;
    }

    ++publications;
    Slot& slot = slots[back];
    for (int32_t c = 0; c < kColumns; ++c) {
        if (slot.columnVersions[c] == columnVersions[c]) continue;
        std::memcpy(slot.picture.levels.data() + size_t(c) * kRows,
                    levels->data() + size_t(c) * kRows, kRows);
        slot.columnVersions[c] = columnVersions[c];
    }
    Picture& p = slot.picture;
    p.length = length;
    p.writeHead = write;
    p.readHead = first.Track().ReadHead();
    p.startBin = first.StartBin();
    p.endBin = first.EndBin();
    p.hopLevel = first.LastHopLevel();
    p.threshold = first.Threshold();
    p.sampleRate = first.SampleRate();
    p.publication = publications;
    back = static_cast<int32_t>(
        middle.exchange(static_cast<uint32_t>(back) | kFresh, std::memory_order_acq_rel) &
        kIndexMask);
}
