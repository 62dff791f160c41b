// SPDX-License-Identifier: ISC
#include "core/LoopFeed.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace {

// The sweep: 40 columns a publication after a reader attaches (the whole
// track in 15), then one every 8 (the whole track in about 30 s).
constexpr int32_t kFillColumns = 40;
constexpr uint32_t kSteadyInterval = 8;

// A magnitude's level from its bits (see LevelOf), in 32-bit integers only so
// that a column's levels are worked out in vector registers; a negative
// number's bits read as a negative integer, below the floor.
uint8_t LevelOfBits(int32_t bits) {
    constexpr int32_t floorBits = std::bit_cast<int32_t>(LoopFeed::kFloorMagnitude);
    const int32_t above = bits > floorBits ? bits - floorBits : 0;
    const int32_t level = ((above >> 13) * LoopFeed::kLevelsPerOctave >> 10) + 1;
    return static_cast<uint8_t>(above == 0 ? 0 : level > 255 ? 255 : level);
}

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
    return LevelOfBits(std::bit_cast<int32_t>(magnitude));
}

LoopFeed::LoopFeed()
    : levels(std::make_unique<std::array<uint8_t, size_t{kColumns} * kRows>>()),
      slots(std::make_unique<Picture[]>(3)) {
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
    return slots[front];
}

// The magnitudes are finite and not negative (the engine records no frame of
// a spectrum that overflowed), so their bits order as the magnitudes do and
// the loudest is found among integers. The louder channel's bits first, then
// each row's loudest, then the levels: three plain loops, two of which the
// compiler turns into vector code.
void LoopFeed::reduceColumn(const TDelayVoc& first, const TDelayVoc* second, int32_t frame) {
    constexpr int32_t bins = TDelayVoc::BinCount;
    const float* a = first.Track().Magnitudes() + size_t(frame) * bins;
    const float* b = second ? second->Track().Magnitudes() + size_t(frame) * bins : a;
    int32_t louder[bins];
    for (int32_t bin = 0; bin < bins; ++bin)
        louder[bin] = std::max(std::bit_cast<int32_t>(a[bin]), std::bit_cast<int32_t>(b[bin]));
    int32_t loudest[kRows];
    for (int32_t row = 0; row < kRows; ++row) {
        int32_t value = louder[rowBins[row].first];
        for (int32_t bin = rowBins[row].first + 1; bin < rowBins[row].end; ++bin)
            value = std::max(value, louder[bin]);
        loudest[row] = value;
    }
    uint8_t reduced[kRows];
    for (int32_t row = 0; row < kRows; ++row)
        reduced[row] = LevelOfBits(loudest[row]);
    uint8_t* column = levels->data() + size_t(frame) * kRows;
    uint8_t differ = 0;
    for (int32_t row = 0; row < kRows; ++row)
        differ |= column[row] ^ reduced[row];
    const bool changed = differ != 0;
    std::memcpy(column, reduced, kRows);
    if (!changed) return;
    for (ColumnSet& set : changedSince)
        set[frame / 64] |= uint64_t{1} << (frame % 64);
}

// The hops since the last publication recorded the frames just behind the write
// head, in the direction it moves (a head moved from outside during the block
// is left to the sweep).
void LoopFeed::publish(const TDelayVoc& first, const TDelayVoc* second) {
    if (!attached()) return;
    const uint32_t hops = first.HopCount();
    if (hops == hopsSeen) return;
    if (refreshRequest.load(std::memory_order_relaxed) &&
        refreshRequest.exchange(false, std::memory_order_relaxed))
        sweepLeft = kColumns;
    const int32_t length = std::clamp(first.TrackLength(), 1, kColumns);
    const int32_t write = first.WriteHead();
    const bool forward = first.Forward();
    const float hopLevel = first.LastHopLevel();
    const float threshold = first.Threshold();
    int32_t recorded = static_cast<int32_t>(std::min<uint32_t>(hops - hopsSeen, length));
    if (recorded == 1 && !(hopLevel > threshold)) recorded = 0;
    hopsSeen = hops;
    int32_t frame = write;
    for (int32_t i = 0; i < recorded; ++i) {
        if (forward)
            frame = frame <= 0 ? length - 1 : frame - 1;
        else
            frame = frame + 1 >= length ? 0 : frame + 1;
        if (frame >= 0 && frame < kColumns) reduceColumn(first, second, frame);
    }
    int32_t sweep = publications % kSteadyInterval == 0 ? 1 : 0;
    if (sweepLeft > 0) {
        sweep = std::min(sweepLeft, kFillColumns);
        sweepLeft -= sweep;
    }
    for (int32_t i = 0; i < sweep; ++i) {
        reduceColumn(first, second, sweepCursor);
        sweepCursor = sweepCursor + 1 == kColumns ? 0 : sweepCursor + 1;
    }

    Picture& p = slots[back];
    ColumnSet& changed = changedSince[back];
    for (int32_t word = 0; word < kDirtyWords; ++word) {
        for (uint64_t bits = changed[word]; bits; bits &= bits - 1) {
            const size_t c = size_t(word) * 64 + std::countr_zero(bits);
            std::memcpy(p.levels.data() + c * kRows, levels->data() + c * kRows, kRows);
        }
        changed[word] = 0;
    }
    p.length = length;
    p.writeHead = write;
    p.readHead = first.Track().ReadHead();
    p.startBin = first.StartBin();
    p.endBin = first.EndBin();
    p.hopLevel = hopLevel;
    p.threshold = threshold;
    p.sampleRate = first.SampleRate();
    p.publication = ++publications;
    back = static_cast<int32_t>(
        middle.exchange(static_cast<uint32_t>(back) | kFresh, std::memory_order_acq_rel) &
        kIndexMask);
}
