// SPDX-License-Identifier: ISC
// Reading a fuzzer's input as a stream of small decisions: bytes, words, floats
// and texts. Past the end every read gives zeros, so any input is a complete
// stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

class ByteStream {
  public:
    ByteStream(const uint8_t* data, size_t size) : data(data), size(size) {}

    bool empty() const { return at >= size; }

    uint8_t byte() { return at < size ? data[at++] : 0; }

    uint32_t word() {
        uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8)
            value |= uint32_t{byte()} << shift;
        return value;
    }

    // Mostly small numbers (-8 to 239), the indexes and counts that matter;
    // after a byte of 240 or more, any 32-bit value.
    int32_t integer() {
        const uint8_t first = byte();
        if (first < 240) return int32_t{first} - 8;
        return static_cast<int32_t>(word());
    }

    // Mostly values a host might send, the edge cases among them; after a byte
    // of 32 or more, any float (NaN and infinities included).
    float real() {
        using Limits = std::numeric_limits<float>;
        constexpr float kNaN = Limits::quiet_NaN(), kInf = Limits::infinity();
        constexpr float kMax = Limits::max(), kLowest = Limits::lowest(), kMin = Limits::min();
        constexpr float kThird = 1.0f / 3;
        static constexpr float kTable[] = {
            0.0f,     1.0f,      0.5f,      -0.0f,  0.25f,     0.75f,    1.0000001f, -1.0f,
            2.0f,     1e-45f,    1e-20f,    1e30f,  44100.0f,  48000.0f, 8000.0f,    22050.0f,
            96000.0f, 192000.0f, 384000.0f, kThird, 0.999999f, 0.1f,     0.9f,       -1e-45f,
            kNaN,     kInf,      -kInf,     kMax,   kLowest,   kMin,     1e-38f,     0.01f};
        static_assert(sizeof kTable / sizeof kTable[0] == 32);
        const uint8_t first = byte();
        if (first < 32) return kTable[first];
        const uint32_t bits = word();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // A text of 0 to 255 bytes (zeros within it included).
    std::string text() {
        const size_t length = byte();
        std::string result;
        for (size_t i = 0; i < length && !empty(); ++i)
            result += static_cast<char>(byte());
        return result;
    }

  private:
    const uint8_t* data;
    size_t size;
    size_t at = 0;
};
