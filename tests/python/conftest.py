# SPDX-License-Identifier: ISC
# The Python module's tests run against a build: TAPESTRUM_BUILD (default:
# build/ of this repository) holds the module in python/, the offline host and
# the VST 2 module, and tests/raw_render. The module and the examples are
# put on the path of this process and of the processes it starts (the Dask
# workers).
import os
import pathlib
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
BUILD = pathlib.Path(os.environ.get("TAPESTRUM_BUILD", ROOT / "build")).resolve()
_paths = [str(BUILD / "python"), str(ROOT / "examples")]
sys.path[:0] = _paths
os.environ["PYTHONPATH"] = os.pathsep.join(
    _paths + [p for p in os.environ.get("PYTHONPATH", "").split(os.pathsep) if p])
