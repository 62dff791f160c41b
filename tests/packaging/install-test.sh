#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# Installs a build into a scratch DESTDIR and checks what lands there: exactly
# the files an install should hold, all under the prefix; the installed tool
# runs from there and finds the installed module; lv2info, pointed into the
# scratch tree, shows the plug-in and every factory preset; Debian's Python
# imports the installed module, which says the tool's version.
#   install-test.sh SOURCE_DIR BUILD_DIR HAVE_VST3 HAVE_CLAP [PYTHON_VERSION PYTHON_MODULE]
#   (the last two when the build has the Python module: "3.11" and the file name
#   of its compiled part)
set -euo pipefail
source=$1
build=$2
have_vst3=$3
have_clap=$4
python_version=${5:-}
python_module=${6:-}
prefix=/opt/tapestrum
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

DESTDIR=$scratch cmake --install "$build" --prefix "$prefix" >/dev/null
root=$scratch$prefix

expected=(
    bin/tapestrum
    lib/vst/tapestrum.so
    lib/lv2/tapestrum.lv2/manifest.ttl
    lib/lv2/tapestrum.lv2/presets.ttl
    lib/lv2/tapestrum.lv2/presets-stereo.ttl
    lib/lv2/tapestrum.lv2/tapestrum.so
    lib/lv2/tapestrum.lv2/tapestrum.ttl
    lib/lv2/tapestrum.lv2/tapestrum-stereo.ttl
    lib/lv2/tapestrum.lv2/tapestrum_ui.so
    lib/lv2/tapestrum.lv2/tapestrum_ui.ttl
    share/man/man1/tapestrum.1.gz
    share/bash-completion/completions/tapestrum
    share/doc/tapestrum/README.md
    share/doc/tapestrum/copyright
    share/doc/tapestrum/changelog.gz
)
for file in "$source"/docs/*.png; do
    expected+=("share/doc/tapestrum/docs/$(basename "$file")")
done
presets=()
stems=()
for file in "$build"/presets/vst2/*.fxp; do
    stem=$(basename "$file" .fxp)
    expected+=("share/tapestrum/presets/vst2/$stem.fxp")
    presets+=("${stem//-/ }")
    stems+=("$stem")
done
if [[ $have_vst3 == 1 ]]; then
    while IFS= read -r file; do
        expected+=("lib/vst3/$file")
    done < <(cd "$build" && find tapestrum.vst3 -type f)
    # The VST 3 presets, in the folder hosts look in for the vendor's plug-in.
    for stem in "${stems[@]}"; do
        expected+=("share/vst3/presets/Vormix/tapestrum 26-03-2004/$stem.vstpreset")
    done
fi
[[ $have_clap == 1 ]] && expected+=(lib/clap/tapestrum.clap)
# Outside /usr the module goes where Debian's Python looks under /usr/local.
python_site=lib/python$python_version/dist-packages
if [[ -n $python_module ]]; then
    expected+=("$python_site/tapestrum/__init__.py" "$python_site/tapestrum/$python_module"
               share/doc/python3-tapestrum/copyright share/doc/python3-tapestrum/changelog.gz)
fi

status=0
outside=$(cd "$scratch" && find . -mindepth 1 \( -type f -o -type l \) | grep -v "^\.$prefix/" || true)
if [[ -n $outside ]]; then
    echo "FAIL: installed outside the prefix $prefix:" $outside
    status=1
fi
if ! diff <(printf '%s\n' "${expected[@]}" | sort) \
          <(cd "$root" && find . \( -type f -o -type l \) | sed 's|^\./||' | sort); then
    echo "FAIL: the install holds other files than expected (< expected, > installed)"
    status=1
fi

# Run from the install, the tool finds the module installed beside it and
# says its version, the same in --version and in info.
if ! "$root/bin/tapestrum" info >"$scratch/info.txt" ||
   ! grep -qxF "module          $root/lib/vst/tapestrum.so" "$scratch/info.txt"; then
    echo "FAIL: the installed tapestrum does not run with the installed module"
    cat "$scratch/info.txt"
    status=1
fi
version=$("$root/bin/tapestrum" --version || true)
if [[ ! $version =~ ^tapestrum\ [0-9] ]] ||
   ! grep -qxF "tapestrum       ${version#tapestrum }" "$scratch/info.txt"; then
    echo "FAIL: the installed tapestrum says its version as '$version', info otherwise"
    status=1
fi
if [[ -n $python_module ]]; then
    said=$(cd "$scratch" && PYTHONPATH=$root/$python_site /usr/bin/python3 -c \
        'import tapestrum; print(tapestrum.__file__, tapestrum.__version__)' || true)
    if [[ $said != "$root/$python_site/tapestrum/__init__.py ${version#tapestrum }" ]]; then
        echo "FAIL: the installed Python module says '$said'"
        status=1
    fi
fi

# The mono plug-in and the stereo one, each with every preset.
for uri in urn:tapestrum:tapestrum urn:tapestrum:tapestrum-stereo; do
    lv2=$(LV2_PATH=$root/lib/lv2 lv2info "$uri" 2>/dev/null || true)
    if ! grep -qx "$uri" <<<"$lv2"; then
        echo "FAIL: lv2info does not find the installed plug-in $uri"
        status=1
    fi
    shown=$(sed -n '/^\tPresets:/,/^$/p' <<<"$lv2" | tail -n +2 | sed 's/^[[:space:]]*//; /^$/d' | sort)
    if [[ "$shown" != "$(printf '%s\n' "${presets[@]}" | sort)" ]]; then
        echo "FAIL: lv2info shows the presets of $uri"
        echo "$shown"
        echo "instead of"
        printf '%s\n' "${presets[@]}"
        status=1
    fi
done
[[ $status == 0 ]] && echo "install: ${#expected[@]} files under $prefix; tool and LV2 presets found"
exit $status
