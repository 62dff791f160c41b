#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# The speed of the browser page's modules beside the native build, through the
# same C interface in the audio worklet's 128-frame blocks (44.1 kHz, every hop
# recorded): the native library (web/speed/NativeSpeed.cpp), then the
# WebAssembly module with SIMD and the scalar one under Node.js
# (web/speed/speed.mjs), each the best of several passes over several rounds,
# and each module's time as a multiple of the native time. On a busy machine,
# more rounds give steadier figures.
#   scripts/web-speed.sh [--no-build] [SECONDS] [PASSES] [ROUNDS]   (5 s, 5 passes, 3 rounds)
set -euo pipefail
cd "$(dirname "$0")/.."

build=yes
if [[ ${1:-} == --no-build ]]; then
    build=no
    shift
fi
seconds=${1:-5}
passes=${2:-5}
rounds=${3:-3}
out=build-web
native=$out/native

if [[ $build == yes ]]; then
    bash scripts/web.sh build >/dev/null
    cmake --build "$native" -j 2 --target tapestrum_c >/dev/null
    g++ -std=c++20 -O2 -Wall -Wextra -Wpedantic -Werror -I. web/speed/NativeSpeed.cpp \
        "$native/libtapestrum_c.a" "$native/libtapestrum_core.a" "$native/libtapestrum_engine.a" \
        "$native/libtapestrum_dsp.a" -o "$out/native_speed"
fi

# Rounds of the three in turn, each the best of its passes; the best of every
# round is kept, so that a burst of load on the machine spoils none of them.
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }
native_time='' simd_time='' scalar_time=''
for ((round = 0; round < rounds; ++round)); do
    native_time=$(best "$("$out/native_speed" "$seconds" "$passes")" "$native_time")
    simd_time=$(best "$(node web/speed/speed.mjs "$out/site/tapestrum.wasm" "$seconds" "$passes")" "$simd_time")
    scalar_time=$(best "$(node web/speed/speed.mjs "$out/site/tapestrum-nosimd.wasm" "$seconds" "$passes")" "$scalar_time")
done
ratio() { awk -v a="$1" -v b="$native_time" 'BEGIN { printf "%.2f", a / b }'; }
printf '%-24s %10s ns of processor time per block\n' native "$native_time"
printf '%-24s %10s ns per block  %s x native\n' tapestrum.wasm "$simd_time" "$(ratio "$simd_time")"
printf '%-24s %10s ns per block  %s x native\n' tapestrum-nosimd.wasm "$scalar_time" "$(ratio "$scalar_time")"
