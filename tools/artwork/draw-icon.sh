#!/usr/bin/env bash
# Draws the program icon, res/Tervolin.ico (16, 32 and 48 pixels): a webcam lens on a red
# rounded square. Needs ImageMagick.
set -euo pipefail
out=$(cd "$(dirname "$0")/../../res" && pwd)/Tervolin.ico
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for size in 16 32 48; do
    s=$size
    r=$((s / 6 + 1))
    convert -size "${s}x${s}" xc:none \
        -fill '#C8102E' -draw "roundrectangle 0,0 $((s - 1)),$((s - 1)) $r,$r" \
        -fill '#F2F2F2' -draw "circle $((s / 2)),$((s / 2)) $((s / 2)),$((s / 8))" \
        -fill '#3A3A3A' -draw "circle $((s / 2)),$((s / 2)) $((s / 2)),$((s / 4))" \
        -fill '#7FA7D9' -draw "circle $((s * 9 / 16)),$((s * 7 / 16)) $((s * 9 / 16)),$((s * 7 / 16 - s / 12 - 1))" \
        "PNG32:$work/icon$size.png"
done
convert "$work/icon16.png" "$work/icon32.png" "$work/icon48.png" "$out"
echo "wrote $out"
