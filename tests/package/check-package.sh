#!/usr/bin/env bash
# Packs one build's program folder as the download packages and checks what users get from them.
# The user package holds what ships and nothing else, no driver library among it: unpacked into
# an empty folder, the program says that the camera is not plugged in, and with a driver library
# dropped in beside it (a look-alike of the camera maker's) it updates that library's flash. The
# x86 demo package carries the virtual camera, and its own vcam.exe and program update it. The
# walk-through answers the program's screens as a user would.
#   check-package.sh BIN_FOLDER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/lib/common.sh"
. "$here/../../scripts/lib/package.sh"
bin=$(cd "$1" && pwd)
skip_unless_runs_here "$bin/Tervolin.exe"
tests="$bin/../tests"
work=$(mktemp -d)
cleanup() {
    run_vcam "$bin" unplug >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

# Packs, checks the list of files against the expected extra ones, unpacks; prints the folder.
unpack() {
    local kind=$1 extra=$2 zip name expected actual
    zip=$(make_package "$bin" "$work/dist" "$kind")
    name=$(basename "$zip" .zip)
    [[ "$name" == Tervolin-"$(program_version)"-x* ]] || fail "package named $name"
    expected=$(printf '%s\n' "$name/" "$name/Tervolin.exe" "$name/ZARidezi.dll" "$name/ravozev.dll" \
        "$name/ReadMe.txt" "$name/lang/" $extra "$bin"/lang/*.dll | sed "s|^$bin/|$name/|; s|^@|$name/|" | sort)
    actual=$(unzip -Z1 "$zip" | sort)
    [ "$actual" = "$expected" ] || fail "$name holds"$'\n'"$actual"
    mkdir -p "$work/unpacked"
    (cd "$work/unpacked" && unzip -q "$zip")
    echo "$work/unpacked/$name"
}

# The walk-through, beside the unpacked program (it goes in after unpacking); its exit code.
walk() {
    local app=$1 status=0
    cp "$bin/walkthrough.exe" "$app/"
    wine "$app/walkthrough.exe" "$(winpath "$work/screens")" >"$work/walkthrough.log" 2>&1 || status=$?
    return $status
}

# The camera's flash as the vcam.exe in folder $1 reads it: "image 133 ..." once updated.
holds() {
    run_vcam "$1" status | tr -d '\r' | sed -n 's/^flash holds: *//p'
}

# One folder for the virtual camera and the look-alike: the look-alike keeps flash.bin where vcam
# plugged it in, so vcam can tell what it holds.
camera="$work/camera"
TERVOLIN_VCAM=$(winpath "$camera")
TERVOLIN_LOOKALIKE=$TERVOLIN_VCAM
export TERVOLIN_VCAM TERVOLIN_LOOKALIKE
older="SN9C250 0. 0. 5.11SBFgE"
# The program keeps its history in the prefix's own LOCALAPPDATA; each run adds a record.
history="$(winepath -u "$(wine cmd /c 'echo %LOCALAPPDATA%' | tr -d '\r')")/Tervolin/history.log"
records() { (grep -cv '^#' "$history" 2>/dev/null) || true; }

app=$(unpack "" "")
run_vcam "$bin" plug --version "$older" >/dev/null
status=0
walk "$app" || status=$?
grep -q "The camera is not plugged in" "$work/walkthrough.log" ||
    fail "without a driver library the program did not say the camera is not plugged in (walk-through $status)"$'\n'"$(cat "$work/walkthrough.log")"

lookalike="$tests/lookalike_stdcall.dll"
[ -f "$lookalike" ] || lookalike="$tests/lookalike_cdecl.dll"
cp "$lookalike" "$app/RevezoDaRur.dll"
before=$(records)
status=0
walk "$app" || status=$?
flash=$(holds "$bin")
if [ "$status" -ne 0 ] || [[ "$flash" != "image 133"* ]] || [ "$(records)" = "$before" ]; then
    fail "the unpacked program with $(basename "$lookalike") did not update (walk-through $status, flash: $flash)"$'\n'"$(cat "$work/walkthrough.log")"
fi
echo "$(basename "$app"): no driver library, not plugged in; with $(basename "$lookalike") updated (flash: $flash)"

is_x86 "$bin/Tervolin.exe" || exit 0
run_vcam "$bin" unplug >/dev/null
app=$(unpack demo "@RevezoDaRur.dll @vcam.exe")
run_vcam "$app" plug --version "$older" >/dev/null
status=0
walk "$app" || status=$?
flash=$(holds "$app")
[ "$status" -eq 0 ] && [[ "$flash" == "image 133"* ]] ||
    fail "the unpacked demo did not update its virtual camera (walk-through $status, flash: $flash)"$'\n'"$(cat "$work/walkthrough.log")"
echo "$(basename "$app"): updated its virtual camera (flash: $flash)"
