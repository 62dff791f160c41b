#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# The main job: installs what is missing, builds the plug-in module and the
# offline host, and renders the demo into out/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" >/dev/null
./build/tapestrum info
./build/tapestrum demo out
