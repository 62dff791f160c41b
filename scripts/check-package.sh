#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# Builds the Debian package of a build (build/tapestrum_<version>_<arch>.deb)
# and checks it: its files are exactly those `cmake --install` puts under /usr,
# and lintian reports neither an error nor a warning on it.
#   scripts/check-package.sh [BUILD_DIR]   (default: build)
set -euo pipefail
build=${1:-build}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$build" && cpack -G DEB >"$scratch/cpack.log") || { cat "$scratch/cpack.log"; exit 1; }
deb=$(sed -n 's/.*package: \(.*\.deb\) generated.*/\1/p' "$scratch/cpack.log" | tail -n 1)
[[ -f $deb ]] || { echo "check-package: no package was made" >&2; exit 1; }

status=0
DESTDIR=$scratch/install cmake --install "$build" --prefix /usr >/dev/null
# In the package's listing the path is everything after the fifth column: it
# may hold spaces (the VST 3 presets' folder does).
if ! diff <(cd "$scratch/install" && find . ! -type d | sort) \
          <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/' | sed -E 's/^([^ ]+ +){5}//' | sort); then
    echo "FAIL: the package holds other files than the install (< install, > package)"
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
exit $status
