#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# The manual page covers the tool: every command `tapestrum --help` lists,
# every option each command's --help shows and every factory preset
# `tapestrum presets` lists appear in it.
#   man-page-test.sh TOOL MAN_PAGE
set -euo pipefail
tool=$1
# The page's text with roff's escaped hyphens plain.
page=$(sed 's/\\-/-/g; s/\\f[BIRP]//g' "$2")

commands=$("$tool" --help | awk '/^commands:/ { on = 1; next } on && /^  [a-z]/ { print $1 } on && /^$/ { on = 0 }')
[[ -n $commands ]] || { echo "FAIL: no commands in tapestrum --help"; exit 1; }
status=0
checked=0
for command in $commands; do
    if ! grep -q "^\.B tapestrum $command\b" <<<"$page"; then
        echo "FAIL: the page has no synopsis of '$command'"
        status=1
    fi
    options=$("$tool" "$command" --help | grep -oE '(^|[ [])(--[a-z][a-z0-9-]*|-[a-z])\b' |
        sed "s/^[ []*//" | sort -u || true)
    for option in $options; do
        checked=$((checked + 1))
        if ! grep -qE -- "(^|[^a-z-])$option([^a-z-]|$)" <<<"$page"; then
            echo "FAIL: '$command $option' is not in the page"
            status=1
        fi
    done
done
for flag in --help --version; do
    if "$tool" "$flag" >/dev/null 2>&1 && ! grep -qE -- "(^|[^a-z-])$flag([^a-z-]|$)" <<<"$page"; then
        echo "FAIL: 'tapestrum $flag' is not in the page"
        status=1
    fi
done
while IFS= read -r preset; do
    if ! grep -q "^${preset}"$'\t' <<<"$page"; then
        echo "FAIL: the factory preset '$preset' is not in the page"
        status=1
    fi
done < <("$tool" presets | sed 's/  .*//')
[[ $status == 0 ]] && echo "man page: $(wc -w <<<"$commands") commands, $checked options found"
exit $status
