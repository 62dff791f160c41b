// SPDX-License-Identifier: ISC
// The page in headless Chromium, served from this machine: the offline render
// through the audio worklet against the native build, mono and stereo (with
// the SIMD module, and with the scalar one that a browser without SIMD gets),
// the controls and the presets against the native read-backs while the effect
// plays live, the picture of the loop, a phone's width, the download's name,
// no script error, and a screenshot.
import assert from 'node:assert/strict';
import {existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync} from 'node:fs';
import {createServer} from 'node:http';
import {tmpdir} from 'node:os';
import {extname, join, normalize} from 'node:path';
import {after, before, test} from 'node:test';
import puppeteer from 'puppeteer-core';

import {downloadName} from '../page/download-name.js';

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

const types = {
    '.html' : 'text/html',
    '.js' : 'text/javascript',
    '.css' : 'text/css',
    '.wasm' : 'application/wasm'
};
let server;
let browser;
let page;
let origin;
let signalPath;
let profile;
const problems = [];
// The modules the pages fetched, in order.
const modulesServed = [];

// The site, and the test signal at /test/signal.f32.
function serve(request, response) {
    const path = new URL(request.url, 'http://127.0.0.1').pathname;
    if (path.endsWith('.wasm')) modulesServed.push(path.slice(1));
    const file = path === '/test/signal.f32'
                     ? signalPath
                     : join(site, normalize(path === '/' ? '/index.html' : path));
    try {
        const body = readFileSync(file);
        response.writeHead(200,
                           {'Content-Type' : types[extname(file)] || 'application/octet-stream'});
        response.end(body);
    } catch {
        response.writeHead(404);
        response.end();
    }
}

before(async () => {
    signalPath = testSignal().path;
    server = createServer(serve);
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    origin = `http://127.0.0.1:${server.address().port}`;
    profile = mkdtempSync(join(tmpdir(), 'tapestrum-chromium-'));
    browser = await puppeteer.launch({
        executablePath : process.env.TAPESTRUM_CHROMIUM || '/usr/bin/chromium',
        headless : true,
        userDataDir : profile,
        args : [
            '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync',
            '--autoplay-policy=no-user-gesture-required'
        ],
    });
    page = await browser.newPage();
    await page.setViewport({width : 1100, height : 1000});
    page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
    page.on('console', (message) => {
        if (message.type() === 'error') problems.push(`console error: ${message.text()}`);
    });
    page.on('requestfailed', (request) => problems.push(`request failed: ${request.url()}`));
    await page.goto(`${origin}/`, {waitUntil : 'load'});
    await page.evaluate(() => window.tapestrumReady);
    const message = await page.$eval('#message', (box) => (box.hidden ? '' : box.textContent));
    assert.equal(message, '', 'the page shows no message after loading');
    assert.deepEqual(modulesServed, [ kSimdModule ], 'this browser has WebAssembly SIMD');
});

after(async () => {
    if (browser) await browser.close();
    if (server) server.close();
    if (profile) rmSync(profile, {recursive : true, force : true, maxRetries : 5});
});

// Each of renderSettings rendered offline by the page `on`, against the native
// render.
async function offlineRendersEqualNative(t, on) {
    for (const [n, settings] of renderSettings.entries()) {
        const reference =
            nativeRenderOf(44100, signalPath, settings, join(work, `native-${n}.f32`));
        const values =
            await on.evaluate(() => [...document.querySelectorAll('input[type=range]')].map(
                                  (slider) => Number(slider.value)));
        for (const [index, value] of settings)
            values[index] = value;
        const base64 = await on.evaluate(
            (values) => window.tapestrumTest.renderOffline('/test/signal.f32', values), values);
        const bytes = Buffer.from(base64, 'base64');
        const rendered = new Float32Array(bytes.buffer, bytes.byteOffset, bytes.length / 4);
        const comparison = compareRenders(reference.output, rendered);
        t.diagnostic(`settings ${n}: ${describe(comparison)}`);
        assert.ok(comparison.peak > 0.1, 'the render is not silent');
        assert.ok(comparison.share <= 1e-6, describe(comparison));
    }
}

test('offline renders through the audio worklet equal the native render',
     (t) => offlineRendersEqualNative(t, page));

// A browser without WebAssembly SIMD, as the page's feature test sees it: the
// probe module does not validate.
test('a browser without SIMD gets the scalar module, which renders the same', async (t) => {
    const other = await browser.newPage();
    try {
        await other.evaluateOnNewDocument(() => {
            WebAssembly.validate = () => false;
        });
        modulesServed.length = 0;
        await other.goto(`${origin}/`, {waitUntil : 'load'});
        await other.evaluate(() => window.tapestrumReady);
        assert.deepEqual(modulesServed, [ kScalarModule ]);
        assert.equal(await other.$eval('#message', (box) => box.hidden), true, 'no message');
        await offlineRendersEqualNative(t, other);
    } finally {
        await other.close();
    }
});

// Moves a slider as a person does and waits for the playing engine's answer.
async function moveSlider(index, value) {
    await page.$eval(`#control-${index}`, (slider, value) => {
        slider.value = String(value);
        slider.dispatchEvent(new Event('input', {bubbles : true}));
    }, value);
}

const sliderValue = (index) => page.$eval(`#control-${index}`, (slider) => Number(slider.value));

async function shownState() {
    return page.evaluate(() => {
        const outputs = [...document.querySelectorAll('.control output') ];
        return {
            values : outputs.map((o) => Math.fround(Number(o.dataset.value))),
            texts : outputs.map((o) => o.textContent)
        };
    });
}

test('while it plays live, the controls change the engine as the native build reads back',
     async () => {
         await page.click('#play');
         await page.waitForFunction(() => window.tapestrumTest.isLive(), {timeout : 10000});
         const moves = [
             [ 6, 0.5 ], [ 0, 0.45 ], [ 1, 1 ], [ 9, 0.3 ], [ 4, 0.7 ], [ 3, 0.4 ], [ 2, 0.6 ],
             [ 10, 1 ], [ 5, 0.01 ], [ 8, 0.9 ]
         ];
         const expected = nativeState(44100, moves);
         for (const [index, value] of moves)
             await moveSlider(index, value);
         // The last move's answer has arrived when its text is the native one.
         await page.waitForFunction((text) =>
                                        document.getElementById('text-8').textContent === text,
                                    {timeout : 10000}, expected.texts[8]);
         const shown = await shownState();
         // The head position moves with the audio: its read-back is the one the
         // engine gives now, so it is left out here.
         for (const state of [shown, expected]) {
             state.values.splice(7, 1);
             state.texts.splice(7, 1);
         }
         assert.deepEqual(shown,
                          {values : expected.values.map(Math.fround), texts : expected.texts});
         // The picture of the loop follows the shortened track, and its write head moves.
         const headAt = async () => {
             await page.waitForFunction(
                 () => /Loop of 150 frames/.test(document.getElementById('track-info').textContent),
                 {timeout : 10000});
             return page.$eval('#track-info', (info) => info.textContent);
         };
         const first = await headAt();
         await new Promise((resolve) => setTimeout(resolve, 1500));
         assert.notEqual(await headAt(), first, 'the write head moved');
         // The head position control moves with the head its text shows.
         // Both are read at once: the next picture moves them together.
         const [head, slider] =
             await page.evaluate(() => [Number(document.getElementById('text-7').dataset.value),
                                        Number(document.getElementById('control-7').value)]);
         assert.ok(Math.abs(slider - head) <= 0.0005, 'the head control follows');
     });

const presets = () => JSON.parse(native('presets'));

async function choosePreset(preset) { await page.select('#preset', String(preset)); }

// Still playing: a preset chosen in the selector moves the sliders, and the
// playing engine reads back the preset's values with the native texts; its
// description is shown, and a control moved afterwards marks the selector.
test('choosing a preset moves the controls and the playing engine to its values', async () => {
    const table = presets();
    assert.deepEqual(await page.$$eval('#preset option:not([hidden])',
                                       (options) => options.map((option) => option.textContent)),
                     table.map((preset) => preset.name));
    const chosen = table.findIndex((preset) => preset.name === 'short shimmer');
    const {name, description, values} = table[chosen];
    const expected = nativeState(44100, [...values.entries() ]);
    await choosePreset(chosen);
    // The engine has answered when every text but the moving head's is the native one.
    await page.waitForFunction(
        (texts) => texts.every((text, index) =>
                                   index === 7 ||
                                   document.getElementById(`text-${index}`).textContent === text),
        {timeout : 10000}, expected.texts);
    const shown = await shownState();
    const sliders =
        await page.$$eval('input[type=range]', (all) => all.map((slider) => Number(slider.value)));
    for (const state of [shown, expected]) {
        state.values.splice(7, 1);
        state.texts.splice(7, 1);
    }
    const withoutHead = values.filter((_, index) => index !== 7);
    assert.deepEqual(shown, {values : withoutHead.map(Math.fround), texts : expected.texts});
    // The head position's slider follows the moving head, as its text does.
    sliders.forEach((slider, index) =>
                        assert.ok(index === 7 || Math.abs(slider - values[index]) <= 0.0005,
                                  `slider ${index} at ${slider}`));
    assert.equal(await page.$eval('#preset-description', (p) => p.textContent), description);
    // Its short loop fills the picture, but for the strip of the unused track.
    await page.waitForFunction(
        () => /Loop of 54 frames/.test(document.getElementById('track-info').textContent),
        {timeout : 10000});
    const loopShare = await page.$eval('#track', (canvas) => Number(canvas.dataset.loopShare));
    assert.ok(loopShare >= 0.9 && loopShare < 1, `the loop fills ${loopShare} of the width`);
    const selected = () => page.$eval('#preset', (select) => select.selectedOptions[0].textContent);
    assert.equal(await selected(), name);
    await moveSlider(9, 0.8);
    assert.equal(await selected(), `${name} (edited)`);
});

// On a phone's width, nothing runs off the side; a file the browser cannot
// decode is cleared, leaving the demo signal chosen, and a browser without
// audio worklets: a clear message on the page each time.
test('a phone\'s width, a bad file and a browser that lacks a feature', async () => {
    const junk = join(work, 'not-audio.wav');
    writeFileSync(junk, 'RIFF, but nothing a decoder can read');
    const other = await browser.newPage();
    try {
        await other.setViewport({width : 360, height : 740});
        await other.goto(`${origin}/`, {waitUntil : 'load'});
        await other.evaluate(() => window.tapestrumReady);
        assert.deepEqual(
            await other.evaluate(() => [document.documentElement.scrollWidth, window.innerWidth]),
            [ 360, 360 ], 'no horizontal scrolling at 360 px');
        const input = await other.$('#file');
        await input.uploadFile(junk);
        await other.waitForFunction(() => !document.getElementById('message').hidden,
                                    {timeout : 10000});
        const message = await other.$eval('#message', (box) => box.textContent);
        assert.match(message, /"not-audio\.wav" cannot be read as audio.*play the demo signal/);
        assert.deepEqual(await other.evaluate(
                             () => [document.getElementById('file').files.length,
                                    document.querySelector('input[name=source]:checked').value]),
                         [ 0, 'demo' ], 'the file is cleared and the demo chosen');
        await other.evaluateOnNewDocument(() => delete window.AudioWorkletNode);
        await other.reload({waitUntil : 'load'});
        await other.evaluate(() => window.tapestrumReady);
        assert.match(await other.$eval('#message', (box) => box.textContent),
                     /This browser cannot run the effect: it lacks AudioWorklet/);
        assert.equal(await other.$eval('#play', (button) => button.disabled), true);
    } finally {
        await other.close();
    }
});

// The offline host's first demo setting, the first preset: 1.7 s of delay on
// the whole track, half dry, the head moving forward; every other control at
// its default.
const showcase = [ 0.7, 0, 1, 0, 1, 0, 1, 0, 0.5, 0.5, 1 ];

test('a screenshot of the page playing', async () => {
    assert.deepEqual(presets()[0].values.map(Math.fround), showcase.map(Math.fround));
    await choosePreset(0);
    await new Promise((resolve) => setTimeout(resolve, 4000));
    await page.screenshot(
        {path : process.env.TAPESTRUM_SCREENSHOT || join(work, 'web.png'), fullPage : true});
    await page.click('#stop');
    // The head position stays where the head was: no jump back to the preset's 0.
    const head = (await page.evaluate(() => window.tapestrumTest.values()))[7];
    assert.ok(head > 0, 'the head kept its position');
    assert.equal(await page.$eval('#text-7', (o) => Number(o.dataset.value)), head);
    assert.ok(Math.abs(await sliderValue(7) - head) <= 0.0005);
});

// A WAV file the browser decodes as it is: 32-bit float at 44.1 kHz.
function floatWav(channels) {
    const count = channels.length;
    const frames = channels[0].length;
    const wav = Buffer.alloc(44 + frames * count * 4);
    wav.write('RIFF', 0, 'latin1');
    wav.writeUInt32LE(wav.length - 8, 4);
    wav.write('WAVEfmt ', 8, 'latin1');
    wav.writeUInt32LE(16, 16);
    wav.writeUInt16LE(3, 20); // IEEE float
    wav.writeUInt16LE(count, 22);
    wav.writeUInt32LE(44100, 24);
    wav.writeUInt32LE(44100 * 4 * count, 28);
    wav.writeUInt16LE(4 * count, 32);
    wav.writeUInt16LE(32, 34);
    wav.write('data', 36, 'latin1');
    wav.writeUInt32LE(frames * count * 4, 40);
    for (let i = 0; i < frames; ++i)
        channels.forEach((signal, channel) =>
                             wav.writeFloatLE(signal[i], 44 + 4 * (i * count + channel)));
    return wav;
}

// The render button as a person uses it: the page's sound with the controls
// as they stand, saved under the sound's and the preset's name as a 32-bit
// float WAV file of as many channels as the sound, holding the native render
// (of a stereo instance for a stereo sound).
async function renderAndCompare(expectedName, nativeSignals) {
    const downloads = join(work, 'downloads');
    const session = await page.createCDPSession();
    await session.send('Browser.setDownloadBehavior',
                       {behavior : 'allow', downloadPath : downloads});
    await page.click('#render');
    const file = join(downloads, expectedName);
    const deadline = Date.now() + 30000;
    while (!existsSync(file) && Date.now() < deadline)
        await new Promise((resolve) => setTimeout(resolve, 100));
    const wav = readFileSync(file);
    const count = nativeSignals.length;
    assert.equal(wav.toString('latin1', 0, 4) + wav.toString('latin1', 8, 16), 'RIFFWAVEfmt ');
    assert.deepEqual(
        [ wav.readUInt16LE(20), wav.readUInt16LE(22), wav.readUInt32LE(24), wav.readUInt16LE(34) ],
        [ 3, count, 44100, 32 ], `IEEE float, ${count} channels, 44.1 kHz, 32 bits`);
    assert.equal(wav.toString('latin1', 50, 54), 'data');
    assert.equal(wav.readUInt32LE(54), wav.length - 58);
    const frames = (wav.length - 58) / 4 / count;
    const values = await page.evaluate(() => window.tapestrumTest.values());
    const settings = values.map((value, index) => `${index}=${value}`);
    const outputs = nativeSignals.map((_, channel) => join(work, `native-out-${channel}.f32`));
    native(count === 2 ? 'render-stereo' : 'render', 44100, ...nativeSignals, ...outputs,
           ...settings);
    for (let channel = 0; channel < count; ++channel) {
        const samples =
            new Float32Array(frames).map((_, i) => wav.readFloatLE(58 + 4 * (i * count + channel)));
        const comparison = compareRenders(readRaw(outputs[channel]), samples);
        assert.ok(comparison.peak > 0.1, 'the render is not silent');
        assert.ok(comparison.share <= 1e-6, `channel ${channel}: ${describe(comparison)}`);
    }
    return page.$eval('#status', (status) => status.textContent);
}

test('the render button saves the demo in mono, under its and the preset\'s name', async () => {
    assert.equal(await page.$eval('#source-mode', (p) => p.textContent),
                 'The demo signal runs in mono.');
    const demo = join(work, 'demo.f32');
    native('demo', demo);
    assert.match(await renderAndCompare('tapestrum-demo - spectral echo.wav', [ demo ]),
                 /^Rendered 6\.02 s in mono in \d+ ms: tapestrum-demo - spectral echo\.wav$/);
});

// The test signal on the left, and on the right the same quieter and delayed
// by a tenth of a second, so that the hops either channel opens differ. It
// plays, then renders with the head where the playing left it.
test('a stereo file plays and renders in stereo, equal to the native stereo instance', async () => {
    const left = testSignal().signal;
    const right = left.map((_, i) => (i >= 4410 ? 0.3 * left[i - 4410] : 0));
    const paths = [ 'left', 'right' ].map((side) => join(work, `stereo-${side}.f32`));
    writeFileSync(paths[0], left);
    writeFileSync(paths[1], right);
    const wav = join(work, 'two voices.wav');
    writeFileSync(wav, floatWav([ left, right ]));
    await (await page.$('#file')).uploadFile(wav);
    await page.waitForFunction(() => /^"two voices\.wav" runs in stereo/.test(
                                   document.getElementById('source-mode').textContent),
                               {timeout : 10000});
    await page.click('#play');
    await page.waitForFunction(() => /^Playing "two voices\.wav" in stereo/.test(
                                   document.getElementById('status').textContent),
                               {timeout : 10000});
    await page.click('#stop');
    assert.match(await renderAndCompare('two voices - spectral echo.wav', paths),
                 /^Rendered 3\.02 s in stereo in \d+ ms/);
});

test('a download is named after the sound and the setting, as file systems allow', () => {
    for (const [sound, setting,
                name] of [[ 'drums.wav', 'short shimmer', 'drums - short shimmer.wav' ],
                          [
                              'tapestrum-demo', 'spectral echo (edited)',
                              'tapestrum-demo - spectral echo (edited).wav'
                          ],
                          [ 'a/b:c*?"<>|.d.flac', 'defaults', 'a_b_c_.d - defaults.wav' ],
                          [ ' ..take\u0007 2. .mp3', 'edited', 'take_ 2 - edited.wav' ],
                          [ '.wav', '', 'sound - defaults.wav' ],
    ])
        assert.equal(downloadName(sound, setting), name, `${sound}, ${setting}`);
});

test('no script error all along', async () => {
    assert.equal(await page.$eval('#message', (box) => box.hidden), true, 'no message on the page');
    assert.deepEqual(problems, []);
});
