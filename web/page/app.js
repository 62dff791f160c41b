// SPDX-License-Identifier: ISC
// The page: the controls, the sound source, the live and offline renders and
// the pictures. The effect itself runs in worklet.js; this thread keeps an
// instance of its own only to show names and texts while nothing plays.
import {kDemoRate, synthesiseDemoSignal} from './demo-signal.js';
import {downloadName} from './download-name.js';
import {loadModule} from './module-choice.js';

const kRate = kDemoRate; // everything runs at 44.1 kHz: files are decoded to it
const kTail = 1024;      // the wet signal's lag, rendered after the input ends
const kTextBytes = 64;
const kPresetTextBytes = 512; // the longest preset description is about 110 characters
const kTrackRefreshMs = 80;
const kHeadPosition = 7; // the control that follows the write head while it plays
const kRecStartFreq = 3;
const kRecEndFreq = 4;
const kThreshold = 5;

const $ = (id) => document.getElementById(id);

function showMessage(text) {
    const box = $('message');
    box.textContent = text;
    box.hidden = false;
}

function clearMessage() { $('message').hidden = true; }

function setStatus(text) { $('status').textContent = text; }

window.addEventListener('error', (event) => showMessage(`Script error: ${event.message}`));
window.addEventListener(
    'unhandledrejection',
    (event) => showMessage(
        `Error: ${event.reason && event.reason.message ? event.reason.message : event.reason}`));

// What the page needs from the browser, as a list of what is missing.
function missingFeatures() {
    const missing = [];
    if (typeof WebAssembly !== 'object') missing.push('WebAssembly');
    if (typeof AudioWorkletNode !== 'function') missing.push('AudioWorklet');
    if (typeof OfflineAudioContext !== 'function') missing.push('OfflineAudioContext');
    if (!window.isSecureContext)
        missing.push('a secure context (open the page from http://127.0.0.1 or http://localhost)');
    return missing;
}

// An instance of the module on this thread, through the C interface.
class Effect {
    constructor(module, rate) {
        this.api = new WebAssembly.Instance(module, {}).exports;
        this.api._initialize();
        this.handle = this.api.tapestrum_new(rate);
        if (!this.handle) throw new Error(`the effect cannot run at ${rate} Hz`);
        this.textAddress = this.api.malloc(kTextBytes);
        this.count = this.api.tapestrum_parameter_count();
    }

    string(address, length) {
        const memory = new Uint8Array(this.api.memory.buffer);
        let end = address;
        while (memory[end] !== 0 && end - address < length)
            ++end;
        return new TextDecoder().decode(memory.slice(address, end));
    }

    name(index) { return this.string(this.api.tapestrum_parameter_name(index), kTextBytes); }

    text(index) {
        this.api.tapestrum_parameter_text(this.handle, index, this.textAddress, kTextBytes);
        return this.string(this.textAddress, kTextBytes);
    }

    value(index) { return this.api.tapestrum_get_parameter(this.handle, index); }

    set(index, value) { this.api.tapestrum_set_parameter(this.handle, index, value); }

    presetCount() { return this.api.tapestrum_preset_count(); }

    presetName(preset) {
        return this.string(this.api.tapestrum_preset_name(preset), kPresetTextBytes);
    }

    presetDescription(preset) {
        return this.string(this.api.tapestrum_preset_description(preset), kPresetTextBytes);
    }

    applyPreset(preset) { this.api.tapestrum_apply_preset(this.handle, preset); }
}

const page = {
    wasmBytes : null,
    module : null,
    panel : null, // the Effect on this thread
    values : [],  // what the controls are set to, 0 to 1
    // The preset last chosen (null: none since the page started), and whether a
    // control has moved since.
    preset : {index : null, edited : false},
    live : null, // { context, node, source, analysers } while playing
    context : null,
    workletLoaded : false,
    trackBuffer : null, // lent to the worklet while it fills it
    lastTrackRequest : 0,
    demo : null,
    file : null,           // { name, channels: [Float32Array, ...], note }
    shown : [],            // the texts the controls show
    draggedControl : null, // the index of the control under the pointer
    lastTrack : null,      // the last picture's head positions and length
};

// ---- the controls ----------------------------------------------------------

function buildControls() {
    const box = $('controls');
    for (let index = 0; index < page.panel.count; ++index) {
        const row = document.createElement('div');
        row.className = 'control';
        const id = `control-${index}`;
        const label = document.createElement('label');
        label.htmlFor = id;
        label.textContent = page.panel.name(index);
        const slider = document.createElement('input');
        Object.assign(slider, {type : 'range', id, min : 0, max : 1, step : 0.001});
        slider.value = page.values[index];
        slider.addEventListener('input', () => changeControl(index, Number(slider.value)));
        slider.addEventListener('pointerdown', () => { page.draggedControl = index; });
        slider.addEventListener('pointerup', () => { page.draggedControl = null; });
        const output = document.createElement('output');
        output.id = `text-${index}`;
        output.htmlFor = id;
        row.append(label, slider, output);
        box.append(row);
    }
    showPanelTexts();
}

function showText(index, value, text) {
    const output = $(`text-${index}`);
    output.textContent = text;
    output.dataset.value = String(value);
    page.shown[index] = text;
}

function showPanelTexts() {
    for (let index = 0; index < page.panel.count; ++index)
        showText(index, page.panel.value(index), page.panel.text(index));
}

function changeControl(index, value) {
    page.values[index] = value;
    page.panel.set(index, value);
    if (!page.preset.edited) {
        page.preset.edited = true;
        showPreset();
    }
    if (page.live) {
        page.live.node.port.postMessage({type : 'set', index, value});
    } else {
        showPanelTexts();
        redrawTrack();
    }
}

// ---- the presets -----------------------------------------------------------

// The selector's first option is never offered in the list: it stands for
// settings that are no preset (the defaults, or a preset with a control moved
// since).
function buildPresets() {
    const select = $('preset');
    const other = document.createElement('option');
    Object.assign(other, {value : '', hidden : true});
    select.append(other);
    for (let preset = 0; preset < page.panel.presetCount(); ++preset) {
        const option = document.createElement('option');
        option.value = String(preset);
        option.textContent = page.panel.presetName(preset);
        select.append(option);
    }
    select.addEventListener('change', () => {
        if (select.value !== '') choosePreset(Number(select.value));
    });
    select.disabled = false;
    showPreset();
}

function showPreset() {
    const select = $('preset');
    const {index, edited} = page.preset;
    const name = index === null ? '' : page.panel.presetName(index);
    if (index !== null && !edited) {
        select.value = String(index);
    } else {
        select.options[0].textContent =
            index === null ? (edited ? '(edited)' : '(the defaults)') : `${name} (edited)`;
        select.value = '';
    }
    $('preset-description').textContent =
        index === null ? (edited ? 'No preset: the controls as you set them.'
                                 : 'No preset: every control at its default. Choose one here.')
                       : page.panel.presetDescription(index);
}

// Moves every control, and the effect playing live, to the preset's values,
// set in index order as a host loads a program.
function choosePreset(preset) {
    page.panel.applyPreset(preset);
    for (let index = 0; index < page.panel.count; ++index) {
        page.values[index] = page.panel.value(index);
        $(`control-${index}`).value = page.values[index];
    }
    page.preset = {index : preset, edited : false};
    showPreset();
    if (page.live) {
        page.live.node.port.postMessage({type : 'preset', preset});
    } else {
        showPanelTexts();
        redrawTrack();
    }
}

// ---- the sound source ------------------------------------------------------

async function decodeFile(file) {
    const bytes = await file.arrayBuffer();
    let audio;
    try {
        audio = await new OfflineAudioContext(1, 1, kRate).decodeAudioData(bytes);
    } catch (error) {
        throw new Error(
            `"${file.name}" cannot be read as audio by this browser (${error.message || error})`);
    }
    if (audio.length === 0) throw new Error(`"${file.name}" holds no audio`);
    // A mono file runs mono, any other through one stereo instance: its first
    // two channels.
    const count = Math.min(audio.numberOfChannels, 2);
    const channels = [];
    for (let channel = 0; channel < count; ++channel)
        channels.push(audio.getChannelData(channel));
    const note = audio.numberOfChannels > 2
                     ? ` (the first two of its ${audio.numberOfChannels} channels)`
                     : '';
    return {name : file.name, channels, note};
}

function usesFile() {
    return document.querySelector('input[name=source]:checked').value === 'file';
}

function chosenSource() {
    if (!usesFile()) {
        if (!page.demo) page.demo = synthesiseDemoSignal();
        return {name : 'tapestrum-demo', channels : [ page.demo ], note : ''};
    }
    if (!page.file) throw new Error('Choose a sound file first (or the demo signal).');
    return page.file;
}

// A file that cannot be read leaves the file input empty and the demo signal
// chosen, so that Play plays it.
async function readChosenFile() {
    const input = $('file');
    const file = input.files[0];
    page.file = null;
    if (!file) return showSourceMode();
    const choose = (source) => {
        document.querySelector(`input[name=source][value=${source}]`).checked = true;
        showSourceMode();
    };
    choose('file');
    setStatus(`Reading "${file.name}"…`);
    clearMessage();
    try {
        page.file = await decodeFile(file);
    } catch (error) {
        input.value = '';
        choose('demo');
        throw new Error(`${error.message}. Choose another file, or play the demo signal.`);
    }
    showSourceMode();
    setStatus(`"${file.name}": ${(page.file.channels[0].length / kRate).toFixed(2)} s ${
        channelWords(page.file.channels)} at ${kRate} Hz.`);
}

const channelWords = (channels) => (channels.length === 2 ? 'in stereo' : 'in mono');

// Says which sound plays, and whether in mono or in stereo.
function showSourceMode() {
    const file = page.file;
    let text = 'The demo signal runs in mono.';
    if (usesFile() && !file) {
        text = 'No file chosen yet.';
    } else if (usesFile()) {
        text = `"${file.name}" runs ${channelWords(file.channels)}${file.note}`;
        if (file.channels.length === 2)
            text += ': one stereo instance, whose gate both channels open';
        text += '.';
    }
    $('source-mode').textContent = text;
}

// What the controls are set to, in words: the preset's name, with a mark when
// a control has moved since.
function settingName() {
    const {index, edited} = page.preset;
    if (index === null) return edited ? 'edited' : 'defaults';
    const name = page.panel.presetName(index);
    return edited ? `${name} (edited)` : name;
}

// ---- the effect in an audio context ----------------------------------------

function makeEffectNode(context, values, channels, onMessage) {
    const node = new AudioWorkletNode(context, 'tapestrum', {
        numberOfInputs : 1,
        numberOfOutputs : 1,
        outputChannelCount : [ channels ],
        channelCount : channels,
        channelCountMode : 'explicit',
        channelInterpretation : 'speakers',
        processorOptions : {wasm : page.wasmBytes, values, channels},
    });
    node.port.onmessage = (event) => onMessage(event.data);
    node.onprocessorerror = () =>
        showMessage('The effect stopped with an error in the audio thread.');
    return node;
}

// A buffer of the context's holding the channels.
function audioBuffer(context, channels) {
    const buffer = context.createBuffer(channels.length, channels[0].length, kRate);
    channels.forEach((signal, channel) => buffer.copyToChannel(signal, channel));
    return buffer;
}

// The whole signal, then the tail, through the worklet in an offline context:
// each channel's output.
async function renderOffline(channels, values) {
    const length = channels[0].length;
    const context = new OfflineAudioContext(channels.length, length + kTail, kRate);
    await context.audioWorklet.addModule('worklet.js');
    let failure = null;
    const node = makeEffectNode(context, values, channels.length, (message) => {
        if (message.type === 'error') failure = new Error(`The effect failed: ${message.message}`);
    });
    // A render whose effect stopped is not one to save.
    node.onprocessorerror =
        () => { failure = new Error('The effect stopped with an error in the audio thread.'); };
    const source = context.createBufferSource();
    source.buffer = audioBuffer(context, channels);
    source.connect(node).connect(context.destination);
    source.start(0);
    const rendered = await context.startRendering();
    if (failure) throw failure;
    return channels.map((_, channel) => rendered.getChannelData(channel));
}

// A 32-bit float WAV file of the channels, interleaved.
function wavFile(channels, rate) {
    const count = channels.length;
    const frames = channels[0].length;
    const dataBytes = frames * count * 4;
    const view = new DataView(new ArrayBuffer(58 + dataBytes));
    const tag = (at, text) => [...text].forEach((c, i) => view.setUint8(at + i, c.charCodeAt(0)));
    tag(0, 'RIFF');
    view.setUint32(4, 50 + dataBytes, true);
    tag(8, 'WAVE');
    tag(12, 'fmt ');
    view.setUint32(16, 18, true);
    view.setUint16(20, 3, true); // IEEE float
    view.setUint16(22, count, true);
    view.setUint32(24, rate, true);
    view.setUint32(28, rate * 4 * count, true);
    view.setUint16(32, 4 * count, true);
    view.setUint16(34, 32, true);
    view.setUint16(36, 0, true);
    tag(38, 'fact');
    view.setUint32(42, 4, true);
    view.setUint32(46, frames, true);
    tag(50, 'data');
    view.setUint32(54, dataBytes, true);
    channels.forEach(
        (samples, channel) => samples.forEach(
            (sample, i) => view.setFloat32(58 + 4 * (i * count + channel), sample, true)));
    return new Blob([ view.buffer ], {type : 'audio/wav'});
}

async function renderAndDownload() {
    clearMessage();
    const source = chosenSource();
    const name = downloadName(source.name, settingName());
    setStatus(`Rendering ${(source.channels[0].length / kRate).toFixed(1)} s offline ${
        channelWords(source.channels)}…`);
    const started = performance.now();
    const output = await renderOffline(source.channels, page.values.slice());
    const took = performance.now() - started;
    drawStaticSpectrogram($('input-spectrogram'), source.channels);
    drawStaticSpectrogram($('output-spectrogram'), output);
    const link = document.createElement('a');
    link.href = URL.createObjectURL(wavFile(output, kRate));
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
    setStatus(`Rendered ${(output[0].length / kRate).toFixed(2)} s ${channelWords(output)} in ${
        took.toFixed(0)} ms: ${link.download}`);
}

async function audioContext() {
    if (!page.context) {
        try {
            page.context = new AudioContext({sampleRate : kRate, latencyHint : 'playback'});
        } catch {
            page.context = new AudioContext({latencyHint : 'playback'});
        }
    }
    if (!page.workletLoaded) {
        await page.context.audioWorklet.addModule('worklet.js');
        page.workletLoaded = true;
    }
    await page.context.resume();
    return page.context;
}

async function play() {
    clearMessage();
    const {name, channels} = chosenSource();
    const context = await audioContext();
    stop();
    const node = makeEffectNode(context, page.values.slice(), channels.length, receiveFromWorklet);
    const source = context.createBufferSource();
    Object.assign(source, {buffer : audioBuffer(context, channels), loop : true});
    const analysers = [ context.createAnalyser(), context.createAnalyser() ];
    for (const analyser of analysers) {
        analyser.fftSize = 1024;
        analyser.smoothingTimeConstant = 0.5;
        analyser.minDecibels = -100;
        analyser.maxDecibels = -20;
    }
    source.connect(node).connect(context.destination);
    source.connect(analysers[0]);
    node.connect(analysers[1]);
    source.start();
    // A buffer lent to a node that has since stopped is gone with it.
    if (!page.trackBuffer) page.trackBuffer = new ArrayBuffer(trackBytes());
    page.live = {
        node,
        source,
        analysers,
        bins : new Uint8Array(analysers[0].frequencyBinCount),
        head : null, // the head position the engine last read back
    };
    $('play').disabled = true;
    $('stop').disabled = false;
    setStatus(`Playing ${usesFile() ? `"${name}"` : 'the demo signal'} ${
        channelWords(channels)} in a loop at ${context.sampleRate} Hz`);
    requestAnimationFrame(animate);
}

// The head stays where it was when the sound stopped: its control keeps that
// position, and the next play starts from it.
function stop() {
    if (!page.live) return;
    page.live.source.stop();
    page.live.source.disconnect();
    page.live.node.disconnect();
    page.live.node.port.close();
    const head = page.live.head;
    page.live = null;
    if (head !== null) {
        page.values[kHeadPosition] = head;
        page.panel.set(kHeadPosition, head);
    }
    $('play').disabled = false;
    $('stop').disabled = true;
    setStatus('Stopped.');
    showPanelTexts();
    showGate(null);
}

function receiveFromWorklet(message) {
    if (message.type === 'error') {
        showMessage(`The effect failed: ${message.message}`);
        stop();
    } else if (message.type === 'state') {
        message.values.forEach((value, index) => showText(index, value, message.texts[index]));
    } else if (message.type === 'track') {
        page.trackBuffer = message.buffer;
        drawTrack(new Float32Array(message.buffer), message);
        showText(kHeadPosition, message.head, message.headText);
        if (page.live) page.live.head = message.head;
        if (page.draggedControl !== kHeadPosition)
            $(`control-${kHeadPosition}`).value = message.head;
        showGate(message.gateLevel);
    }
}

// ---- the pictures ----------------------------------------------------------

// Black through violet and orange to pale yellow, 256 entries of r, g, b.
const palette = (() => {
    const stops = [
        [ 0, 0, 0 ], [ 40, 12, 90 ], [ 150, 30, 120 ], [ 235, 95, 45 ], [ 255, 200, 90 ],
        [ 255, 255, 225 ]
    ];
    const table = new Uint8ClampedArray(256 * 3);
    for (let i = 0; i < 256; ++i) {
        const at = (i / 255) * (stops.length - 1);
        const k = Math.min(Math.floor(at), stops.length - 2);
        const f = at - k;
        for (let c = 0; c < 3; ++c)
            table[i * 3 + c] = stops[k][c] + (stops[k + 1][c] - stops[k][c]) * f;
    }
    return table;
})();

// Rows of a picture over `bins` frequency bins, on a logarithmic scale from
// bin 1 (the lowest above 0 Hz) at the bottom to the last at the top: each row
// shows the loudest of the bins from first[row] up to (not including) end[row].
const rowMaps = new Map();
function logRows(height, bins) {
    const key = `${height}/${bins}`;
    if (!rowMaps.has(key)) {
        const first = new Int32Array(height);
        const end = new Int32Array(height);
        for (let row = 0; row < height; ++row) {
            const low = Math.pow(bins, (height - 1 - row) / height);
            const high = Math.pow(bins, (height - row) / height);
            first[row] = Math.min(bins - 1, Math.floor(low));
            end[row] = Math.max(first[row] + 1, Math.min(bins, Math.floor(high)));
        }
        rowMaps.set(key, {first, end});
    }
    return rowMaps.get(key);
}

// The track's picture on its canvas: a margin at the left for the frequency
// axis and one below for the frames, the loop scaled to the picture's width,
// and the rest of the track, unused, squeezed into a dimmed strip at the right.
const kTrackMargin = {
    left : 58,
    bottom : 16
};
const kUnusedStrip = 18;
const kStripGap = 4;
const kPanelColour = [ 0x1d, 0x20, 0x27 ]; // the panel's background (style.css)
const kPanelFill = '#1d2027';

function trackLayout(canvas, length, capacity) {
    const x = kTrackMargin.left;
    const width = canvas.width - x;
    const height = canvas.height - kTrackMargin.bottom;
    const loopWidth = length < capacity ? width - kUnusedStrip - kStripGap : width;
    return {x, width, height, loopWidth, stripX : loopWidth + kStripGap};
}

// The frame a column of the picture shows: columns 0 to loopWidth - 1 cover
// the loop, the strip's columns the frames after it.
function frameOfColumn(column, layout, length, capacity) {
    if (column < layout.loopWidth) return Math.floor((column * length) / layout.loopWidth);
    if (column < layout.stripX) return -1;
    const across = (column - layout.stripX) / (layout.width - layout.stripX);
    return length + Math.floor(across * (capacity - length));
}

// The row of a frequency on the log-scaled picture (fractional; bin 1 at the
// bottom, the last bin at the top).
function rowOfFrequency(hz, bins, height) {
    const bin = Math.max(1, hz / (kRate / (2 * bins)));
    return height - 1 - (Math.log(bin) / Math.log(bins)) * height;
}

// The frequency axis in the left margin: marks at 100 Hz, 1 kHz and 10 kHz,
// and beside the picture a bar over the band that is recorded.
function drawFrequencyAxis(context, layout, bins) {
    const {x, height} = layout;
    context.font = '10px system-ui, sans-serif';
    context.textBaseline = 'middle';
    context.textAlign = 'right';
    for (const [hz, label] of [[ 100, '100 Hz' ], [ 1000, '1 kHz' ], [ 10000, '10 kHz' ]]) {
        const y = rowOfFrequency(hz, bins, height);
        context.fillStyle = 'rgba(255,255,255,0.45)';
        context.fillRect(x - 11, y, 5, 1);
        context.fillStyle = 'rgba(255,255,255,0.75)';
        context.fillText(label, x - 13, y);
    }
    const low = parseFloat(page.shown[kRecStartFreq]);
    const high = parseFloat(page.shown[kRecEndFreq]);
    if (high > low) {
        const top = rowOfFrequency(high, bins, height);
        const bottom = low > 0 ? rowOfFrequency(low, bins, height) : height;
        context.fillStyle = '#f0a830';
        context.fillRect(x - 4, Math.max(0, top), 3, Math.min(height, bottom) - Math.max(0, top));
    }
}

// Under the picture: frame 0, the loop's end and, past the strip, the track's.
function drawFrameAxis(context, layout, length, capacity) {
    const {x, height, width, loopWidth} = layout;
    context.font = '10px system-ui, sans-serif';
    context.textBaseline = 'top';
    context.fillStyle = 'rgba(255,255,255,0.75)';
    context.textAlign = 'left';
    context.fillText('0', x, height + 3);
    context.textAlign = 'right';
    context.fillText(`loop end: ${length}`, x + loopWidth, height + 3);
    if (length < capacity) {
        context.fillStyle = 'rgba(255,255,255,0.45)';
        context.fillText(String(capacity), x + width, height + 3);
    }
}

let trackImage = null;

// The gate's meter: the level the engine's gate compares (the sum of the
// input's magnitudes over a hop, the louder channel's for stereo) against the
// threshold, in dB on one scale; null while nothing plays.
const kGateScale = {
    low : -40,
    high : 50
};

function showGate(level) {
    const thresholdText = page.shown[kThreshold] || '';
    const threshold = /INF/.test(thresholdText) ? -Infinity : parseFloat(thresholdText);
    const share = (db) =>
        Math.max(0, Math.min(1, (db - kGateScale.low) / (kGateScale.high - kGateScale.low)));
    $('gate-threshold').style.left = `${(share(threshold) * 100).toFixed(1)}%`;
    if (level === null) {
        $('gate-level').style.width = '0';
        $('gate-text').textContent = `threshold ${thresholdText.trim()}; plays live only`;
        return;
    }
    const db = level > 0 ? 20 * Math.log10(level) : -Infinity;
    const open = db > threshold;
    $('gate-level').style.width = `${(share(db) * 100).toFixed(1)}%`;
    $('gate-level').classList.toggle('open', open);
    $('gate-text').textContent = `${Number.isFinite(db) ? db.toFixed(1) : '-INF'} dB against ${
        thresholdText.trim()}: ${open ? 'recording' : 'not recording'}`;
}

// The last picture again, when a control that it shows moved while nothing
// plays.
function redrawTrack() {
    if (page.live || !page.trackBuffer || !page.lastTrack) return;
    drawTrack(new Float32Array(page.trackBuffer), page.lastTrack);
    showGate(null);
}

// Frames across (the loop filling the width), bins up, brightness 80 dB down
// from the loudest bin of the loop; the unused frames beyond the loop's end
// dimmed in the strip at the right. For a stereo sound the track is the left
// channel's, the one the C interface shows.
function drawTrack(magnitudes, {length, write, read}) {
    const canvas = $('track');
    const context = canvas.getContext('2d');
    const capacity = page.panel.api.tapestrum_track_capacity();
    const bins = page.panel.api.tapestrum_bin_count();
    const layout = trackLayout(canvas, length, capacity);
    const {width, height} = layout;
    const {first, end} = logRows(height, bins);
    if (!trackImage) trackImage = context.createImageData(width, height);
    let loudest = 0;
    for (let i = 0; i < length * bins; ++i)
        loudest = Math.max(loudest, magnitudes[i]);
    const pixels = trackImage.data;
    const scale = 255 / 80;
    for (let column = 0; column < width; ++column) {
        const frame = frameOfColumn(column, layout, length, capacity);
        const dim = frame < length ? 1 : 0.3;
        const base = frame * bins;
        for (let row = 0; row < height; ++row) {
            let m = 0;
            for (let bin = first[row]; frame >= 0 && bin < end[row]; ++bin)
                m = Math.max(m, magnitudes[base + bin]);
            let level = m > 0 ? 255 + 20 * Math.log10(m / loudest) * scale : 0;
            level = Math.max(0, Math.min(255, level * dim)) | 0;
            const colour = frame < 0 ? kPanelColour : palette.subarray(level * 3, level * 3 + 3);
            pixels.set(colour, (row * width + column) * 4);
            pixels[(row * width + column) * 4 + 3] = 255;
        }
    }
    context.fillStyle = kPanelFill;
    context.fillRect(0, 0, canvas.width, canvas.height);
    drawFrequencyAxis(context, layout, bins);
    context.putImageData(trackImage, layout.x, 0);
    const headX = (frame) =>
        layout.x + ((Math.min(frame, length - 1) + 0.5) * layout.loopWidth) / length;
    context.fillStyle = 'rgba(255,255,255,0.8)';
    context.fillRect(layout.x + layout.loopWidth - 1, 0, 1, height);
    context.fillStyle = '#48d8ff';
    context.fillRect(headX(read) - 1, 0, 3, height);
    context.fillStyle = '#ff5a5a';
    context.fillRect(headX(write) - 1, 0, 3, height);
    drawFrameAxis(context, layout, length, capacity);
    canvas.dataset.loopShare = String(layout.loopWidth / width);
    page.lastTrack = {length, write, read};
    $('track-info').textContent =
        `Loop of ${length} frames; write head at frame ${write}, read head at ${read}.`;
}

const columnImages = new Map();

// One new column at the right of a scrolling picture: one byte per bin, on the
// same scale as the track.
function scrollColumn(canvas, levels) {
    const context = canvas.getContext('2d');
    if (!columnImages.has(canvas)) {
        columnImages.set(canvas, context.createImageData(1, canvas.height));
        context.fillStyle = '#000';
        context.fillRect(0, 0, canvas.width, canvas.height);
    }
    const column = columnImages.get(canvas);
    const {first, end} = logRows(canvas.height, levels.length);
    context.drawImage(canvas, -1, 0);
    for (let row = 0; row < canvas.height; ++row) {
        let level = 0;
        for (let bin = first[row]; bin < end[row]; ++bin)
            level = Math.max(level, levels[bin]);
        const at = row * 4;
        column.data[at] = palette[level * 3];
        column.data[at + 1] = palette[level * 3 + 1];
        column.data[at + 2] = palette[level * 3 + 2];
        column.data[at + 3] = 255;
    }
    context.putImageData(column, canvas.width - 1, 0);
}

// The whole of a rendered signal as a spectrogram, one column per stretch;
// each bin the louder channel's, as in the track's picture.
function drawStaticSpectrogram(canvas, channels) {
    const size = 1024;
    const columns = canvas.width;
    const levels = new Uint8Array(size / 2);
    const re = new Float64Array(size);
    const im = new Float64Array(size);
    const length = channels[0].length;
    for (let x = 0; x < columns; ++x) {
        const start = Math.floor((x / columns) * Math.max(0, length - size));
        levels.fill(0);
        for (const signal of channels) {
            for (let i = 0; i < size; ++i) {
                re[i] = (signal[start + i] || 0) * (0.5 - 0.5 * Math.cos((2 * Math.PI * i) / size));
                im[i] = 0;
            }
            fft(re, im);
            for (let k = 0; k < size / 2; ++k) {
                const db = 20 * Math.log10(Math.hypot(re[k], im[k]) / (size / 4) + 1e-12);
                levels[k] = Math.max(levels[k], Math.min(255, ((db + 100) / 80) * 255));
            }
        }
        scrollColumn(canvas, levels);
    }
}

// An in-place radix-2 transform, for the pictures of offline renders.
function fft(re, im) {
    const n = re.length;
    for (let i = 1, j = 0; i < n; ++i) {
        let bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) {
            [re[i], re[j]] = [ re[j], re[i] ];
            [im[i], im[j]] = [ im[j], im[i] ];
        }
    }
    for (let length = 2; length <= n; length <<= 1) {
        const angle = (-2 * Math.PI) / length;
        for (let i = 0; i < n; i += length) {
            for (let k = 0; k < length / 2; ++k) {
                const wr = Math.cos(angle * k);
                const wi = Math.sin(angle * k);
                const a = i + k;
                const b = a + length / 2;
                const tr = re[b] * wr - im[b] * wi;
                const ti = re[b] * wi + im[b] * wr;
                re[b] = re[a] - tr;
                im[b] = im[a] - ti;
                re[a] += tr;
                im[a] += ti;
            }
        }
    }
}

function animate(now) {
    const live = page.live;
    if (!live) return;
    live.analysers[0].getByteFrequencyData(live.bins);
    scrollColumn($('input-spectrogram'), live.bins);
    live.analysers[1].getByteFrequencyData(live.bins);
    scrollColumn($('output-spectrogram'), live.bins);
    if (page.trackBuffer && now - page.lastTrackRequest > kTrackRefreshMs) {
        live.node.port.postMessage({type : 'track', buffer : page.trackBuffer},
                                   [ page.trackBuffer ]);
        page.trackBuffer = null;
        page.lastTrackRequest = now;
    }
    requestAnimationFrame(animate);
}

function trackBytes() {
    return page.panel.api.tapestrum_track_capacity() * page.panel.api.tapestrum_bin_count() * 4;
}

// ---- start -----------------------------------------------------------------

async function start() {
    const missing = missingFeatures();
    if (missing.length) {
        setStatus('');
        showMessage(`This browser cannot run the effect: it lacks ${missing.join(', ')}. ` +
                    'A current Chromium, Chrome, Edge, Firefox or Safari can.');
        return;
    }
    const loaded = await loadModule();
    page.wasmBytes = loaded.bytes;
    page.module = loaded.module;
    page.panel = new Effect(page.module, kRate);
    for (let index = 0; index < page.panel.count; ++index)
        page.values.push(page.panel.value(index));
    buildControls();
    buildPresets();
    page.trackBuffer = new ArrayBuffer(trackBytes());
    drawTrack(
        new Float32Array(page.trackBuffer),
        {length : page.panel.api.tapestrum_track_length(page.panel.handle), write : 0, read : 0});
    showGate(null);
    showSourceMode();

    const guard = (action) => () => action().catch((error) => {
        showMessage(error.message || String(error));
        setStatus('');
    });
    $('play').addEventListener('click', guard(play));
    $('stop').addEventListener('click', stop);
    $('render').addEventListener('click', guard(renderAndDownload));
    $('file').addEventListener('change', guard(readChosenFile));
    for (const radio of document.querySelectorAll('input[name=source]'))
        radio.addEventListener('change', showSourceMode);
    for (const id of ['play', 'render'])
        $(id).disabled = false;
    setStatus('Ready: play the demo signal live, or render it offline.');
}

// For the page's tests: the offline render of a raw float file with given
// values, as base64 of its float bytes.
window.tapestrumTest = {
    async renderOffline(url, values) {
        const response = await fetch(url);
        const signal = new Float32Array(await response.arrayBuffer());
        const [output] = await renderOffline([ signal ], values);
        const bytes = new Uint8Array(output.buffer, output.byteOffset, output.byteLength);
        let text = '';
        for (let i = 0; i < bytes.length; i += 0x8000)
            text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
        return btoa(text);
    },
    isLive : () => page.live !== null,
    values : () => page.values.slice(),
};

window.tapestrumReady = start().catch((error) => {
    showMessage(`The effect could not start: ${error.message || error}`);
    setStatus('');
});
