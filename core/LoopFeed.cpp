// SPDX-License-Identifier: ISC
#include "core/LoopFeed.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace {

// The sweep: up to 16 columns a publication after a reader attaches, as the
// ring has room (the whole track in about 40 publications when the reader
// keeps up), then one every 8 (the whole track in about 30 s).
constexpr int32_t kFillColumns = 16;
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
    : ringBits(std::make_unique<FrameBits[]>(kRingFrames)), picture(std::make_unique<Picture>()) {}

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
    const Heads& h = heads[front];
    // The frames sent before these heads were published; each is the newest
    // state of its column when it was sent, so the last one sent wins.
    if (reduced != h.ringEnd) {
        for (; reduced != h.ringEnd; ++reduced) {
            const uint32_t slot = reduced % kRingFrames;
            reduce(ringBits[slot], ringFrame[slot]);
        }
        taken.store(reduced, std::memory_order_release);
    }
    Picture& p = *picture;
    static_cast<Marks&>(p) = h;
    return p;
}

// The rows of the octaves from bin 16 up are 1, 2, 4, 8 and 16 bins wide and
// start at multiples of their width, so halving the column again and again
// (each value the louder of two neighbours) leaves an octave's 16 rows side by
// side after as many halvings as its rows have bins beyond one; the rows below
// bin 16 each take one bin. Plain loops over fixed counts, which the compiler
// turns into vector code.
void LoopFeed::reduce(const FrameBits& bits, int32_t frame) const {
    constexpr int32_t bins = TDelayVoc::BinCount;
    constexpr int32_t kNarrowRows = 4 * kRowsPerOctave; // bins 1 to 15
    static_assert(bins == 1 << kOctaves && kRowsPerOctave == 16);
    // After the first halving, two arrays take turns, so that each halving
    // reads one and writes the other.
    int32_t halves[2][bins / 2];
    const int32_t* halved = bits.data();
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
    uint8_t* column = picture->levels.data() + size_t(frame) * kRows;
    for (int32_t row = 0; row < kRows; ++row)
        column[row] = LevelOfBits(loudest[row]);
}

// The magnitudes are finite and not negative (the engine records no frame of
// a spectrum that overflowed), so their bits order as the magnitudes do and
// the louder channel is found among integers.
void LoopFeed::send(const TDelayVoc& first, const TDelayVoc* second, int32_t frame) {
    constexpr int32_t bins = TDelayVoc::BinCount;
    const uint32_t slot = sent % kRingFrames;
    const float* a = first.Track().Magnitudes() + size_t(frame) * bins;
    int32_t* to = ringBits[slot].data();
    if (second) {
        const float* b = second->Track().Magnitudes() + size_t(frame) * bins;
        for (int32_t bin = 0; bin < bins; ++bin)
            to[bin] = std::max(std::bit_cast<int32_t>(a[bin]), std::bit_cast<int32_t>(b[bin]));
    } else {
        std::memcpy(to, a, sizeof(FrameBits));
    }
    ringFrame[slot] = frame;
    ++sent;
}

// The hops since the last publication recorded the frames just behind the write
// head, in the direction it moves (a head moved from outside during the block
// is left to the sweep).
void LoopFeed::publish(const TDelayVoc& first, const TDelayVoc* second) {
    if (!attached()) return;
    const uint32_t hops = first.HopCount();
    if (hops == hopsSeen) return;
    // After an attach (or a reset) every column is sent anew, so the hops run
    // while nobody read are not counted: that could be a whole track of
    // frames in one block.
    if (refreshRequest.load(std::memory_order_relaxed) &&
        refreshRequest.exchange(false, std::memory_order_relaxed)) {
        recorded.fill(0);
        swept.fill(~uint64_t{0});
        swept.back() = (uint64_t{1} << (kColumns % 64)) - 1;
        hopsSeen = hops;
    }
    const int32_t length = std::clamp(first.TrackLength(), 1, kColumns);
    const int32_t write = first.WriteHead();
    const bool forward = first.Forward();
    const float hopLevel = first.LastHopLevel();
    const float threshold = first.Threshold();
    int32_t count = static_cast<int32_t>(std::min<uint32_t>(hops - hopsSeen, length));
    if (count == 1 && !(hopLevel > threshold)) count = 0;
    hopsSeen = hops;
    int32_t frame = write;
    for (int32_t i = 0; i < count; ++i) {
        if (forward)
            frame = frame <= 0 ? length - 1 : frame - 1;
        else
            frame = frame + 1 >= length ? 0 : frame + 1;
        if (frame >= 0 && frame < kColumns) recorded[frame / 64] |= uint64_t{1} << (frame % 64);
    }
    if (publications % kSteadyInterval == 0) {
        swept[sweepCursor / 64] |= uint64_t{1} << (sweepCursor % 64);
        sweepCursor = sweepCursor + 1 == kColumns ? 0 : sweepCursor + 1;
    }

    // The recorded frames first, then the sweep's, as far as the ring has room.
    uint32_t room = kRingFrames - (sent - taken.load(std::memory_order_acquire));
    const auto sendFrom = [&](ColumnSet& waiting, uint32_t most) {
        for (int32_t word = 0; word < kDirtyWords && most > 0; ++word)
            for (uint64_t& bits = waiting[word]; bits && most > 0; bits &= bits - 1, --most, --room)
                send(first, second, word * 64 + std::countr_zero(bits));
    };
    sendFrom(recorded, room);
    sendFrom(swept, std::min<uint32_t>(room, kFillColumns));

    Heads& h = heads[back];
    h.length = length;
    h.writeHead = write;
    h.readHead = first.Track().ReadHead();
    h.startBin = first.StartBin();
    h.endBin = first.EndBin();
    h.hopLevel = hopLevel;
    h.threshold = threshold;
    h.sampleRate = first.SampleRate();
    h.publication = ++publications;
    h.ringEnd = sent;
    back = static_cast<int32_t>(
        middle.exchange(static_cast<uint32_t>(back) | kFresh, std::memory_order_acq_rel) &
        kIndexMask);
}
