# SPDX-License-Identifier: ISC
# The cluster example (examples/render_folder.py) on a local Dask cluster of
# two worker processes: every output equals, bit for bit, the same file
# rendered here, one after another. (What a render holds, tail and channels,
# test_effect.py checks against the other faces.)
import soundfile
from dask.distributed import Client, LocalCluster

from render_folder import render_file, render_folder
from support import assert_bits_equal, make_signal


def test_a_folder_renders_on_a_cluster_as_file_by_file(tmp_path):
    source = tmp_path / "in"
    source.mkdir()
    files = {"a.wav": (44100, 1), "b.flac": (48000, 2), "c.wav": (22050, 2), "d.wav": (32000, 3)}
    for seed, (name, (rate, channels)) in enumerate(files.items()):
        audio = make_signal(rate, seed=seed, channels=channels)
        soundfile.write(source / name, audio, rate, subtype="FLOAT" if name.endswith("wav") else None)

    with LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None) as cluster, \
            Client(cluster) as client:
        written = render_folder(source, tmp_path / "out", "short shimmer", client, tail=0.5)
    assert sorted(written) == sorted(str(tmp_path / "out" / (n.split(".")[0] + ".wav"))
                                     for n in files)

    for name in files:
        stem = name.split(".")[0] + ".wav"
        render_file(source / name, tmp_path / stem, "short shimmer", tail=0.5)
        expected, expected_rate = soundfile.read(tmp_path / stem, dtype="float32")
        output, output_rate = soundfile.read(tmp_path / "out" / stem, dtype="float32")
        assert output_rate == expected_rate == files[name][0]
        assert_bits_equal(output, expected)
