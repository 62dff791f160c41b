# SPDX-License-Identifier: ISC
# The Python module against the other faces and its own promises: renders,
# texts and read-backs as the VST 2 module and the C interface give them,
# blocks, presets, state, bad input and threads.
import math
import struct
import subprocess
import threading

import numpy as np
import pytest

import tapestrum
from support import (TOOL, assert_bits_equal, exact_value, make_signal,
                     reference_render, reference_texts)

SETTINGS = {
    "moving loop": dict(mix=0.6, delay=0.4, head_direction=1, process=1, track_length=0.7),
    "gated band": dict(rec_start_freq=0.3, rec_end_freq=0.75, threshold=0.0625, head_position=0.25,
                       rec_amp=0.75, out_amp=0.875, mix=0.5, delay=0.2),
}


@pytest.mark.parametrize("rate", [44100, 48000])
@pytest.mark.parametrize("setting", SETTINGS)
def test_renders_as_the_other_faces(rate, setting):
    settings = SETTINGS[setting]
    values = [f"{tapestrum.PARAMETERS.index(symbol)}={exact_value(value)}"
              for symbol, value in settings.items()]
    mono, stereo = make_signal(60000, seed=1), make_signal(60000, seed=2, channels=2)
    tail = 0.25
    tail_frames = round(tail * rate)

    rendered = tapestrum.render(mono, rate, tail=tail, **settings)
    assert_bits_equal(rendered, reference_render("render", mono, "--rate", rate, "--tail", tail,
                                                 *values))
    padded = np.concatenate([mono, np.zeros(tail_frames, np.float32)])
    assert_bits_equal(rendered, reference_render("render-c", padded, rate, 1, *values))

    rendered = tapestrum.Effect(rate, channels=2, **settings).process(stereo, tail=tail)
    padded = np.concatenate([stereo, np.zeros((tail_frames, 2), np.float32)])
    assert_bits_equal(rendered, reference_render("render-c", padded, rate, 2, *values))


@pytest.mark.parametrize("channels", [1, 2])
def test_blocks_of_any_length_give_one_blocks_output(channels):
    audio = make_signal(30000, seed=3, channels=channels)
    whole = tapestrum.Effect(44100, channels, **SETTINGS["moving loop"]).process(audio)
    effect = tapestrum.Effect(44100, channels, **SETTINGS["moving loop"])
    cuts = [0, 0, 1, 2, 255, 511, 512, 513, 1024, 5000, 5001, 17000, 30000]
    blocks = [effect.process(audio[start:end].astype(np.float64))
              for start, end in zip(cuts, cuts[1:])]
    assert_bits_equal(np.concatenate(blocks), whole)


@pytest.mark.parametrize("rate", [22050, 96000])
def test_texts_and_read_backs_are_the_vst2_modules(rate):
    values = ["0", "0.25", "0.5", "0.8125", "1", "1.5", "-0.5"]
    vst2 = reference_texts(rate, values)
    assert len(vst2) == len(tapestrum.PARAMETERS) * len(values)
    names = list(tapestrum.Effect(rate).parameters)
    for (index, value), expected in vst2.items():
        effect = tapestrum.Effect(rate)
        # Each way of naming a parameter in turn: index, name, symbol.
        key = [index, names[index], tapestrum.PARAMETERS[index]][index % 3]
        effect.parameters[key] = float(value)
        assert (effect.text(key), effect.read(key)) == expected, (key, value)
        assert effect.parameters[index] == min(max(float(value), 0), 1)
        if names[index] != "process":  # effect.process is the method
            assert getattr(effect, tapestrum.PARAMETERS[index]) == effect.parameters[names[index]]


def test_every_preset_is_its_values_set_one_by_one():
    listed = subprocess.run([str(TOOL), "presets"], capture_output=True, text=True, check=True)
    table = tapestrum._tapestrum.presets()
    assert [line[:len(name)] for line, (name, _, _) in zip(listed.stdout.splitlines(), table)] \
        == [name for name, _ in tapestrum.presets()]
    audio = make_signal(40000, seed=4)
    for name, _, values in table:
        by_name = tapestrum.Effect(44100, preset=name.upper().replace(" ", "-"))
        by_values = tapestrum.Effect(44100, **dict(zip(tapestrum.PARAMETERS, values)))
        for key in tapestrum.PARAMETERS:
            assert by_name.read(key) == by_values.read(key), (name, key)
            assert by_name.text(key) == by_values.text(key), (name, key)
        assert by_name.state()[-len(name):] == name.encode()
        assert_bits_equal(by_name.process(audio), by_values.process(audio))


def test_state_round_trip_and_corrupt_states():
    effect = tapestrum.Effect(44100, **SETTINGS["gated band"])
    audio = make_signal(20000, seed=5)
    effect.process(audio)
    block = effect.state()
    loaded = tapestrum.Effect.from_state(block, 44100)
    assert loaded.state() == block
    assert_bits_equal(loaded.process(audio),
                      tapestrum.Effect(44100, **SETTINGS["gated band"]).process(audio))
    out_of_range = block[:12] + struct.pack("<f", 2.0) + block[16:]
    for corrupt in [b"", block[:-1], block + b"\0", b"XPST" + block[4:], out_of_range]:
        with pytest.raises(ValueError, match="not a valid tapestrum state"):
            tapestrum.Effect.from_state(corrupt)


MONO, STEREO = tapestrum.Effect(44100), tapestrum.Effect(44100, channels=2)
BAD_INPUT = [
    (lambda: tapestrum.Effect(math.nan), ValueError, "sample rate"),
    (lambda: tapestrum.Effect(0), ValueError, "sample rate"),
    (lambda: tapestrum.Effect(44100, channels=3), ValueError, "channels"),
    (lambda: tapestrum.Effect(44100, dealy=0.5), TypeError, "dealy"),
    (lambda: tapestrum.Effect(44100, preset="no such"), ValueError, "no factory preset"),
    (lambda: MONO.process(np.zeros(8, np.int16)), TypeError, "float32 or float64"),
    (lambda: MONO.process("audio"), TypeError, "float32 or float64"),
    (lambda: MONO.process(np.zeros((8, 1), np.float32)), ValueError, r"1-D array.*\(8, 1\)"),
    (lambda: STEREO.process(np.zeros((2, 8), np.float32)), ValueError, r"audio\.T"),
    (lambda: STEREO.process(np.zeros(8, np.float32)), ValueError, r"\(frames, 2\)"),
    (lambda: MONO.process(np.zeros(8, np.float32), tail=-1), ValueError, "tail"),
    (lambda: MONO.process(np.zeros(8, np.float32), tail=math.inf), ValueError, "tail"),
    (lambda: MONO.parameters["track length"], KeyError, "track lenght"),
    (lambda: MONO.parameters[11], KeyError, "index 11"),
    (lambda: MONO.text("dleay"), KeyError, "dleay"),
    (lambda: MONO.read(-1), KeyError, "index -1"),
    (lambda: setattr(MONO, "dleay", 0.5), AttributeError, "dleay"),
    (lambda: setattr(MONO, "process", 1), AttributeError, r"parameters\['process'\]"),
    (lambda: MONO.parameters.__setitem__("mix", "half"), TypeError, ""),
]


@pytest.mark.parametrize("call, error, message", BAD_INPUT)
def test_bad_input_raises(call, error, message):
    with pytest.raises(error, match=message):
        call()


def test_threads_render_their_own_instances_as_one_at_a_time():
    work = [(channels, make_signal(80000, seed=6 + channels, channels=channels), setting)
            for channels in (1, 2) for setting in SETTINGS]

    def run(channels, audio, setting):
        return tapestrum.Effect(48000, channels, **SETTINGS[setting]).process(audio, tail=0.5)

    one_at_a_time = [run(*job) for job in work]
    together = [None] * len(work)
    start = threading.Barrier(len(work))

    def worker(slot):
        start.wait()
        together[slot] = run(*work[slot])

    threads = [threading.Thread(target=worker, args=(slot,)) for slot in range(len(work))]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for alone, shared in zip(one_at_a_time, together):
        assert_bits_equal(shared, alone)


def test_version_is_the_offline_hosts():
    said = subprocess.run([str(TOOL), "--version"], capture_output=True, text=True, check=True)
    assert said.stdout.split() == ["tapestrum", tapestrum.__version__]
