// SPDX-License-Identifier: ISC
// The WebAssembly module under Node.js, through its exports alone, against the
// native build of the same C interface: both builds of it, with SIMD and
// without.
import assert from 'node:assert/strict';
import {readFileSync} from 'node:fs';
import {join} from 'node:path';
import test from 'node:test';

import {
    compareRenders,
    describe,
    native,
    nativeRenderOf,
    nativeState,
    readRaw,
    renderSettings,
    site,
    testSignal,
    work
} from './common.mjs';
import {kScalarModule, kSimdModule} from '../page/module-choice.js';

const builds = [ kSimdModule, kScalarModule ].map(
    (name) => ({name, module : new WebAssembly.Module(readFileSync(join(site, name)))}));
const [{module}] = builds;

function instance(rate, from = module) {
    const api = new WebAssembly.Instance(from, {}).exports;
    api._initialize();
    const handle = api.tapestrum_new(rate);
    assert.notEqual(handle, 0);
    return {api, handle};
}

function state({api, handle}) {
    const address = api.malloc(64);
    const values = [];
    const texts = [];
    for (let index = 0; index < api.tapestrum_parameter_count(); ++index) {
        values.push(api.tapestrum_get_parameter(handle, index));
        const length = api.tapestrum_parameter_text(handle, index, address, 64);
        texts.push(new TextDecoder().decode(new Uint8Array(api.memory.buffer, address, length)));
    }
    api.free(address);
    return {values, texts};
}

// The native tests' kernel identity checks (tests/support/KernelComparison.h),
// built as the SIMD module is: the vector kernels' conversions and masks run
// on simd128 instructions here, as in a browser.
test('the WebAssembly vector kernels equal the reference bit for bit', () => {
    const path = process.env.TAPESTRUM_KERNEL_CHECKS;
    const checks = new WebAssembly.Instance(new WebAssembly.Module(readFileSync(path)), {}).exports;
    checks._initialize();
    const address = checks.kernel_identity();
    const bytes = new Uint8Array(checks.memory.buffer, address);
    assert.equal(new TextDecoder().decode(bytes.subarray(0, bytes.indexOf(0))), '');
});

// Values go through JSON with 9 digits: back to floats to compare.
const asFloats = ({values, texts}) => ({values : values.map(Math.fround), texts});

test('each module imports nothing and exports the C interface, malloc, free and _initialize', () => {
    const expected = `_initialize free malloc memory tapestrum_apply_preset tapestrum_bin_count
        tapestrum_channels tapestrum_delete tapestrum_get_parameter tapestrum_new
        tapestrum_new_stereo tapestrum_parameter_count tapestrum_parameter_name
        tapestrum_parameter_text tapestrum_preset_count tapestrum_preset_description
        tapestrum_preset_name tapestrum_process tapestrum_process_stereo tapestrum_read_head
        tapestrum_set_parameter tapestrum_track_capacity tapestrum_track_length
        tapestrum_track_magnitudes tapestrum_track_picture tapestrum_write_head`;
    for (const {name, module} of builds) {
        assert.deepEqual(WebAssembly.Module.imports(module), [], name);
        const names = WebAssembly.Module.exports(module).map((e) => e.name).sort();
        assert.deepEqual(names, expected.split(/\s+/), name);
        const {api} = instance(44100, module);
        assert.equal(api.tapestrum_new(0), 0);
        assert.equal(api.tapestrum_new(NaN), 0);
    }
});

// Each build's vector kernels (or scalar path) store the native floats, sample
// for sample.
test('renders in quanta of 128 equal the native render, with SIMD and without', (t) => {
    const {path, signal} = testSignal();
    renderSettings.forEach((settings, n) => builds.forEach(({name, module}) => {
        const reference = nativeRenderOf(44100, path, settings, join(work, `native-${n}.f32`));
        const effect = instance(44100, module);
        const {api, handle} = effect;
        for (const [index, value] of settings)
            api.tapestrum_set_parameter(handle, index, value);
        const input = api.malloc(128 * 4);
        const output = api.malloc(128 * 4);
        const rendered = new Float32Array(signal.length + 1024);
        for (let at = 0; at < rendered.length; at += 128) {
            const frames = Math.min(128, rendered.length - at);
            const block = new Float32Array(api.memory.buffer, input, 128);
            block.fill(0);
            block.set(signal.subarray(at, Math.min(at + frames, signal.length)));
            api.tapestrum_process(handle, input, output, frames);
            rendered.set(new Float32Array(api.memory.buffer, output, frames), at);
        }
        const comparison = compareRenders(reference.output, rendered);
        t.diagnostic(`${name}, settings ${n}: ${describe(comparison)}`);
        assert.ok(comparison.peak > 0.1, 'the render is not silent');
        assert.equal(comparison.identical, comparison.samples, `${name}: ${describe(comparison)}`);
        assert.deepEqual(asFloats(state(effect)), asFloats(reference.state),
                         `${name}, state after settings ${n}`);
    }));
});

test('every parameter reads back and shows the native texts at 44.1 and 48 kHz', () => {
    for (const rate of [44100, 48000]) {
        for (let index = 0; index < 11; ++index) {
            for (const value of [0, 0.001, 0.13, 0.5, 0.77, 1]) {
                // The track length first, so that the delay's and the head's
                // texts follow a shortened loop.
                const settings = [ [ 6, 0.6 ], [ index, value ] ];
                const effect = instance(rate);
                for (const [i, v] of settings)
                    effect.api.tapestrum_set_parameter(effect.handle, i, v);
                assert.deepEqual(asFloats(state(effect)), asFloats(nativeState(rate, settings)),
                                 `${rate} Hz, parameter ${index} at ${value}`);
            }
        }
    }
});

test('the page makes the offline host\'s demo signal, bit for bit', async () => {
    const {synthesiseDemoSignal} = await import('../page/demo-signal.js');
    const path = join(work, 'demo.f32');
    native('demo', path);
    assert.deepEqual(synthesiseDemoSignal(), readRaw(path));
});
