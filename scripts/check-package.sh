#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# Builds the Debian packages of a build (build/tapestrum_<version>_<arch>.deb,
# and build/python3-tapestrum_<version>_<arch>.deb when the build has the
# Python module) and checks each: its files are exactly those `cmake --install`
# puts under /usr for its part of the install, and lintian reports neither an
# error nor a warning on it.
#   scripts/check-package.sh [BUILD_DIR]   (default: build)
set -euo pipefail
build=${1:-build}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$build" && cpack -G DEB >"$scratch/cpack.log") || { cat "$scratch/cpack.log"; exit 1; }
mapfile -t debs < <(sed -n 's/.*package: \(.*\.deb\) generated.*/\1/p' "$scratch/cpack.log")
[[ ${#debs[@]} -gt 0 ]] || { echo "check-package: no package was made" >&2; exit 1; }

status=0
for deb in "${debs[@]}"; do
    # The Python module's package holds the install's "python" component;
    # the plug-ins' package the rest, or everything when it is the only one.
    component=()
    if [[ ${#debs[@]} -gt 1 ]]; then
        component=(--component Unspecified)
        [[ $(basename "$deb") == python3-tapestrum_* ]] && component=(--component python)
    fi
    install=$scratch/install-$(basename "$deb")
    DESTDIR=$install cmake --install "$build" --prefix /usr "${component[@]}" >/dev/null
    # In the package's listing the path is everything after the fifth column: it
    # may hold spaces (the VST 3 presets' folder does).
    if ! diff <(cd "$install" && find . ! -type d | sort) \
              <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/' | sed -E 's/^([^ ]+ +){5}//' | sort); then
        echo "FAIL: $deb holds other files than the install (< install, > package)"
        status=1
    fi
    # lintian warns that it runs as root; only its own tags count.
    if ! lintian --fail-on error,warning "$deb" 2>"$scratch/lintian.err" | tee "$scratch/lintian.log"; then
        cat "$scratch/lintian.err" >&2
        status=1
    fi
    if grep -q '^[EW]:' "$scratch/lintian.log"; then
        echo "FAIL: lintian reports errors or warnings on $deb"
        status=1
    fi
    [[ $status == 0 ]] && echo "package: $deb holds what the install does; lintian reports no error and no warning"
done
exit $status
