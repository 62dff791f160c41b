#!/usr/bin/env bash
# Installs, from Debian's packages, what building and testing need, and does
# nothing when everything is there already. Run as root on Debian 12.
#   scripts/setup.sh            the native build, its tests, the offline host
#   scripts/setup.sh --windows  also what the rest of the test command needs: the
#                               mingw-w64 cross compilers, wine, and clang with
#                               its libFuzzer (libclang-rt-14-dev) for the fuzz targets
set -euo pipefail

packages=(build-essential cmake g++ g++-multilib binutils googletest libgtest-dev
          libbenchmark-dev libsndfile1-dev dpf-plugins-vst qemu-user lv2-dev lilv-utils
          pkg-config libxsimd-dev libfftw3-dev)
windows=0
if [[ "${1:-}" == "--windows" ]]; then
    windows=1
    packages+=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64
               clang libclang-rt-14-dev)
fi

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
