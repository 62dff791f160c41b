// SPDX-License-Identifier: ISC
#include "core/LoopFeed.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace {

// The sweep: 20 columns a publication after a reader attaches (the whole
// track in 30, 0.17 s at 44.1 kHz), then one every 8 (the whole track in
// about 30 s).
constexpr int32_t kFillColumns = 20;
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

// The bin each row below bin 16 shows.
constexpr auto kNarrowBins = [] {
    std::array<int32_t, 4 * LoopFeed::kRowsPerOctave> narrow{};
    for (int32_t row = 0; row < int32_t(narrow.size()); ++row)
        narrow[row] = LoopFeed::BinsOfRow(row).first;
    return narrow;
}();

} // namespace

double LoopFeed::RowOfBin(double bin) {
    if (!(bin > 1.0)) return 0.0;
    const int octave = std::ilogb(bin);
    return kRowsPerOctave * (octave + (std::ldexp(bin, -octave) - 1.0));
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
}

LoopFeed::~LoopFeed() = default;

void LoopFeed::attach() const {
    readers.fetch_add(1, std::memory_order_relaxed);
    refreshRequest.store(true, std::memory_order_relaxed);
}

void LoopFeed::detach() const { readers.fetch_sub(1, std::memory_order_relaxed); }

const LoopFeed::Picture& LoopFeed::latest() const {
    if (middle.load(std::memory_order_relaxed) & kFresh)
        front = static_cast<int32_t>(
            middle.exchange(static_cast<uint32_t>(front), std::memory_order_acq_rel) & kIndexMask);
    return slots[front];
}

// The magnitudes are finite and not negative (the engine records no frame of
// a spectrum that overflowed), so their bits order as the magnitudes do and
// the loudest is found among integers. The rows of the octaves from bin 16 up
// are 1, 2, 4, 8 and 16 bins wide and start at multiples of their width, so
// halving the column again and again (each value the louder of two
// neighbours) leaves an octave's 16 rows side by side after as many halvings
// as its rows have bins beyond one; the rows below bin 16 each take one bin.
// Plain loops over fixed counts, which the compiler turns into vector code.
void LoopFeed::reduceColumn(const TDelayVoc& first, const TDelayVoc* second, int32_t frame) {
    constexpr int32_t bins = TDelayVoc::BinCount;
    constexpr int32_t kNarrowRows = 4 * kRowsPerOctave; // bins 1 to 15
    static_assert(bins == 1 << kOctaves && kRowsPerOctave == 16);
    const float* a = first.Track().Magnitudes() + size_t(frame) * bins;
    const float* b = second ? second->Track().Magnitudes() + size_t(frame) * bins : a;
    // Two arrays taking turns, so that each halving reads one and writes the other.
    int32_t halves[2][bins];
    int32_t* halved = halves[0];
    for (int32_t bin = 0; bin < bins; ++bin)
        halved[bin] = std::max(std::bit_cast<int32_t>(a[bin]), std::bit_cast<int32_t>(b[bin]));
    int32_t loudest[kRows];
    for (int32_t row = 0; row < kNarrowRows; ++row)
        loudest[row] = halved[kNarrowBins[row]];
    int32_t count = bins;
    for (int32_t row = kNarrowRows; row < kRows; row += kRowsPerOctave) {
        std::copy_n(halved + kRowsPerOctave, kRowsPerOctave, loudest + row);
        int32_t* const next = halved == halves[0] ? halves[1] : halves[0];
        count /= 2;
        for (int32_t i = 0; i < count; ++i)
            next[i] = std::max(halved[2 * i], halved[2 * i + 1]);
        halved = next;
    }
    // Written without comparing: reading the old levels back would cost more
    // (they are rarely in the cache) than copying a column that did not change.
    uint8_t* column = levels->data() + size_t(frame) * kRows;
    for (int32_t row = 0; row < kRows; ++row)
        column[row] = LevelOfBits(loudest[row]);
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
    // After an attach (or a reset) the sweep reduces every column anew, so the
    // hops run while nobody read are not counted: that could be a whole track
    // of columns in one block.
    if (refreshRequest.load(std::memory_order_relaxed) &&
        refreshRequest.exchange(false, std::memory_order_relaxed)) {
        sweepLeft = kColumns;
        hopsSeen = hops;
    }
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
