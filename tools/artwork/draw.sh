#!/usr/bin/env bash
# Draws the program's artwork into res/: the two dialog skins (PNG with alpha), the four button
# faces, the progress bar's fill and track bitmaps, and the icon. Needs ImageMagick (Debian's
# imagemagick package). Run it again after changing a colour or a band.
set -euo pipefail
res=$(cd "$(dirname "$0")/../../res" && pwd)
im=/usr/bin/convert
[ -x "$im" ] || im=convert

red='#C8102E'        # bands, faces' surround, frame
red_dark='#8E0B20'   # pressed face, shadows
red_light='#E0354F'  # highlights on red
grey='#EDEDED'       # middle band behind the grey texts
grey_line='#D2D2D2'
rim='rgba(120,12,30,0.45)'  # translucent rim around the opaque body

# skin WIDTH HEIGHT TOP_BAND_END BOTTOM_BAND_START OUTPUT
# An opaque body with rounded corners inside an 8-pixel translucent rim, a red band at the top,
# light grey in the middle and red at the bottom.
skin() {
    local w=$1 h=$2 top=$3 bottom=$4 out=$5
    local r=$((w - 1)) b=$((h - 1))
    "$im" -size "${w}x${h}" xc:none \
        -fill "$rim" -draw "roundrectangle 0,0 $r,$b 22,22" \
        \( -size "${w}x${h}" xc:none \
           -fill "$red" -draw "rectangle 0,0 $r,$top" \
           -fill "$red_light" -draw "rectangle 0,$((top - 2)) $r,$top" \
           -fill "$grey" -draw "rectangle 0,$((top + 1)) $r,$((bottom - 1))" \
           -fill "$grey_line" -draw "rectangle 0,$((bottom - 2)) $r,$((bottom - 1))" \
           -fill "$red" -draw "rectangle 0,$bottom $r,$b" \
           -fill "$red_dark" -draw "rectangle 0,$((b - 10)) $r,$b" \
           \( -size "${w}x${h}" xc:black -fill white -draw "roundrectangle 8,8 $((r - 8)),$((b - 8)) 14,14" \) \
           -alpha off -compose CopyOpacity -composite \) \
        -compose Over -composite \
        -strip -define png:exclude-chunk=date,time "PNG32:$out"
}

skin 446 213 60 142 "$res/MainSkin.png"
skin 446 350 62 250 "$res/UpdateSkin.png"
skin 420 200 46 140 "$res/MessageSkin.png"

# face FILL EDGE OUTPUT: a 100 x 44 rounded face on red, no alpha.
face() {
    local fill=$1 edge=$2 out=$3 glow=${4:-}
    local args=(-size 100x44 "xc:$red")
    [ -n "$glow" ] && args+=(-fill "$glow" -draw "roundrectangle 1,1 98,42 12,12")
    args+=(-fill "$fill" -stroke "$edge" -strokewidth 1 -draw "roundrectangle 4,4 95,39 10,10")
    "$im" "${args[@]}" -alpha off -strip -define png:exclude-chunk=date,time "PNG24:$out"
}

face '#F6F6F6' '#FFFFFF' "$res/ButtonNormal.png"
face '#FFFFFF' '#FFF4D6' "$res/ButtonHover.png" '#F59AA8'
face "$red_dark" '#5E0614' "$res/ButtonPressed.png"
face '#B9B9B9' '#A0A0A0' "$res/ButtonDisabled.png"

# The progress bar: the red fill, and the empty track inside a red frame, 296 x 11 each.
"$im" -size 296x11 gradient:"$red_light-$red_dark" -alpha off "BMP3:$res/ProgressFill.bmp"
"$im" -size 296x11 "xc:$red" -fill '#FBFBFB' -draw "rectangle 1,1 294,9" -fill '#E6E6E6' -draw "rectangle 1,1 294,2" \
    -alpha off -type TrueColor "BMP3:$res/ProgressTrack.bmp"

"$(dirname "$0")/draw-icon.sh" >/dev/null
echo "artwork written to $res"
