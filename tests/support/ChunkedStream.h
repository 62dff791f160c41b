// SPDX-License-Identifier: ISC
// A byte stream as hosts hand them to a plug-in's state calls: each call moves
// at most `perCall` bytes; a read starting at `failAt` fails, and a read
// starting at `stallAt` moves nothing yet succeeds (a stream that gives out
// early). Reads and writes answer the bytes moved, or -1 for a failed call.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

struct ChunkedStream {
    static constexpr size_t kNever = std::numeric_limits<size_t>::max();

    std::vector<uint8_t> bytes;
    size_t perCall = kNever;
    size_t failAt = kNever;
    size_t stallAt = kNever;
    size_t position = 0;

    int64_t read(void* buffer, size_t wanted) {
        if (position >= failAt) return -1;
        if (position == stallAt) return 0;
        const size_t left = position < bytes.size() ? bytes.size() - position : 0;
        const size_t moved = std::min({wanted, perCall, left});
        if (moved > 0) std::memcpy(buffer, bytes.data() + position, moved);
        position += moved;
        return static_cast<int64_t>(moved);
    }

    int64_t write(const void* buffer, size_t size) {
        if (position >= failAt) return -1;
        const size_t moved = std::min(size, perCall);
        if (bytes.size() < position + moved) bytes.resize(position + moved);
        if (moved > 0) std::memcpy(bytes.data() + position, buffer, moved);
        position += moved;
        return static_cast<int64_t>(moved);
    }
};
