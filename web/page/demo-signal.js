// SPDX-License-Identifier: ISC
// The offline host's demo signal (tools/Demo.cpp), six seconds at 44.1 kHz: a
// chord, a melody of eight notes and three bursts of noise, made the same way
// (the same Mersenne Twister stream and float arithmetic for the noise).

export const kDemoRate = 44100;

function addNote(signal, start, length, frequency, amplitude) {
    const first = Math.floor(start * kDemoRate);
    const count = Math.floor(length * kDemoRate);
    const ramp = 0.01 * kDemoRate;
    for (let i = 0; i < count && first + i < signal.length; ++i) {
        const envelope = Math.min(1, i / ramp, (count - i) / ramp);
        const value =
            Math.fround(amplitude * envelope * Math.sin((2 * Math.PI * frequency * i) / kDemoRate));
        signal[first + i] = Math.fround(signal[first + i] + value);
    }
}

// The 32-bit Mersenne Twister (MT19937).
function mersenneTwister(seed) {
    const state = new Uint32Array(624);
    state[0] = seed >>> 0;
    for (let i = 1; i < 624; ++i) {
        const previous = state[i - 1] ^ (state[i - 1] >>> 30);
        state[i] = (Math.imul(1812433253, previous) + i) >>> 0;
    }
    let index = 624;
    return () => {
        if (index >= 624) {
            for (let i = 0; i < 624; ++i) {
                const y = (state[i] & 0x80000000) | (state[(i + 1) % 624] & 0x7fffffff);
                state[i] = state[(i + 397) % 624] ^ (y >>> 1) ^ (y & 1 ? 0x9908b0df : 0);
            }
            index = 0;
        }
        let y = state[index++];
        y ^= y >>> 11;
        y ^= (y << 7) & 0x9d2c5680;
        y ^= (y << 15) & 0xefc60000;
        y ^= y >>> 18;
        return y >>> 0;
    };
}

export function synthesiseDemoSignal() {
    const signal = new Float32Array(Math.floor(6.0 * kDemoRate));
    for (const frequency of [220.0, 277.18, 329.63, 440.0])
        addNote(signal, 0.0, 1.5, frequency, 0.12);
    const melody = [ 523.25, 587.33, 659.26, 783.99, 659.26, 587.33, 523.25, 392.0 ];
    melody.forEach((frequency, i) => addNote(signal, 1.8 + i * 0.25, 0.22, frequency, 0.3));
    // A uniform float in -0.25 .. 0.25 from one 32-bit draw, as the C++
    // library makes it.
    const random = mersenneTwister(2004);
    const uniform = () => {
        let unit = Math.fround(Math.fround(random()) / 4294967296);
        if (unit >= 1) unit = Math.fround(1 - 2 ** -24);
        return Math.fround(Math.fround(unit * 0.5) - 0.25);
    };
    for (let burst = 0; burst < 3; ++burst) {
        const start = Math.floor((4.2 + burst * 0.5) * kDemoRate);
        for (let i = 0; i < Math.floor(0.2 * kDemoRate); ++i)
            signal[start + i] = uniform();
    }
    return signal;
}
