#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# Builds and runs every test: the native build, the 32-bit x86 build (whose
# instance record is the 144-byte one), ThreadSanitizer, AddressSanitizer with
# UndefinedBehaviorSanitizer, and the Windows DLLs under wine.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build-tests

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
    local log="build-tests/$name/ctest.log"
    # Programs under wine share one prefix per build; they run one at a time so
    # that the first run can set the prefix up undisturbed.
    local parallel=$jobs
    [[ $name == windows-* ]] && parallel=1
    if ! (cd "build-tests/$name" && ctest --output-on-failure -j "$parallel") | tee "$log"; then
        failed+=("$name")
    fi
    local counts
    counts=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' "$log" | tail -n 1)
    if [[ -n "$counts" ]]; then
        read -r failures total <<<"$counts"
        total_failed=$((total_failed + failures))
        total_passed=$((total_passed + total - failures))
    else
        failed+=("$name")
    fi
}
total_passed=0
total_failed=0

build_and_test native -DCMAKE_BUILD_TYPE=Release
# The Debian package of the native build: the install's files, and no lintian error or warning.
echo "=== Debian package"
if bash scripts/check-package.sh build-tests/native; then
    total_passed=$((total_passed + 1))
else
    failed+=(package)
    total_failed=$((total_failed + 1))
fi
# Every source file carries its licence line.
echo "=== licence lines"
if bash scripts/check-spdx.sh; then
    total_passed=$((total_passed + 1))
else
    failed+=(licence-lines)
    total_failed=$((total_failed + 1))
fi
# The Python module of the native build, through Debian's Python and pytest;
# each pytest case counts as a test.
echo "=== Python module"
python_log=build-tests/pytest.log
if ! TAPESTRUM_BUILD=build-tests/native /usr/bin/python3 -m pytest -p no:cacheprovider tests/python \
    2>&1 | tee "$python_log"; then
    failed+=(python)
fi
python_summary=$(grep -E '^=+ .*[0-9]+ (passed|failed|errors?)' "$python_log" | tail -n 1 || true)
# summary_count WORD: the number before WORD in pytest's summary line, or 0.
summary_count() {
    local count
    count=$(grep -oE "[0-9]+ $1" <<<"$python_summary" | head -n 1 | cut -d ' ' -f 1 || true)
    echo "${count:-0}"
}
if [[ -n "$python_summary" ]]; then
    total_passed=$((total_passed + $(summary_count passed)))
    total_failed=$((total_failed + $(summary_count failed) + $(summary_count 'errors?')))
else
    failed+=(python)
fi
# Kernels without 32-bit support run the 32-bit programs under qemu's user-mode
# emulator.
emulator=()
emulator32=()
probe=$(mktemp -d)
echo 'int main() { return 0; }' >"$probe/probe.cpp"
g++ -m32 "$probe/probe.cpp" -o "$probe/probe"
if ! "$probe/probe" 2>/dev/null; then
    emulator=(-DCMAKE_CROSSCOMPILING_EMULATOR=qemu-i386)
    emulator32=(qemu-i386)
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

# Windows: the 64-bit DLL and the specified 32-bit one, each with its tests run
# as Windows programs under wine.
build_and_test windows-x86_64 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
    -DTAPESTRUM_TOOLS=OFF -DTAPESTRUM_BENCHMARKS=OFF

# wine runs 32-bit Windows programs as 32-bit Linux processes; a kernel without
# 32-bit support cannot start them, and then only the DLL's tables are checked.
probe=$(mktemp -d)
echo 'int main() { return 0; }' >"$probe/probe.cpp"
i686-w64-mingw32-g++ -static "$probe/probe.cpp" -o "$probe/probe.exe"
if TAPESTRUM_WINEPREFIX="$probe/wineprefix" timeout 300 scripts/wine-run.sh "$probe/probe.exe" >/dev/null 2>&1; then
    build_and_test windows-i686 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
        -DTAPESTRUM_TOOLS=OFF -DTAPESTRUM_BENCHMARKS=OFF
    win32_runs=1
else
    echo "NOTE: wine cannot start 32-bit Windows programs on this machine (the kernel runs no"
    echo "      32-bit processes): the 32-bit DLL is built and its tables checked, its tests not run"
    build_and_test windows-i686 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
        -DTAPESTRUM_TOOLS=OFF -DTAPESTRUM_BENCHMARKS=OFF -DTAPESTRUM_RUN_WINDOWS_PROGRAMS=OFF
    win32_runs=0
fi
rm -rf "$probe"

# The same render on every platform: Linux x86-64 is the reference.
echo "=== the same render on every platform"
compare_dir=build-tests/compare
mkdir -p "$compare_dir"
raw=build-tests/native/tests/raw_render
settings=(mix=0.6 delay=0.4 "head direction=1" "process=1" "track lenght=0.7")
"$raw" signal "$compare_dir/signal.f32"
"$raw" render build-tests/native/tapestrum.so "$compare_dir/signal.f32" "$compare_dir/linux-x86_64.f32" "${settings[@]}"
compare() {
    echo -n "$1 against Linux x86-64: "
    if ! "$raw" compare "$compare_dir/linux-x86_64.f32" "$compare_dir/$1.f32" 1e-6; then
        failed+=("compare-$1")
    fi
}
"${emulator32[@]}" build-tests/x86-32/tests/raw_render render build-tests/x86-32/tapestrum.so \
    "$compare_dir/signal.f32" "$compare_dir/linux-x86.f32" "${settings[@]}"
compare linux-x86
zpath() { echo "Z:$(realpath "$1")"; }
scripts/wine-run.sh build-tests/windows-x86_64/tests/raw_render.exe render \
    "$(zpath build-tests/windows-x86_64/tapestrum.dll)" "$(zpath "$compare_dir/signal.f32")" \
    "Z:$(realpath "$compare_dir")/windows-x86_64.f32" "${settings[@]}"
compare windows-x86_64
if [[ $win32_runs -eq 1 ]]; then
    scripts/wine-run.sh build-tests/windows-i686/tests/raw_render.exe render \
        "$(zpath build-tests/windows-i686/tapestrum.dll)" "$(zpath "$compare_dir/signal.f32")" \
        "Z:$(realpath "$compare_dir")/windows-i686.f32" "${settings[@]}"
    compare windows-i686
fi

# The browser page: the WebAssembly module under Node.js and the page in
# headless Chromium, each against the native build. Skipped, with the reason,
# where its tools cannot be installed.
echo "=== web"
if ! web_setup=$({ bash scripts/setup.sh --web && bash scripts/web.sh test-packages; } 2>&1); then
    echo "NOTE: the web tests are skipped: their tools could not be installed:"
    echo "$web_setup" | tail -n 3 | sed 's/^/      /'
else
    web_log=build-tests/web.log
    if ! { bash scripts/web.sh build && TAPESTRUM_NATIVE_BUILD=build-tests/native bash web/test/run.sh; } 2>&1 |
        tee "$web_log"; then
        failed+=(web)
    fi
    web_passed=$(sed -n 's/^# pass \([0-9]*\)$/\1/p' "$web_log" | tail -n 1)
    web_failed=$(sed -n 's/^# fail \([0-9]*\)$/\1/p' "$web_log" | tail -n 1)
    if [[ -n "$web_passed" && -n "$web_failed" ]]; then
        total_passed=$((total_passed + web_passed))
        total_failed=$((total_failed + web_failed))
    else
        failed+=(web)
    fi
fi

# Fuzzing: every parser's target (tests/fuzz), built with clang and libFuzzer,
# replays its corpus and then fuzzes for a bounded time; each counts as one test.
# A crash, leak, sanitizer report or timeout fails it, and the input that caused
# it is left in build-tests/fuzz/artifacts and printed in base64.
echo "=== fuzzing"
fuzz_seconds=${TAPESTRUM_FUZZ_SECONDS:-25}
fuzz_targets=(fuzz_program_file fuzz_automation fuzz_host_calls fuzz_effect_state fuzz_faces
              fuzz_parameter_text)
probe=$(mktemp -d)
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
    >"$probe/probe.cpp"
if ! fuzz_setup=$(bash scripts/setup.sh --fuzz 2>&1); then
    echo "NOTE: skipped the fuzz targets: clang and libFuzzer could not be installed:"
    echo "$fuzz_setup" | tail -n 3 | sed 's/^/      /'
elif ! command -v clang++ >/dev/null; then
    echo "NOTE: skipped the fuzz targets: clang++ is missing (scripts/setup.sh --fuzz installs it)"
elif ! clang++ -fsanitize=fuzzer,address,undefined "$probe/probe.cpp" -o "$probe/probe" 2>/dev/null; then
    echo "NOTE: skipped the fuzz targets: clang++ cannot link libFuzzer (install libclang-rt-14-dev)"
else
    fuzz_dir=build-tests/fuzz
    cmake -S tests/fuzz -B "$fuzz_dir" -DCMAKE_CXX_COMPILER=clang++ -DTAPESTRUM_WERROR=ON >/dev/null
    cmake --build "$fuzz_dir" -j "$jobs" >/dev/null
    rm -rf "$fuzz_dir/artifacts" "$fuzz_dir/found"
    mkdir -p "$fuzz_dir/artifacts"
    export UBSAN_OPTIONS=print_stacktrace=1
    for target in "${fuzz_targets[@]}"; do
        seeds=tests/fuzz/corpus/$target
        found=$fuzz_dir/found/$target # what this run adds, kept out of the repository
        log=$fuzz_dir/$target.log
        mkdir -p "$found"
        options=(-timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512
                 "-artifact_prefix=$fuzz_dir/artifacts/$target-")
        if "$fuzz_dir/$target" "${options[@]}" "$seeds"/* >"$log" 2>&1 &&
            "$fuzz_dir/$target" "${options[@]}" -max_total_time="$fuzz_seconds" -print_final_stats=1 \
                "$found" "$seeds" >>"$log" 2>&1; then
            echo "$target: $(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1 | sed -E 's/^#[0-9]+[[:space:]]+DONE[[:space:]]+//')"
            total_passed=$((total_passed + 1))
        else
            echo "$target: FAILED (the whole output: $log)"
            grep -E 'ERROR|SUMMARY|runtime error|Test unit written' "$log" | head -n 20 || true
            for artifact in "$fuzz_dir/artifacts/$target"-*; do
                [[ -f $artifact ]] || continue
                echo "input: $artifact (reproduce: $fuzz_dir/$target $artifact)"
                echo "base64: $(base64 -w 0 "$artifact")"
            done
            total_failed=$((total_failed + 1))
            failed+=("$target")
        fi
    done
fi
rm -rf "$probe"

echo
if [[ ${#failed[@]} -gt 0 ]]; then
    echo "FAILED: ${failed[*]}" >&2
    echo "tests: $total_passed passed, $total_failed failed"
    exit 1
fi
echo "tests: $total_passed passed, $total_failed failed"
