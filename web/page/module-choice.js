// SPDX-License-Identifier: ISC
// Which build of the WebAssembly module this browser runs: the one with 128-bit
// SIMD where the browser accepts a SIMD instruction, the scalar one elsewhere.
// Both render the same samples; the SIMD build is several times faster.

// A module of one function, () -> v128 { i32.const 0; i8x16.splat }: valid
// exactly where the browser has WebAssembly SIMD.
export const kSimdProbe = new Uint8Array([
    0x00, 0x61, 0x73, 0x6d, 0x01, 0x00, 0x00, 0x00,            // "\0asm", version 1
    0x01, 0x05, 0x01, 0x60, 0x00, 0x01, 0x7b,                  // the type () -> v128
    0x03, 0x02, 0x01, 0x00,                                    // one function of that type
    0x0a, 0x08, 0x01, 0x06, 0x00, 0x41, 0x00, 0xfd, 0x0f, 0x0b // its body
]);

export const kSimdModule = 'tapestrum.wasm';
export const kScalarModule = 'tapestrum-nosimd.wasm';

export function moduleForThisBrowser() {
    return WebAssembly.validate(kSimdProbe) ? kSimdModule : kScalarModule;
}

// The chosen module fetched and compiled: its bytes (which the audio worklet
// compiles again) and the compiled module.
export async function loadModule() {
    const name = moduleForThisBrowser();
    const response = await fetch(name);
    if (!response.ok) throw new Error(`${name} could not be loaded (${response.status})`);
    const bytes = await response.arrayBuffer();
    return {bytes, module : await WebAssembly.compile(bytes)};
}
