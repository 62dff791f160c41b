// SPDX-License-Identifier: ISC
// What both web tests share: the native reference program, the settings they
// render with, and the comparison of two renders.
import {execFileSync} from 'node:child_process';
import {readFileSync} from 'node:fs';
import {join} from 'node:path';

export const site = process.env.TAPESTRUM_SITE;
export const work = process.env.TAPESTRUM_WORK;
const nativeRender = process.env.TAPESTRUM_NATIVE_RENDER;

// Settings as index=value lists, applied in order after the instance starts.
export const renderSettings = [
    [],
    [ [ 0, 0.4 ], [ 9, 0.6 ], [ 10, 1 ], [ 1, 1 ], [ 6, 0.7 ] ],
    [
        [ 6, 0.5 ], [ 3, 0.3 ], [ 4, 0.6 ], [ 5, 0.02 ], [ 7, 0.3 ], [ 2, 0.8 ], [ 8, 0.7 ],
        [ 0, 0.9 ], [ 1, 1 ]
    ],
];

export function native(...args) {
    return execFileSync(nativeRender, args.map(String), {encoding : 'utf8'});
}

export function nativeState(rate, settings) {
    return JSON.parse(native('state', rate, ...settings.map(([ i, v ]) => `${i}=${v}`)));
}

export function nativeRenderOf(rate, signalPath, settings, outPath) {
    const state = JSON.parse(
        native('render', rate, signalPath, outPath, ...settings.map(([ i, v ]) => `${i}=${v}`)));
    return {state, output : readRaw(outPath)};
}

export function readRaw(path) {
    const bytes = readFileSync(path);
    return new Float32Array(bytes.buffer, bytes.byteOffset, bytes.length / 4);
}

export function testSignal() {
    const path = join(work, 'signal.f32');
    native('signal', path);
    return {path, signal : readRaw(path)};
}

// The largest difference as a share of the reference's peak, and how many
// samples are bit-identical.
export function compareRenders(reference, other) {
    if (reference.length !== other.length)
        throw new Error(`lengths ${reference.length} and ${other.length}`);
    let peak = 0;
    let worst = 0;
    let identical = 0;
    for (let i = 0; i < reference.length; ++i) {
        peak = Math.max(peak, Math.abs(reference[i]));
        worst = Math.max(worst, Math.abs(reference[i] - other[i]));
        if (Object.is(reference[i], other[i])) ++identical;
    }
    return {
        peak,
        worst,
        share : peak > 0 ? worst / peak : worst,
        identical,
        samples : reference.length
    };
}

export function describe(comparison) {
    const {samples, identical, worst, share} = comparison;
    return `${samples} samples, ${identical} bit-identical; largest difference ${
               worst.toExponential(3)} ` +
           `(${share.toExponential(3)} of the peak)`;
}
