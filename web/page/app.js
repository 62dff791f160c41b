// SPDX-License-Identifier: ISC
// The page: the controls, the sound source, the live and offline renders and
// the pictures. The effect itself runs in worklet.js; this thread keeps an
// instance of its own only to show names and texts while nothing plays.
import {kDemoRate, synthesiseDemoSignal} from './demo-signal.js';
import {loadModule} from './module-choice.js';

const kRate = kDemoRate; // everything runs at 44.1 kHz: files are decoded to it
const kTail = 1024;      // the wet signal's lag, rendered after the input ends
const kTextBytes = 64;
const kPresetTextBytes = 512; // the longest preset description is about 110 characters
const kTrackRefreshMs = 80;

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
    file : null, // { name, signal }
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
    if (page.live)
        page.live.node.port.postMessage({type : 'set', index, value});
    else
        showPanelTexts();
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
    if (page.live)
        page.live.node.port.postMessage({type : 'preset', preset});
    else
        showPanelTexts();
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
    // Mono: the channels' mean.
    const signal = new Float32Array(audio.length);
    for (let channel = 0; channel < audio.numberOfChannels; ++channel) {
        const data = audio.getChannelData(channel);
        for (let i = 0; i < signal.length; ++i)
            signal[i] += data[i] / audio.numberOfChannels;
    }
    return signal;
}

function chosenSource() {
    const useFile = document.querySelector('input[name=source]:checked').value === 'file';
    if (!useFile) {
        if (!page.demo) page.demo = synthesiseDemoSignal();
        return {name : 'demo', signal : page.demo};
    }
    if (!page.file) throw new Error('Choose a sound file first (or the demo signal).');
    return page.file;
}

// ---- the effect in an audio context ----------------------------------------

function makeEffectNode(context, values, onMessage) {
    const node = new AudioWorkletNode(context, 'tapestrum', {
        numberOfInputs : 1,
        numberOfOutputs : 1,
        outputChannelCount : [ 1 ],
        channelCount : 1,
        channelCountMode : 'explicit',
        channelInterpretation : 'speakers',
        processorOptions : {wasm : page.wasmBytes, values},
    });
    node.port.onmessage = (event) => onMessage(event.data);
    node.onprocessorerror = () =>
        showMessage('The effect stopped with an error in the audio thread.');
    return node;
}

// The whole signal, then the tail, through the worklet in an offline context.
async function renderOffline(signal, values) {
    const context = new OfflineAudioContext(1, signal.length + kTail, kRate);
    await context.audioWorklet.addModule('worklet.js');
    let failure = null;
    const node = makeEffectNode(context, values, (message) => {
        if (message.type === 'error') failure = new Error(`The effect failed: ${message.message}`);
    });
    // A render whose effect stopped is not one to save.
    node.onprocessorerror =
        () => { failure = new Error('The effect stopped with an error in the audio thread.'); };
    const buffer = context.createBuffer(1, signal.length, kRate);
    buffer.copyToChannel(signal, 0);
    const source = context.createBufferSource();
    source.buffer = buffer;
    source.connect(node).connect(context.destination);
    source.start(0);
    const rendered = await context.startRendering();
    if (failure) throw failure;
    return rendered.getChannelData(0);
}

// A 32-bit float WAV file of one channel.
function wavFile(samples, rate) {
    const dataBytes = samples.length * 4;
    const view = new DataView(new ArrayBuffer(58 + dataBytes));
    const tag = (at, text) => [...text].forEach((c, i) => view.setUint8(at + i, c.charCodeAt(0)));
    tag(0, 'RIFF');
    view.setUint32(4, 50 + dataBytes, true);
    tag(8, 'WAVE');
    tag(12, 'fmt ');
    view.setUint32(16, 18, true);
    view.setUint16(20, 3, true); // IEEE float
    view.setUint16(22, 1, true);
    view.setUint32(24, rate, true);
    view.setUint32(28, rate * 4, true);
    view.setUint16(32, 4, true);
    view.setUint16(34, 32, true);
    view.setUint16(36, 0, true);
    tag(38, 'fact');
    view.setUint32(42, 4, true);
    view.setUint32(46, samples.length, true);
    tag(50, 'data');
    view.setUint32(54, dataBytes, true);
    samples.forEach((sample, i) => view.setFloat32(58 + 4 * i, sample, true));
    return new Blob([ view.buffer ], {type : 'audio/wav'});
}

async function renderAndDownload() {
    clearMessage();
    const source = chosenSource();
    setStatus(`Rendering ${(source.signal.length / kRate).toFixed(1)} s offline…`);
    const started = performance.now();
    const output = await renderOffline(source.signal, page.values.slice());
    const took = performance.now() - started;
    drawStaticSpectrogram($('input-spectrogram'), source.signal);
    drawStaticSpectrogram($('output-spectrogram'), output);
    const link = document.createElement('a');
    link.href = URL.createObjectURL(wavFile(output, kRate));
    link.download = `tapestrum-${source.name.replace(/\.[^.]*$/, '')}.wav`;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
    setStatus(`Rendered ${(output.length / kRate).toFixed(2)} s in ${took.toFixed(0)} ms: ${
        link.download}`);
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
    const {name, signal} = chosenSource();
    const context = await audioContext();
    stop();
    const node = makeEffectNode(context, page.values.slice(), receiveFromWorklet);
    const buffer = context.createBuffer(1, signal.length, kRate);
    buffer.copyToChannel(signal, 0);
    const source = context.createBufferSource();
    Object.assign(source, {buffer, loop : true});
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
    page.live = {node, source, analysers, bins : new Uint8Array(analysers[0].frequencyBinCount)};
    $('play').disabled = true;
    $('stop').disabled = false;
    setStatus(`Playing ${name === 'demo' ? 'the demo signal' : `"${name}"`} in a loop at ${
        context.sampleRate} Hz`);
    requestAnimationFrame(animate);
}

function stop() {
    if (!page.live) return;
    page.live.source.stop();
    page.live.source.disconnect();
    page.live.node.disconnect();
    page.live.node.port.close();
    page.live = null;
    $('play').disabled = false;
    $('stop').disabled = true;
    setStatus('Stopped.');
    showPanelTexts();
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
        showText(7, message.head, message.headText);
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

// Frequency marks at the left edge of a log-scaled picture.
function drawFrequencyMarks(context, height, bins, binWidth) {
    context.font = '10px system-ui, sans-serif';
    context.textBaseline = 'middle';
    for (const [hz, label] of [[ 100, '100 Hz' ], [ 1000, '1 kHz' ], [ 10000, '10 kHz' ]]) {
        const bin = hz / binWidth;
        if (bin < 1 || bin >= bins) continue;
        const y = height - 1 - (Math.log(bin) / Math.log(bins)) * height;
        context.fillStyle = 'rgba(255,255,255,0.35)';
        context.fillRect(0, y, 6, 1);
        context.fillStyle = 'rgba(255,255,255,0.7)';
        context.fillText(label, 9, y);
    }
}

let trackImage = null;

// Frames across, bins up, brightness 80 dB down from the loudest bin of the
// loop; frames beyond the loop's end are dimmed.
function drawTrack(magnitudes, {length, write, read}) {
    const canvas = $('track');
    const context = canvas.getContext('2d');
    const frames = canvas.width;
    const height = canvas.height;
    const bins = page.panel.api.tapestrum_bin_count();
    const {first, end} = logRows(height, bins);
    if (!trackImage) trackImage = context.createImageData(frames, height);
    let loudest = 0;
    for (let i = 0; i < length * bins; ++i)
        loudest = Math.max(loudest, magnitudes[i]);
    const pixels = trackImage.data;
    const scale = 255 / 80;
    for (let frame = 0; frame < frames; ++frame) {
        const dim = frame < length ? 1 : 0.3;
        const base = frame * bins;
        for (let row = 0; row < height; ++row) {
            let m = 0;
            for (let bin = first[row]; bin < end[row]; ++bin)
                m = Math.max(m, magnitudes[base + bin]);
            let level = m > 0 ? 255 + 20 * Math.log10(m / loudest) * scale : 0;
            level = Math.max(0, Math.min(255, level * dim)) | 0;
            const at = (row * frames + frame) * 4;
            pixels[at] = palette[level * 3];
            pixels[at + 1] = palette[level * 3 + 1];
            pixels[at + 2] = palette[level * 3 + 2];
            pixels[at + 3] = 255;
        }
    }
    context.putImageData(trackImage, 0, 0);
    context.fillStyle = 'rgba(255,255,255,0.6)';
    context.fillRect(length, 0, 1, height);
    context.fillStyle = '#48d8ff';
    context.fillRect(read - 1, 0, 3, height);
    context.fillStyle = '#ff5a5a';
    context.fillRect(write - 1, 0, 3, height);
    drawFrequencyMarks(context, height, bins, kRate / (2 * bins));
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

// The whole of a rendered signal as a spectrogram, one column per stretch.
function drawStaticSpectrogram(canvas, signal) {
    const size = 1024;
    const columns = canvas.width;
    const levels = new Uint8Array(size / 2);
    const re = new Float64Array(size);
    const im = new Float64Array(size);
    for (let x = 0; x < columns; ++x) {
        const start = Math.floor((x / columns) * Math.max(0, signal.length - size));
        for (let i = 0; i < size; ++i) {
            re[i] = (signal[start + i] || 0) * (0.5 - 0.5 * Math.cos((2 * Math.PI * i) / size));
            im[i] = 0;
        }
        fft(re, im);
        for (let k = 0; k < size / 2; ++k) {
            const db = 20 * Math.log10(Math.hypot(re[k], im[k]) / (size / 4) + 1e-12);
            levels[k] = Math.max(0, Math.min(255, ((db + 100) / 80) * 255));
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

    const guard = (action) => () => action().catch((error) => {
        showMessage(error.message || String(error));
        setStatus('');
    });
    $('play').addEventListener('click', guard(play));
    $('stop').addEventListener('click', stop);
    $('render').addEventListener('click', guard(renderAndDownload));
    $('file').addEventListener(
        'change', guard(async () => {
            const file = $('file').files[0];
            page.file = null;
            if (!file) return;
            document.querySelector('input[name=source][value=file]').checked = true;
            setStatus(`Reading "${file.name}"…`);
            clearMessage();
            page.file = {name : file.name, signal : await decodeFile(file)};
            setStatus(`"${file.name}": ${
                (page.file.signal.length / kRate).toFixed(2)} s, mixed to mono at ${kRate} Hz.`);
        }));
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
        const output = await renderOffline(signal, values);
        const bytes = new Uint8Array(output.buffer, output.byteOffset, output.byteLength);
        let text = '';
        for (let i = 0; i < bytes.length; i += 0x8000)
            text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
        return btoa(text);
    },
    isLive : () => page.live !== null,
};

window.tapestrumReady = start().catch((error) => {
    showMessage(`The effect could not start: ${error.message || error}`);
    setStatus('');
});
