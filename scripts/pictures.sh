#!/usr/bin/env bash
# SPDX-License-Identifier: ISC
# Draws the pictures of the factory presets: renders the demo's input through
# every factory preset (`tapestrum render --preset NAME`) and writes a spectrogram of the input and of each output into docs/,
# then rewrites the README's table of presets, which shows each picture beside
# the preset's description. Nothing in docs/ is drawn by hand.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target tapestrum_tool >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p docs
rm -f docs/spectrogram-*.png

# spectrogram IN.wav TITLE OUT.png: 600 by 200 pixels of graph, with its axes.
spectrogram() {
    sox -V1 "$1" -n spectrogram -x 600 -y 200 -t "$2" -c "tapestrum" -o "$3"
}

./build/tapestrum demo "$work" >/dev/null
spectrogram "$work/demo-input.wav" "the demo's input" docs/spectrogram-input.png

# The presets in the table's order, with their descriptions: "name<TAB>what it
# does" lines (the list puts two spaces or more between them).
presets=$(./build/tapestrum presets | sed 's/   */\t/')
table=$work/table.md
{
    echo "| preset | what it does | the demo through it |"
    echo "|---|---|---|"
    echo "| (none) | the demo's input: a chord, a melody and noise bursts | ![the demo's input](docs/spectrogram-input.png) |"
} >"$table"
while IFS=$'\t' read -r name description; do
    stem=${name// /-}
    ./build/tapestrum render "$work/demo-input.wav" "$work/$stem.wav" \
        --preset "$name" --tail 2
    spectrogram "$work/$stem.wav" "$name" "docs/spectrogram-$stem.png"
    echo "| $name | $description | ![$name](docs/spectrogram-$stem.png) |" >>"$table"
done <<<"$presets"

# The README's table lies between these two lines.
begin='<!-- factory presets: written by scripts/pictures.sh -->'
end='<!-- end of factory presets -->'
grep -qxF "$begin" README.md && grep -qxF "$end" README.md ||
    { echo "pictures: README.md has no table of presets to rewrite" >&2; exit 1; }
awk -v begin="$begin" -v end="$end" -v table="$table" '
    $0 == begin { print; while ((getline line < table) > 0) print line; skip = 1; next }
    $0 == end { skip = 0 }
    !skip { print }' README.md >"$work/README.md"
cp "$work/README.md" README.md
echo "pictures: $(ls docs/spectrogram-*.png | wc -l) spectrograms in docs/, README's table rewritten"
