#!/usr/bin/env bash
# A copy of the program with one byte changed inside a firmware image it carries, against a camera
# with older firmware: every kind of run ends with exit code 7 and nothing erased, written or read
# back. The windowed run shows text 117 at the write button and closes, and like /quiet writes a
# record "image-damaged" naming the image; /quiet and /check show nothing, and /check, which does
# not open the camera at all, writes no record. Image 134 is checked for /old the same way. The
# untouched program still updates the camera.
#   check-damaged-image.sh BIN_FOLDER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/lib/common.sh"
. "$here/../lib/checks.sh"
bin=$(cd "$1" && pwd)
skip_unless_runs_here "$bin/Tervolin.exe"
scratch_folder

TERVOLIN_VCAM=$(winpath "$work/camera")
export TERVOLIN_VCAM
history="$(winepath -u "$(wine cmd /c 'echo %LOCALAPPDATA%' | tr -d '\r')")/Tervolin/history.log"
records() { (grep -cv '^#' "$history" 2>/dev/null) || true; }
last_record() { tail -n 1 "$history" | tr '\t' '\n' | grep -E "^($1)=" | tr '\n' ' ' | sed 's/ $//'; }
calls() { run_vcam "$bin" status | tr -d '\r' | sed -n 's/^calls: *[0-9]* (\(.*\)),.*/\1/p'; }
untouched="*erases 0, writes 0, reads 0"

# The program folder with image ID's byte at 1000 past its start flipped; prints the folder.
damaged_copy() {
    local id=$1 version offset byte app="$work/app$1"
    [ "$id" = 133 ] && version=G || version=8
    mkdir -p "$app"
    cp -r "$bin"/Tervolin.exe "$bin"/*.dll "$bin"/lang "$bin"/walkthrough.exe "$app/"
    # The image starts with its magic and its code version.
    offset=$(LC_ALL=C grep -obUaP "SN9C250\\x00SN9C250 0\\. 0\\. 5\\.11SBFg$version\\x00" "$app/Tervolin.exe" |
        cut -d: -f1)
    [ "$(wc -w <<<"$offset")" = 1 ] || { echo "FAIL: image $id found at \"$offset\" in the program"; exit 1; }
    offset=$((offset + 1000))
    byte=$(od -An -tu1 -j "$offset" -N1 "$app/Tervolin.exe" | tr -d ' ')
    printf "\\x$(printf %02x $((byte ^ 1)))" | dd of="$app/Tervolin.exe" bs=1 seek="$offset" conv=notrunc status=none
    echo "$app"
}

# A windowed run through the walk-through, which reports the message it acknowledged.
windowed() {
    local app=$1
    shift
    run_vcam "$bin" plug --version "SN9C250 0. 0. 5.11SBFgE" >/dev/null
    wine "$app/walkthrough.exe" "$(winpath "$work/screens")" "$@" 2>&1 | tr -d '\r' >"$work/walk.log" || true
}

for id in 133 134; do
    app=$(damaged_copy "$id")
    switches=()
    [ "$id" = 134 ] && switches=(/old)
    before=$(records)
    windowed "$app" "${switches[@]}"
    expect "$id: the message" "outcome: The firmware inside this program is damaged. Download Tervolin again." \
        "$(grep '^outcome:' "$work/walk.log" || true)"
    expect "$id: the exit code" "*exit code 7" "$(grep '^program ended' "$work/walk.log" || true)"
    expect "$id: the camera" "$untouched" "$(calls)"
    expect "$id: a record" "$((before + 1))" "$(records)"
    expect "$id: the record" "target=$id ending=image-damaged exit=7" "$(last_record 'target|ending|exit')"

    # Unattended: nobody answers, so a window that waited would hold the run to the time-out.
    for mode in /quiet /check; do
        before=$(records)
        run_vcam "$bin" plug --version "SN9C250 0. 0. 5.11SBFgE" >/dev/null
        status=0
        timeout 60 wine "$app/Tervolin.exe" "$mode" "${switches[@]}" >/dev/null 2>&1 || status=$?
        expect "$id $mode: the exit code" 7 "$status"
        expect "$id $mode: the camera" "$untouched" "$(calls)"
        if [ "$mode" = /check ]; then
            expect "$id /check: the camera not opened" "opens 0, versions 0, *" "$(calls)"
        fi
        if [ "$mode" = /quiet ]; then
            expect "$id /quiet: the record" "mode=quiet target=$id ending=image-damaged exit=7" \
                "$(last_record 'mode|target|ending|exit')"
        else
            expect "$id /check: no record" "$before" "$(records)"
        fi
    done
done

# The same program untouched.
cp "$bin/Tervolin.exe" "$work/app133/"
windowed "$work/app133"
expect "untouched: the outcome" "outcome: Upgrading the firmware successful*" "$(grep '^outcome:' "$work/walk.log" || true)"
expect "untouched: the flash" "image 133*" "$(run_vcam "$bin" status | tr -d '\r' | sed -n 's/^flash holds: *//p')"

finish
