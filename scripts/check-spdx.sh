#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# Lists every source file of the repository whose first lines lack its licence
# line, "SPDX-License-Identifier: ISC", and fails if there is one. Source files
# are the code, build and script files; data (fuzz corpora, pictures, JSON) and
# the Debian changelog template are not.
#   scripts/check-spdx.sh
set -euo pipefail
cd "$(dirname "$0")/.."

sources() {
    git ls-files -- '*.cpp' '*.h' '*.inl' '*.js' '*.mjs' '*.css' '*.html' '*.sh' '*.py' '*.cmake' \
        '*CMakeLists.txt' '*.map' '*.def' '*.1' .ci/run packaging/tapestrum.bash-completion
}

missing=0
while IFS= read -r file; do
    if ! head -n 3 "$file" | grep -q 'SPDX-License-Identifier: ISC'; then
        echo "no licence line: $file"
        missing=$((missing + 1))
    fi
done < <(sources)
if [[ $missing -gt 0 ]]; then
    echo "FAIL: $missing source files lack \"SPDX-License-Identifier: ISC\" in their first lines"
    exit 1
fi
echo "licence lines: every source file has its SPDX line ($(sources | wc -l) files)"
