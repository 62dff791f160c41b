#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# Takes the LV2 editor's picture in the README: jalv.gtk3 (Debian's jalv) shows
# the built bundle's UI with the spectral echo preset, on a virtual X server,
# while a dummy JACK server plays a click track into the plug-in. Needs
# Debian's jalv, jackd2, xvfb and imagemagick.
#   scripts/lv2-editor-screenshot.sh [BUILD_DIR [PICTURE]]
set -euo pipefail
build=$(realpath "${1:-build}")
picture=$(realpath "${2:-docs/lv2-editor.png}")
lv2=$(mktemp -d)
trap 'rm -rf "$lv2"' EXIT
ln -s "$build/tapestrum.lv2" "$lv2/tapestrum.lv2"
cat >"$lv2/run.sh" <<SCRIPT
export LV2_PATH=$lv2 JACK_DEFAULT_SERVER=shot\$\$
jackd -n shot\$\$ -d dummy -r 48000 -p 256 >/dev/null 2>&1 & server=\$!
sleep 2
jack_metro -b 170 -f 660 -A 0.5 -D 250 >/dev/null 2>&1 & click=\$!
jalv.gtk3 --no-menu --preset=urn:tapestrum:preset:spectral-echo urn:tapestrum:tapestrum \
    >/dev/null 2>&1 & host=\$!
sleep 3
jack_connect metro:170_bpm tapestrum:in
sleep 5
import -window root -crop 720x480+0+0 "$picture"
kill \$host \$click; sleep 1; kill \$server
SCRIPT
xvfb-run -a -s "-screen 0 800x560x24" sh "$lv2/run.sh"
echo "wrote $picture"
