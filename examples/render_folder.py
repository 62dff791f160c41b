#!/usr/bin/python3
# SPDX-License-Identifier: ISC
"""Renders every audio file of a folder through a factory preset, on a Dask
cluster: a local one by default, or the scheduler at --scheduler ADDRESS. Each
file is one task; the workers need the tapestrum module and this file on their
Python path.

    render_folder.py IN_DIR OUT_DIR --preset "band freeze" [--tail 2]
                     [--scheduler tcp://host:8786]

Each output is a 32-bit float WAV file of the input's name, the input and then
the tail (by default 1024 samples, as `tapestrum render` adds). A stereo file
goes through the linked stereo effect; the channels of any other file each go
through a mono one, as `tapestrum render` renders them.
"""

import argparse
import contextlib
import pathlib

import numpy as np
import soundfile

import tapestrum

AUDIO_SUFFIXES = {".wav", ".flac", ".aiff", ".aif", ".ogg", ".au", ".caf", ".w64"}


def render_file(source, target, preset, tail=None):
    """Renders one file into another; gives the target's path."""
    audio, rate = soundfile.read(source, dtype="float32", always_2d=True)
    if audio.shape[1] == 2:
        output = tapestrum.render(audio, rate, channels=2, preset=preset, tail=tail)
    else:
        output = np.stack([tapestrum.render(np.ascontiguousarray(channel), rate,
                                            preset=preset, tail=tail)
                           for channel in audio.T], axis=1)
    soundfile.write(target, output, rate, subtype="FLOAT", format="WAV")
    return str(target)


def render_folder(source_dir, target_dir, preset, client, tail=None):
    """Renders every audio file of source_dir into target_dir on the client's
    cluster, a task per file; gives the outputs' paths."""
    target_dir = pathlib.Path(target_dir)
    target_dir.mkdir(parents=True, exist_ok=True)
    sources = sorted(path for path in pathlib.Path(source_dir).iterdir()
                     if path.suffix.lower() in AUDIO_SUFFIXES)
    targets = [target_dir / (path.stem + ".wav") for path in sources]
    futures = client.map(render_file, [str(s) for s in sources], [str(t) for t in targets],
                         preset=preset, tail=tail, pure=False)
    return client.gather(futures)


def main():
    from dask.distributed import Client, LocalCluster

    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("source_dir")
    parser.add_argument("target_dir")
    parser.add_argument("--preset", required=True, help="a name `tapestrum presets` lists")
    parser.add_argument("--tail", type=float, help="seconds rendered after each input")
    parser.add_argument("--scheduler", help="a Dask scheduler's address (default: a local cluster)")
    args = parser.parse_args()
    with contextlib.ExitStack() as stack:
        address = args.scheduler or stack.enter_context(LocalCluster())
        client = stack.enter_context(Client(address))
        for target in render_folder(args.source_dir, args.target_dir, args.preset, client,
                                    args.tail):
            print(target)


if __name__ == "__main__":
    main()
