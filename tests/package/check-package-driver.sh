#!/usr/bin/env bash
# The x86 user package with the camera maker's driver library bundled (scripts/package --driver).
# Look-alikes of every form the program binds are taken: each lands in the package as
# RevezoDaRur.dll, under a read-me that no longer sends the owner to find one, and the unpacked
# package updates that look-alike's flash. A 64-bit library, one lacking a function, one exporting
# only C++ names and one with a stdcall size the program does not bind are refused by the real
# scripts/package, each with its one line, before any package is written.
#   check-package-driver.sh BIN_FOLDER      (the x86 build's)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/lib/common.sh"
. "$here/../lib/checks.sh"
. "$here/../../scripts/lib/package.sh"
bin=$(cd "$1" && pwd)
tests="$bin/../tests"
scratch_folder

# Refusals, through the script itself: its exit code, its error output, and build/dist untouched.
mkdir -p "$work/x64"
printf '__declspec(dllexport) int Initialize_DriverInterface(void) { return 1; }\n' >"$work/x64/driver.c"
x86_64-w64-mingw32-gcc -shared -o "$work/x64/RevezoDaRur.dll" "$work/x64/driver.c"
dist_before=$(ls -l --time-style=full-iso "$repo/build/dist" 2>/dev/null || true)
while IFS='|' read -r library said; do
    status=0
    "$repo/scripts/package" --driver "$library" >/dev/null 2>"$work/said" || status=$?
    expect "$(basename "$library") refused" "1 $said" "$status $(cat "$work/said")"
done <<REFUSED
$work/x64/RevezoDaRur.dll|RevezoDaRur.dll is a 64-bit library; the x86 program needs a 32-bit one
$tests/lookalike_without_close.dll|RevezoDaRur.dll does not export UnInitialize_DriverInterface
$tests/lookalike_mangled.dll|RevezoDaRur.dll does not export Initialize_DriverInterface, GetCodeVersion, EraseSF, ReqToDriver, UnInitialize_DriverInterface
$tests/lookalike_wrong_size.dll|RevezoDaRur.dll does not export ReqToDriver
$work/absent.dll|RevezoDaRur.dll: there is no file $work/absent.dll
REFUSED
expect "no package written" "$dist_before" "$(ls -l --time-style=full-iso "$repo/build/dist" 2>/dev/null || true)"

# One folder for the virtual camera and the look-alike: the look-alike keeps flash.bin where vcam
# plugged it in, so vcam can tell what it holds.
TERVOLIN_VCAM=$(winpath "$work/camera")
TERVOLIN_LOOKALIKE=$TERVOLIN_VCAM
export TERVOLIN_VCAM TERVOLIN_LOOKALIKE
for form in cdecl stdcall stdcall_at stdcall_underscore_at; do
    package_driver="$tests/lookalike_$form.dll"
    out="$work/dist-$form"
    write_packages "$out" "$bin" >"$work/written"
    zip=$(grep -- '-x86\.zip$' "$work/written")
    name=$(basename "$zip" .zip)
    expect "$form: imports listed" "RevezoDaRur.dll imports: *KERNEL32.dll*" "$(head -n 1 "$work/written")"
    expect "$form: in the package" "" "$( (unzip -p "$zip" "$name/RevezoDaRur.dll" | cmp - "$package_driver") 2>&1 || true)"
    readme=$(unzip -p "$zip" "$name/ReadMe.txt" | tr -d '\r')
    expect "$form: read-me" "*which comes with this download*" "$readme"
    expect "$form: read-me asks for nothing" "" "$(grep -i 'not part of this download\|put the camera' <<<"$readme" || true)"
    expect "$form: checksums" "$name.zip: OK $name-demo.zip: OK" "$(cd "$out" && sha256sum -c SHA256SUMS | tr '\n' ' ' | sed 's/ $//')"
    if ! runs_here "$bin/Tervolin.exe"; then
        echo "not run in x64-only mode ($x64_only_reason): the unpacked package's update with $form"
        continue
    fi
    mkdir -p "$work/unpacked-$form"
    (cd "$work/unpacked-$form" && unzip -q "$zip")
    app="$work/unpacked-$form/$name"
    cp "$bin/walkthrough.exe" "$app/"
    run_vcam "$bin" plug --version "SN9C250 0. 0. 5.11SBFgE" >/dev/null
    status=0
    wine "$app/walkthrough.exe" "$(winpath "$work/screens")" >"$work/walk.log" 2>&1 || status=$?
    expect "$form: the unpacked package updates" "0 image 133*" \
        "$status $(run_vcam "$bin" status | tr -d '\r' | sed -n 's/^flash holds: *//p')"
done

finish
