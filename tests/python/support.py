# SPDX-License-Identifier: ISC
# What the Python module's tests share: the test signal, renders and texts
# through the other faces (by tests/raw_render, tests/tools/RawRender.cpp), and
# a bit-for-bit comparison.
import subprocess
import tempfile
from pathlib import Path

import numpy as np

from conftest import BUILD

RAW_RENDER = BUILD / "tests" / "raw_render"
VST2_MODULE = BUILD / "tapestrum.so"
TOOL = BUILD / "tapestrum"


def make_signal(frames, seed=0, channels=1):
    """Tones under noise bursts with gaps, mono (frames,) or (frames, channels)."""
    rng = np.random.default_rng(seed)
    n = np.arange(frames)
    columns = []
    for channel in range(channels):
        tones = sum(0.2 * np.sin(2 * np.pi * f * n / 44100) for f in rng.uniform(100, 3000, 3))
        bursts = rng.standard_normal(frames) * 0.3 * ((n // 6000 + channel) % 3 == 1)
        columns.append(np.where((n // 9000) % 4 == 3, 0.0, tones + bursts))
    audio = np.stack(columns, axis=1).astype(np.float32)
    return audio[:, 0].copy() if channels == 1 else audio


def exact_value(value):
    """A value's text that every face reads as the same float32."""
    return repr(float(np.float32(value)))


def reference_render(command, audio, *arguments):
    """raw_render's render (the VST 2 module) or render-c (the C interface) of
    audio: `command` IN OUT ARGUMENTS..., or for render MODULE IN OUT ARGUMENTS..."""
    with tempfile.TemporaryDirectory() as folder:
        source, target = Path(folder) / "in.f32", Path(folder) / "out.f32"
        np.ascontiguousarray(audio, np.float32).tofile(source)
        module = [VST2_MODULE] if command == "render" else []
        subprocess.run([RAW_RENDER, command, *module, source, target, *map(str, arguments)],
                       check=True)
        return np.fromfile(target, np.float32).reshape((-1,) + audio.shape[1:])


def reference_texts(rate, values):
    """{(index, value text): (text, read-back)} of the VST 2 module."""
    result = subprocess.run([RAW_RENDER, "texts", VST2_MODULE, str(rate), *values],
                            capture_output=True, text=True, check=True)
    table = {}
    for line in result.stdout.splitlines():
        key, text, read_back = line.split("\t")
        index, value = key.split(" ")
        table[(int(index), value)] = (text, float.fromhex(read_back))
    return table


def assert_bits_equal(actual, expected):
    assert actual.dtype == np.float32 and actual.shape == expected.shape
    differing = np.flatnonzero(actual.view(np.uint32) != expected.view(np.uint32))
    assert differing.size == 0, (f"{differing.size} of {actual.size} samples differ, the first "
                                 f"at {differing[0]}: {actual.flat[differing[0]]} against "
                                 f"{expected.flat[differing[0]]}")
