#!/usr/bin/env bash
# Checks a Windows plug-in DLL's tables: it exports exactly `main` and
# `VSTPluginMain`, and imports from nothing but Windows' own DLLs.
set -euo pipefail
objdump=$1
dll=$2
tables=$("$objdump" -p "$dll")

exports=$(printf '%s\n' "$tables" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/{/Table/d;p}' | grep -oE '\] [A-Za-z_][A-Za-z0-9_@]*$' |
    sed 's/^\] //' | sort | tr '\n' ' ')
if [[ "$exports" != "VSTPluginMain main " ]]; then
    echo "FAIL: $dll exports '$exports', expected exactly main and VSTPluginMain"
    exit 1
fi

status=0
while read -r name; do
    case "${name,,}" in
        kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | ucrtbase.dll | api-ms-win-*) ;;
        *) echo "FAIL: $dll imports $name, which is not part of Windows"; status=1 ;;
    esac
done < <(printf '%s\n' "$tables" | sed -n 's/^\s*DLL Name: //p')
[[ $status -eq 0 ]] && echo "ok: $dll exports main and VSTPluginMain and imports only system DLLs:" \
    $(printf '%s\n' "$tables" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
exit $status
