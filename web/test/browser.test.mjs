// SPDX-License-Identifier: ISC
// The page in headless Chromium, served from this machine: the offline render
// through the audio worklet against the native build (with the SIMD module, and
// with the scalar one that a browser without SIMD gets), the controls and the
// presets against the native read-backs while the effect plays live, no script
// error, and a screenshot.
import assert from 'node:assert/strict';
import {existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync} from 'node:fs';
import {createServer} from 'node:http';
import {tmpdir} from 'node:os';
import {extname, join, normalize} from 'node:path';
import {after, before, test} from 'node:test';
import puppeteer from 'puppeteer-core';

import {
    compareRenders,
    describe,
    native,
    nativeRenderOf,
    nativeState,
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
    const chosen = 1;
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
    sliders.forEach((slider, index) => assert.ok(Math.abs(slider - values[index]) <= 0.0005,
                                                 `slider ${index} at ${slider}`));
    assert.equal(await page.$eval('#preset-description', (p) => p.textContent), description);
    const selected = () => page.$eval('#preset', (select) => select.selectedOptions[0].textContent);
    assert.equal(await selected(), name);
    await moveSlider(9, 0.8);
    assert.equal(await selected(), `${name} (edited)`);
});

// A file the browser cannot decode, and a browser without audio worklets: a
// clear message on the page each time.
test('a bad file and a browser that lacks a feature are told on the page', async () => {
    const junk = join(work, 'not-audio.wav');
    writeFileSync(junk, 'RIFF, but nothing a decoder can read');
    const other = await browser.newPage();
    try {
        await other.goto(`${origin}/`, {waitUntil : 'load'});
        await other.evaluate(() => window.tapestrumReady);
        const input = await other.$('#file');
        await input.uploadFile(junk);
        await other.waitForFunction(() => !document.getElementById('message').hidden,
                                    {timeout : 10000});
        const message = await other.$eval('#message', (box) => box.textContent);
        assert.match(message, /"not-audio\.wav" cannot be read as audio/);
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
});

// The render button as a person uses it: the demo signal with the controls as
// the first preset set them, saved as a 32-bit float WAV file that holds the
// native render.
test('the render button saves the render as a float WAV file', async () => {
    const downloads = join(work, 'downloads');
    const session = await page.createCDPSession();
    await session.send('Browser.setDownloadBehavior',
                       {behavior : 'allow', downloadPath : downloads});
    await page.click('#render');
    const file = join(downloads, 'tapestrum-demo.wav');
    const deadline = Date.now() + 30000;
    while (!existsSync(file) && Date.now() < deadline)
        await new Promise((resolve) => setTimeout(resolve, 100));
    const wav = readFileSync(file);
    assert.equal(wav.toString('latin1', 0, 4) + wav.toString('latin1', 8, 16), 'RIFFWAVEfmt ');
    assert.deepEqual(
        [ wav.readUInt16LE(20), wav.readUInt16LE(22), wav.readUInt32LE(24), wav.readUInt16LE(34) ],
        [ 3, 1, 44100, 32 ], 'IEEE float, one channel, 44.1 kHz, 32 bits');
    assert.equal(wav.toString('latin1', 50, 54), 'data');
    assert.equal(wav.readUInt32LE(54), wav.length - 58);
    const samples =
        new Float32Array((wav.length - 58) / 4).map((_, i) => wav.readFloatLE(58 + 4 * i));
    const demo = join(work, 'demo.f32');
    native('demo', demo);
    const reference =
        nativeRenderOf(44100, demo, [...showcase.entries() ], join(work, 'demo-out.f32'));
    const comparison = compareRenders(reference.output, samples);
    assert.ok(comparison.peak > 0.1, 'the render is not silent');
    assert.ok(comparison.share <= 1e-6, describe(comparison));
    assert.match(await page.$eval('#status', (status) => status.textContent),
                 /^Rendered 6\.02 s in \d+ ms: tapestrum-demo\.wav$/);
});

test('no script error all along', async () => {
    assert.equal(await page.$eval('#message', (box) => box.hidden), true, 'no message on the page');
    assert.deepEqual(problems, []);
});
