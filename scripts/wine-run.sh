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
exec "$loader" "$program" "$@"
