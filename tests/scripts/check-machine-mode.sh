#!/usr/bin/env bash
# Checks how the scripts decide what the machine runs: the probe's answer for a program that starts
# and for one the kernel refuses ("Exec format error"), the forcing variable both ways, and what
# x64-only mode then does: Wine through its 64-bit loader, and 32-bit programs not started.
#   check-machine-mode.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
unset TERVOLIN_MODE
. "$here/../../scripts/lib/common.sh"
. "$here/../lib/checks.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A program that starts and exits 42, one that starts and exits otherwise, and the i386 probe
# marked for another processor, which the kernel refuses as it refuses a 32-bit program where
# 32-bit support is off.
printf '#!/bin/sh\nexit 42\n' >"$work/runs"
chmod +x "$work/runs"
write_i386_probe "$work/i386"
cp "$work/i386" "$work/foreign"
printf '\x28' | dd of="$work/foreign" bs=1 seek=18 conv=notrunc status=none
status=0
"$work/foreign" 2>"$work/refused" || status=$?
expect "the foreign program is refused" "126 Exec format error" "$status $(grep -o 'Exec format error' "$work/refused")"

expect "a program that starts" both "$(decide_mode "$work/runs")"
expect "a program that starts and exits 0" x64-only "$(decide_mode /bin/true)"
expect "a program the kernel refuses" x64-only "$(decide_mode "$work/foreign")"
expect "the probe" "ELF 32-bit LSB executable, Intel 80386" "$(file -b "$work/i386" | cut -d, -f1-2)"
# Where Debian's i386 loader is installed, it starts exactly where the probe does.
if [ -e /lib/ld-linux.so.2 ]; then
    loader=x64-only
    /lib/ld-linux.so.2 --version >/dev/null 2>&1 && loader=both
    expect "the probe, as the i386 loader" "$loader" "$(decide_mode "$work/i386")"
fi
expect "a program that starts, x64-only forced" x64-only "$(TERVOLIN_MODE=x64-only decide_mode "$work/runs")"
expect "a program the kernel refuses, both forced" both "$(TERVOLIN_MODE=both decide_mode "$work/foreign")"
status=0
TERVOLIN_MODE=x86 decide_mode "$work/runs" 2>"$work/said" || status=$?
expect "an unknown mode" "2 TERVOLIN_MODE is \"x86\"" "$status $(cut -d';' -f1 "$work/said")"

# Minimal Windows programs: the DOS stub's pointer to the PE header, the file header (processor,
# size of the optional header) and the optional header's magic, the rest zero.
windows_program() {
    {
        printf 'MZ'; head -c 58 /dev/zero; printf '\x40\x00\x00\x00PE\x00\x00'
        printf "$2"; head -c 14 /dev/zero; printf '\xe0\x00\x02\x01'
        printf "$3"; head -c 222 /dev/zero
    } >"$1"
}
windows_program "$work/x86.exe" '\x4c\x01' '\x0b\x01'
windows_program "$work/x64.exe" '\x64\x86' '\x0b\x02'
# Each mode in a shell of its own, as every script takes it up, from a search path without the
# 64-bit loader's folder (which scripts/test puts first in x64-only mode).
plain_path=$(tr ':' '\n' <<<"$PATH" | grep -vx "$build/wine64-loader" | paste -sd:)
in_mode() {
    PATH=$plain_path TERVOLIN_MODE=$1 bash -c '. "$1/../../scripts/lib/common.sh"; shift 2; "$@"' _ "$here" "$@"
}
runs_in() { in_mode "$1" runs_here "$2" 2>/dev/null && echo yes || echo no; }
expect "x86 program, both" yes "$(runs_in both "$work/x86.exe")"
expect "x64 program, both" yes "$(runs_in both "$work/x64.exe")"
expect "x86 program, x64-only" no "$(runs_in x64-only "$work/x86.exe")"
expect "x64 program, x64-only" yes "$(runs_in x64-only "$work/x64.exe")"
expect "x86 program skipped, x64-only" "skipped in x64-only mode (TERVOLIN_MODE=x64-only)" \
    "$(in_mode x64-only skip_unless_runs_here "$work/x86.exe" | cut -d: -f1)"
expect "wine, x64-only" "$build/wine64-loader/wine $wine64_loader" \
    "$(in_mode x64-only bash -c 'echo "$(command -v wine) $WINELOADER"')"
expect "wine-stable (wineboot, winepath), x64-only" "$build/wine64-loader/wine-stable" \
    "$(in_mode x64-only command -v wine-stable)"
expect "wine, both" "/usr/bin/wine" "$(in_mode both bash -c 'command -v wine || echo none')"

finish
