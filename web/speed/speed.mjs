// SPDX-License-Identifier: ISC
// The WebAssembly side of scripts/web-speed.sh: a module of the site, timed
// under Node.js as NativeSpeed.cpp times the native build (128-frame blocks,
// 44.1 kHz, every hop recorded). Prints the best of several passes in
// nanoseconds of processor time per block (the process's, whose other threads
// are idle once the module is compiled), which a busy machine disturbs less
// than the time on the clock.
//   node speed.mjs MODULE.wasm [SECONDS] [PASSES]
import {readFileSync} from 'node:fs';

const kBlock = 128;
const kRate = 44100;
const [path, seconds = '10', passes = '5'] = process.argv.slice(2);

const module = new WebAssembly.Module(readFileSync(path));
const api = new WebAssembly.Instance(module, {}).exports;
api._initialize();
const effect = api.tapestrum_new(kRate);
api.tapestrum_set_parameter(effect, 5, 0);
api.tapestrum_set_parameter(effect, 0, 0.3);
api.tapestrum_set_parameter(effect, 9, 0.5);

// The same noise as NativeSpeed.cpp.
const blocks = Math.floor((Number(seconds) * kRate) / kBlock);
const signal = new Float32Array(blocks * kBlock);
let x = 1;
for (let i = 0; i < signal.length; ++i) {
    x = (Math.imul(x, 1664525) + 1013904223) >>> 0;
    signal[i] = (x >>> 8) / 16777216 - 0.5;
}

// The worklet's way: views on the module's memory made once, each block
// copied in, processed, and copied out.
const blockOf =
    Array.from({length : blocks}, (_, b) => signal.subarray(b * kBlock, (b + 1) * kBlock));
const input = new Float32Array(api.memory.buffer, api.malloc(kBlock * 4), kBlock);
const output = new Float32Array(api.memory.buffer, api.malloc(kBlock * 4), kBlock);
const out = new Float32Array(kBlock);
let best = Infinity;
for (let pass = 0; pass < Number(passes); ++pass) {
    const start = process.cpuUsage();
    for (let b = 0; b < blocks; ++b) {
        input.set(blockOf[b]);
        api.tapestrum_process(effect, input.byteOffset, output.byteOffset, kBlock);
        out.set(output);
    }
    const {user, system} = process.cpuUsage(start);
    best = Math.min(best, ((user + system) * 1000) / blocks);
}
console.log(best.toFixed(1));
