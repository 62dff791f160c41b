#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# Runs a Windows program under wine, headless, in a wine prefix of the build's
# own (created on first use, which takes about ten seconds).
set -euo pipefail
program=$1
shift
prefix=${TAPESTRUM_WINEPREFIX:-$(cd "$(dirname "$program")" && pwd)/wineprefix}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
if file -b "$program" | grep -q "PE32+"; then
    loader=$(command -v wine64 || echo /usr/lib/wine/wine64)
else
    loader=$(command -v wine)
fi
# Programs that show windows (the editors' tests) set TAPESTRUM_WINE_XVFB: they
# run on an X server of their own, where there is one to start.
if [[ -n ${TAPESTRUM_WINE_XVFB:-} ]] && command -v xvfb-run >/dev/null; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$loader" "$program" "$@"
fi
exec "$loader" "$program" "$@"
