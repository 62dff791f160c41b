# SPDX-License-Identifier: ISC
# What the Python module's tests share: the test signal, renders through the
# other faces (tests/python/ReferenceFaces.cpp), and a bit-for-bit comparison.
import subprocess

import numpy as np

from conftest import BUILD

REFERENCE_FACES = BUILD / "tests" / "reference_faces"
VST2_MODULE = BUILD / "tapestrum.so"
TOOL = BUILD / "tapestrum"


def make_signal(frames, seed=0, channels=1):
    """Tones under noise bursts with gaps, mono (frames,) or stereo (frames, 2)."""
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


def reference_render(arguments, audio):
    """Runs reference_faces render ARGUMENTS... on the raw samples of audio."""
    result = subprocess.run([str(REFERENCE_FACES), "render", *map(str, arguments)],
                            input=np.ascontiguousarray(audio, np.float32).tobytes(),
                            capture_output=True, check=True)
    return np.frombuffer(result.stdout, np.float32).reshape((-1,) + audio.shape[1:])


def reference_texts(rate, values):
    """{(index, value text): (text, read-back)} of the VST 2 module."""
    result = subprocess.run([str(REFERENCE_FACES), "texts", str(VST2_MODULE), str(rate), *values],
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
