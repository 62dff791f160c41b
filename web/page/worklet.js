// SPDX-License-Identifier: ISC
// The effect in the browser's audio thread: one instance of the WebAssembly
// module per node, mono or stereo (one stereo instance, its gate linked), fed
// in the render quanta (128 frames).
//
// The page hands over the module's bytes, the 11 values and the channel count
// when it makes the node. Everything process() touches is allocated here, in
// the constructor: the input and output blocks inside the module's memory and
// the views on them. Messages from the page (a control moved, a preset chosen,
// a picture of the track wanted) are answered between quanta, in the port's
// handler, never inside process().

const kQuantum = 128;
const kHop = 256; // the engine's hop, over which its gate sums the input's level
const kTextBytes = 64;

class TapestrumProcessor extends AudioWorkletProcessor {
    constructor(options) {
        super();
        this.failed = false;
        this.port.onmessage = (event) => this.receive(event.data);
        try {
            const {wasm, values, channels} = options.processorOptions;
            this.channels = channels === 2 ? 2 : 1;
            const module = wasm instanceof WebAssembly.Module ? wasm : new WebAssembly.Module(wasm);
            this.api = new WebAssembly.Instance(module, {}).exports;
            this.api._initialize();
            this.handle = this.channels === 2 ? this.api.tapestrum_new_stereo(sampleRate)
                                              : this.api.tapestrum_new(sampleRate);
            if (!this.handle) throw new Error(`the effect cannot run at ${sampleRate} Hz`);
            this.inputAddresses = [];
            this.outputAddresses = [];
            for (let channel = 0; channel < this.channels; ++channel) {
                this.inputAddresses.push(this.api.malloc(kQuantum * 4));
                this.outputAddresses.push(this.api.malloc(kQuantum * 4));
            }
            // The gate's level: the sum of the input's magnitudes over the hop
            // being fed (the louder channel's for stereo), and that of the last
            // whole hop, for the page's meter.
            this.levelSums = new Float32Array(this.channels);
            this.hopFill = 0;
            this.lastHopLevel = 0;
            this.textAddress = this.api.malloc(kTextBytes);
            this.count = this.api.tapestrum_parameter_count();
            values.forEach((value, index) =>
                               this.api.tapestrum_set_parameter(this.handle, index, value));
            this.makeViews();
            this.postState();
        } catch (error) {
            this.fail(error);
        }
    }

    // Views on the module's memory, made again when the memory has grown (which
    // detaches the old ones). Only the texts allocate inside the module, and
    // only in the message handler, so process() always finds them current.
    makeViews() {
        if (this.memory === this.api.memory.buffer) return;
        this.memory = this.api.memory.buffer;
        this.inputBlocks =
            this.inputAddresses.map((address) => new Float32Array(this.memory, address, kQuantum));
        this.outputBlocks =
            this.outputAddresses.map((address) => new Float32Array(this.memory, address, kQuantum));
    }

    fail(error) {
        this.failed = true;
        this.port.postMessage(
            {type : 'error', message : String(error && error.message ? error.message : error)});
    }

    // The texts are ASCII (the worklet's scope has no TextDecoder).
    text(index) {
        const length =
            this.api.tapestrum_parameter_text(this.handle, index, this.textAddress, kTextBytes);
        const bytes = new Uint8Array(this.api.memory.buffer, this.textAddress, kTextBytes);
        let text = '';
        for (let i = 0; i < Math.min(length, kTextBytes - 1); ++i)
            text += String.fromCharCode(bytes[i]);
        return text;
    }

    postState() {
        const values = [];
        const texts = [];
        for (let index = 0; index < this.count; ++index) {
            values.push(this.api.tapestrum_get_parameter(this.handle, index));
            texts.push(this.text(index));
        }
        this.port.postMessage({type : 'state', values, texts});
    }

    receive(message) {
        if (this.failed) return;
        try {
            if (message.type === 'set') {
                this.api.tapestrum_set_parameter(this.handle, message.index, message.value);
                this.postState();
            } else if (message.type === 'preset') {
                this.api.tapestrum_apply_preset(this.handle, message.preset);
                this.postState();
            } else if (message.type === 'state') {
                this.postState();
            } else if (message.type === 'track') {
                // The page lends a buffer of 600 x 512 floats and gets it back
                // filled: the picture needs no large buffer of its own here.
                const picture = new Float32Array(message.buffer);
                const bins = this.api.tapestrum_bin_count();
                const frames = this.api.tapestrum_track_capacity();
                // The module's picture: a stereo instance's louder channel.
                if (!this.pictureAddress) this.pictureAddress = this.api.malloc(frames * bins * 4);
                this.api.tapestrum_track_picture(this.handle, this.pictureAddress);
                picture.set(
                    new Float32Array(this.api.memory.buffer, this.pictureAddress, frames * bins));
                this.port.postMessage({
                    type : 'track',
                    buffer : message.buffer,
                    length : this.api.tapestrum_track_length(this.handle),
                    write : this.api.tapestrum_write_head(this.handle),
                    read : this.api.tapestrum_read_head(this.handle),
                    head : this.api.tapestrum_get_parameter(this.handle, 7),
                    headText : this.text(7),
                    gateLevel : this.lastHopLevel,
                },
                                      [ message.buffer ]);
            }
            this.makeViews();
        } catch (error) {
            this.fail(error);
        }
    }

    process(inputs, outputs) {
        const output = outputs[0];
        if (!output || output.length < this.channels) return true;
        if (this.failed) {
            for (let channel = 0; channel < output.length; ++channel)
                output[channel].fill(0);
            return true;
        }
        if (output[0].length !== kQuantum) {
            this.fail(new Error(
                `this browser renders blocks of ${output[0].length} frames, not ${kQuantum}`));
            return true;
        }
        for (let channel = 0; channel < this.channels; ++channel) {
            const input = inputs[0] && inputs[0][channel];
            if (input)
                this.inputBlocks[channel].set(input);
            else
                this.inputBlocks[channel].fill(0);
            this.levelSums[channel] += magnitudeSum(this.inputBlocks[channel]);
        }
        this.hopFill += kQuantum;
        if (this.hopFill === kHop) {
            this.lastHopLevel = Math.max(this.levelSums[0], this.levelSums[this.channels - 1]);
            this.levelSums.fill(0);
            this.hopFill = 0;
        }
        const ins = this.inputAddresses;
        const outs = this.outputAddresses;
        if (this.channels === 2)
            this.api.tapestrum_process_stereo(this.handle, ins[0], ins[1], outs[0], outs[1],
                                              kQuantum);
        else
            this.api.tapestrum_process(this.handle, ins[0], outs[0], kQuantum);
        for (let channel = 0; channel < this.channels; ++channel)
            output[channel].set(this.outputBlocks[channel]);
        return true;
    }
}

function magnitudeSum(block) {
    let sum = 0;
    for (let i = 0; i < block.length; ++i)
        sum += Math.abs(block[i]);
    return sum;
}

registerProcessor('tapestrum', TapestrumProcessor);
