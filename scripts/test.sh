#!/usr/bin/env bash
# Builds and runs every test: the native build, the 32-bit x86 build (whose
# instance record is the 144-byte one), ThreadSanitizer, AddressSanitizer with
# UndefinedBehaviorSanitizer, and the Windows DLLs under wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh --windows

jobs=$(nproc)
failed=()

# build_and_test NAME [cmake options...]
build_and_test() {
    local name=$1
    shift
    echo "=== $name"
    cmake -S . -B "build-tests/$name" -DTAPESTRUM_WERROR=ON "$@" >/dev/null
    cmake --build "build-tests/$name" -j "$jobs" >/dev/null
    if ! (cd "build-tests/$name" && ctest --output-on-failure -j "$jobs"); then
        failed+=("$name")
    fi
}

build_and_test native -DCMAKE_BUILD_TYPE=Release
# Kernels without 32-bit support run the 32-bit programs under qemu's user-mode
# emulator, which carries out the x87 arithmetic in full.
emulator=()
probe=$(mktemp -d)
echo 'int main() { return 0; }' >"$probe/probe.cpp"
g++ -m32 "$probe/probe.cpp" -o "$probe/probe"
if ! "$probe/probe" 2>/dev/null; then
    emulator=(-DCMAKE_CROSSCOMPILING_EMULATOR=qemu-i386)
    echo "32-bit programs run under qemu-i386 on this kernel"
fi
rm -rf "$probe"
build_and_test x86-32 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/x86-32-linux.cmake \
    -DTAPESTRUM_TOOLS=OFF -DTAPESTRUM_BENCHMARKS=OFF "${emulator[@]}"
build_and_test thread-sanitizer -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_CXX_FLAGS=-fsanitize=thread -fno-omit-frame-pointer" -DTAPESTRUM_BENCHMARKS=OFF
build_and_test address-sanitizer -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_CXX_FLAGS=-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" \
    -DTAPESTRUM_BENCHMARKS=OFF

if [[ ${#failed[@]} -gt 0 ]]; then
    echo "FAILED builds: ${failed[*]}" >&2
    exit 1
fi
echo "all builds passed"
