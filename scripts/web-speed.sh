#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# The speed of the browser page's modules beside the native build, through the
# same C interface in the audio worklet's 128-frame blocks (44.1 kHz, every hop
# recorded): the native library (web/speed/NativeSpeed.cpp), then the
# WebAssembly module with SIMD and the scalar one under Node.js
# (web/speed/speed.mjs), each the best of several passes, and each module's
# time as a multiple of the native time. The machine should be otherwise idle;
# run it a few times and take the best.
#   scripts/web-speed.sh [--no-build] [SECONDS] [PASSES]   (10 s, 5 passes)
set -euo pipefail
cd "$(dirname "$0")/.."

build=yes
if [[ ${1:-} == --no-build ]]; then
    build=no
    shift
fi
seconds=${1:-10}
passes=${2:-5}
out=build-web
native=$out/native

if [[ $build == yes ]]; then
    bash scripts/web.sh build >/dev/null
    cmake --build "$native" -j 2 --target tapestrum_c >/dev/null
    g++ -std=c++20 -O2 -Wall -Wextra -Wpedantic -Werror -I. web/speed/NativeSpeed.cpp \
        "$native/libtapestrum_c.a" "$native/libtapestrum_core.a" "$native/libtapestrum_engine.a" \
        "$native/libtapestrum_dsp.a" -o "$out/native_speed"
fi

base=$("$out/native_speed" "$seconds" "$passes")
printf '%-24s %10s ns per block\n' native "$base"
for module in tapestrum.wasm tapestrum-nosimd.wasm; do
    time=$(node web/speed/speed.mjs "$out/site/$module" "$seconds" "$passes")
    ratio=$(awk -v a="$time" -v b="$base" 'BEGIN { printf "%.2f", a / b }')
    printf '%-24s %10s ns per block  %s x native\n' "$module" "$time" "$ratio"
done
