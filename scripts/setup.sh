#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# Installs, from Debian's packages, what building and testing need, and does
# nothing when everything is there already. Run as root on Debian 12.
#   scripts/setup.sh            the native build, its tests, the offline host
#   scripts/setup.sh --windows  also the mingw-w64 cross compilers and wine
#   scripts/setup.sh --web      also what the browser page and its tests need:
#                               clang with the wasm32 C and C++ libraries,
#                               Chromium, Node.js and npm
#   scripts/setup.sh --fuzz     also clang with its libFuzzer (libclang-rt-14-dev),
#                               for the fuzz targets
set -euo pipefail

packages=(build-essential cmake g++ g++-multilib binutils googletest libgtest-dev
          libbenchmark-dev libsndfile1-dev dpf-plugins-vst qemu-user lv2-dev lilv-utils
          pkg-config libxsimd-dev libfftw3-dev libstb-dev fonts-dejavu-core
          dpkg-dev file lintian sox libx11-dev xvfb xauth)
windows=0
for option in "$@"; do
    case $option in
    --windows)
        windows=1
        packages+=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64)
        ;;
    --fuzz)
        packages+=(clang libclang-rt-14-dev)
        ;;
    --web)
        packages+=(clang-14 lld-14 wasi-libc libc++-14-dev-wasm32 libc++abi-14-dev-wasm32
                   libclang-rt-14-dev-wasm32 chromium)
        # A Node.js from elsewhere may bring its own npm (and conflict with
        # Debian's): what counts is that both commands are there.
        command -v node >/dev/null || packages+=(nodejs)
        command -v npm >/dev/null || packages+=(npm)
        ;;
    *)
        echo "setup: unknown option $option (--windows, --fuzz, --web)" >&2
        exit 2
        ;;
    esac
done

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -ne 0 ]]; then
    echo "setup: these packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
fi
if [[ $windows -eq 1 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
