#!/usr/bin/env bash
# Checks the Windows CLAP file's tables: it exports exactly `clap_entry`, and
# imports from nothing but Windows' own DLLs.
set -euo pipefail
objdump=$1
dll=$2
tables=$("$objdump" -p "$dll")

exports=$(printf '%s\n' "$tables" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/{/Table/d;p}' | grep -oE '\] [A-Za-z_][A-Za-z0-9_@]*$' |
    sed 's/^\] //' | sort | tr '\n' ' ')
if [[ "$exports" != "clap_entry " ]]; then
    echo "FAIL: $dll exports '$exports', expected exactly clap_entry"
    exit 1
fi

status=0
while read -r name; do
    case "${name,,}" in
        kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | ucrtbase.dll | api-ms-win-*) ;;
        *) echo "FAIL: $dll imports $name, which is not part of Windows"; status=1 ;;
    esac
done < <(printf '%s\n' "$tables" | sed -n 's/^\s*DLL Name: //p')
[[ $status -eq 0 ]] && echo "ok: $dll exports clap_entry and imports only system DLLs:" \
    $(printf '%s\n' "$tables" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
exit $status
