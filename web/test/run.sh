#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# The web tests, after scripts/web.sh has built the site and npm has installed
# the pinned puppeteer-core (see scripts/web.sh test): the WebAssembly module
# under Node.js and the page in headless Chromium, each against the native
# build of the same C interface (web/test/NativeRender.cpp). Ends with Node's
# test summary ("# pass N", "# fail M"); the screenshot lands in
# build-web/web.png.
#   TAPESTRUM_NATIVE_BUILD  a native build folder whose core libraries to use
#                           (default: build-web/native, built here)
set -euo pipefail
cd "$(dirname "$0")/../.."
out=build-web
native=${TAPESTRUM_NATIVE_BUILD:-$out/native}
if [[ -z "${TAPESTRUM_NATIVE_BUILD:-}" ]]; then
    cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=Release -DTAPESTRUM_WERROR=ON -DTAPESTRUM_TESTS=OFF \
        -DTAPESTRUM_TOOLS=OFF -DTAPESTRUM_BENCHMARKS=OFF -DTAPESTRUM_LV2=OFF >/dev/null
    cmake --build "$native" -j 2 --target tapestrum_c >/dev/null
fi
mkdir -p "$out"
g++ -std=c++20 -O2 -Wall -Wextra -Wpedantic -Werror -I. web/test/NativeRender.cpp tools/Demo.cpp \
    "$native/libtapestrum_c.a" "$native/libtapestrum_core.a" "$native/libtapestrum_engine.a" "$native/libtapestrum_dsp.a" \
    -o "$out/native_render"

if [[ ! -d web/node_modules/puppeteer-core ]]; then
    echo "web tests: puppeteer-core is missing: run scripts/web.sh test (or npm ci in web/)" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TAPESTRUM_SITE=$PWD/$out/site
export TAPESTRUM_WORK=$work
export TAPESTRUM_NATIVE_RENDER=$PWD/$out/native_render
export TAPESTRUM_KERNEL_CHECKS=$PWD/$out/kernel-identity.wasm
export TAPESTRUM_SCREENSHOT=$PWD/$out/web.png
node --test web/test/wasm.test.mjs web/test/browser.test.mjs
