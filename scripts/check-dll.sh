#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# Checks a Windows plug-in DLL's tables: it exports exactly the names given, and
# imports from nothing but Windows' own DLLs.
#   scripts/check-dll.sh OBJDUMP DLL EXPORT...
set -euo pipefail
objdump=$1
dll=$2
shift 2
expected=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
tables=$("$objdump" -p "$dll")

exports=$(printf '%s\n' "$tables" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/{/Table/d;p}' | grep -oE '\] [A-Za-z_][A-Za-z0-9_@]*$' |
    sed 's/^\] //' | sort | tr '\n' ' ')
if [[ "$exports" != "$expected" ]]; then
    echo "FAIL: $dll exports '$exports', expected exactly '$expected'"
    exit 1
fi

status=0
while read -r name; do
    case "${name,,}" in
        kernel32.dll | msvcrt.dll | user32.dll | gdi32.dll | advapi32.dll | ucrtbase.dll | api-ms-win-*) ;;
        *) echo "FAIL: $dll imports $name, which is not part of Windows"; status=1 ;;
    esac
done < <(printf '%s\n' "$tables" | sed -n 's/^\s*DLL Name: //p')
[[ $status -eq 0 ]] && echo "ok: $dll exports $exports and imports only system DLLs:" \
    $(printf '%s\n' "$tables" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
exit $status
