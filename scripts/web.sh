#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# The effect in a browser page: builds the WebAssembly module of the effect core
# and serves the page on this machine.
#   scripts/web.sh [serve] [PORT]  build, then serve build-web/site on 127.0.0.1:PORT (8000)
#   scripts/web.sh build           build build-web/site only
#   scripts/web.sh test            build, then run the web tests (Node.js and headless Chromium)
#   scripts/web.sh test-packages   only install the tests' pinned npm packages (npm ci in web/)
#
# The module is the C interface compiled by clang for wasm32-wasi as a reactor
# without exceptions; it imports nothing and exports the C interface of
# c/tapestrum.h, malloc, free and _initialize. It comes in two builds:
# tapestrum.wasm with WebAssembly SIMD (-msimd128, and bulk memory), where the
# engine runs its WebAssembly vector kernels, and tapestrum-nosimd.wasm, the
# scalar reference path, which the page loads only where the browser lacks
# SIMD. Both render bit for bit what the native build renders.
# scripts/setup.sh --web installs the compiler, the WebAssembly C and C++
# libraries, Chromium and npm.
set -euo pipefail
cd "$(dirname "$0")/.."

out=build-web
site=$out/site
objects=$out/wasm-objects
clang=${TAPESTRUM_WASM_CLANG:-clang++-14}

exports=(tapestrum_new tapestrum_new_stereo tapestrum_delete tapestrum_channels tapestrum_parameter_count tapestrum_set_parameter
         tapestrum_get_parameter tapestrum_parameter_name tapestrum_parameter_text
         tapestrum_preset_count tapestrum_preset_name tapestrum_preset_description
         tapestrum_apply_preset tapestrum_process tapestrum_process_stereo
         tapestrum_track_magnitudes tapestrum_track_picture tapestrum_track_capacity tapestrum_bin_count
         tapestrum_track_length tapestrum_write_head tapestrum_read_head malloc free)

# The C interface's sources and those of the layers below it, as the CMake build
# lists them (c-interface-sources.txt, which a configure writes), less the x86
# vector units. The folder is the native build web/test/run.sh makes by default.
core_sources() {
    local native=$out/native
    cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=Release -DTAPESTRUM_WERROR=ON -DTAPESTRUM_TESTS=OFF \
        -DTAPESTRUM_TOOLS=OFF -DTAPESTRUM_BENCHMARKS=OFF -DTAPESTRUM_LV2=OFF >/dev/null
    cat "$native/c-interface-sources.txt"
}

# The one project version, as CMake's project() states it.
version=$(sed -n 's/^project(tapestrum VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

# One unit of the build in $variant (simd or nosimd).
compile() {
    local source=$1
    local object=$objects/$variant/$(echo "$source" | tr / _).o
    # Contraction into fused multiply-adds stays off, as in the native build.
    local flags=(--target=wasm32-wasi -std=c++20 -O2 -ffp-contract=off -fno-exceptions
                 -Wall -Wextra -Wpedantic -Werror -I. -DTAPESTRUM_VERSION=\"$version\")
    # Every engine with SIMD also has bulk memory (memcpy and memset as one
    # instruction each) and sign extension; the scalar module needs neither.
    # Float-to-integer conversions keep their checked form, which gives what
    # the native build gives for a value beyond the integer's range.
    if [[ $variant == simd ]]; then flags+=(-msimd128 -mbulk-memory -msign-ext); fi
    case $source in
    # The toolkit's two throws (see web/wasm/Freestanding.cpp).
    dsp/GuardedMath.cpp | dsp/RealFFT.cpp) flags+=(-fexceptions) ;;
    tests/* | web/test/*) flags+=(-Itests) ;;
    esac
    "$clang" "${flags[@]}" -c "$source" -o "$object"
}
export -f compile
export objects clang version

build() {
    if ! command -v "$clang" >/dev/null || [[ ! -f /usr/lib/wasm32-wasi/libc++.a ]]; then
        echo "web: clang 14 and the wasm32 libraries are missing: run scripts/setup.sh --web" >&2
        exit 1
    fi
    mkdir -p "$objects/simd" "$objects/nosimd" "$site"
    local sources
    sources=$(core_sources; echo web/wasm/Freestanding.cpp)
    local variant module
    for variant in simd nosimd; do
        module=tapestrum.wasm
        [[ $variant == simd ]] || module=tapestrum-$variant.wasm
        # Every unit again when a header may have changed; cheap enough at -j2.
        echo "$sources" | variant=$variant xargs -P 2 -I{} bash -c 'compile {}'
        local objs=()
        for source in $sources; do objs+=("$objects/$variant/$(echo "$source" | tr / _).o"); done
        # No -O on the link lines: there it only makes clang run binaryen's
        # wasm-opt when one is installed, without the module's features.
        "$clang" --target=wasm32-wasi -mexec-model=reactor -Wl,--strip-all \
            "${exports[@]/#/-Wl,--export=}" "${objs[@]}" -o "$site/$module"
        echo "web: built $site/$module ($(stat -c %s "$site/$module") bytes of WebAssembly)"
    done
    # For the tests, beside the site: the kernel identity checks in a module
    # built as the SIMD one is (web/test/KernelIdentity.cpp).
    local checks=(tests/support/KernelComparison.cpp tests/support/Signals.cpp
                  web/test/KernelIdentity.cpp)
    printf '%s\n' "${checks[@]}" | variant=simd xargs -P 2 -I{} bash -c 'compile {}'
    local objs=()
    for source in $sources "${checks[@]}"; do objs+=("$objects/simd/$(echo "$source" | tr / _).o"); done
    "$clang" --target=wasm32-wasi -mexec-model=reactor -Wl,--strip-all \
        -Wl,--export=kernel_identity "${objs[@]}" -o "$out/kernel-identity.wasm"
    cp web/page/* "$site/"
}

# The pinned puppeteer-core (web/package-lock.json), without a browser of its
# own: the tests drive Debian's chromium.
install_test_packages() {
    (cd web && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error >/dev/null)
}

case "${1:-serve}" in
build)
    build
    ;;
test-packages)
    install_test_packages
    ;;
serve)
    build
    port=${2:-8000}
    echo "web: open http://127.0.0.1:$port/ in a browser (Ctrl-C stops the server)"
    exec python3 -m http.server --bind 127.0.0.1 --directory "$site" "$port"
    ;;
test)
    build
    install_test_packages
    exec bash web/test/run.sh
    ;;
*)
    echo "usage: scripts/web.sh [serve [PORT] | build | test]" >&2
    exit 2
    ;;
esac
