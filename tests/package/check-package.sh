#!/usr/bin/env bash
# Packs one build's program folder as the download package, checks that it holds what ships and
# nothing else, unpacks it into an empty folder and updates the virtual camera with the unpacked
# program, answered by the walk-through: what a user downloads runs.
#   check-package.sh BIN_FOLDER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/lib/common.sh"
bin=$(cd "$1" && pwd)
work=$(mktemp -d)
cleanup() {
    wine "$bin/vcam.exe" unplug >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

zip=$(make_package "$bin" "$work/dist")
name=$(basename "$zip" .zip)
[[ "$name" == Tervolin-"$(program_version)"-x* ]] || { echo "FAIL: package named $name"; exit 1; }
expected=$(printf '%s\n' "$name/" "$name/Tervolin.exe" "$name/RevezoDaRur.dll" "$name/ZARidezi.dll" \
    "$name/ravozev.dll" "$name/ReadMe.txt" "$name/lang/" "$bin"/lang/*.dll | sed "s|^$bin/|$name/|" | sort)
actual=$(unzip -Z1 "$zip" | sort)
if [ "$actual" != "$expected" ]; then
    echo "FAIL: the package holds"
    printf '%s\n' "$actual"
    exit 1
fi

mkdir "$work/unpacked"
(cd "$work/unpacked" && unzip -q "$zip")
app="$work/unpacked/$name"
# The walk-through answers the program beside it; it goes in after unpacking.
cp "$bin/walkthrough.exe" "$app/"
TERVOLIN_VCAM=$(winpath "$work/camera")
export TERVOLIN_VCAM
# The program keeps its history in the prefix's own LOCALAPPDATA; its run adds one record.
history="$(winepath -u "$(wine cmd /c 'echo %LOCALAPPDATA%' | tr -d '\r')")/Tervolin/history.log"
records() { (grep -cv '^#' "$history" 2>/dev/null) || true; }
before=$(records)
wine "$bin/vcam.exe" plug --version "SN9C250 0. 0. 5.11SBFgE" >/dev/null
status=0
wine "$app/walkthrough.exe" "$(winpath "$work/screens")" >"$work/walkthrough.log" 2>&1 || status=$?
holds=$(wine "$bin/vcam.exe" status | tr -d '\r' | sed -n 's/^flash holds: *//p')
if [ "$status" -ne 0 ] || [[ "$holds" != "image 133"* ]] || [ "$(records)" = "$before" ]; then
    echo "FAIL: the unpacked program did not update the camera (walk-through $status, flash: $holds)"
    cat "$work/walkthrough.log"
    exit 1
fi
echo "$name: unpacked and updated the camera (flash: $holds)"
