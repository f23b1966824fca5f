# Shared by the README's commands: where things live and how Wine is run.
# Sourced, not executed.

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build="$repo/build"
# The cross builds are $build/win32 and $build/win64, x86 first: it is the one users run (the
# camera vendor's driver library is 32-bit); x64 is built and tested beside it.
native_build="$build/native"
fuzz_build="$build/fuzz"

export WINEPREFIX="$build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko: the prefix never asks to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="

# Every command that fails and ends a script says so: which script, the command and its exit code.
# Steps whose output is kept out of sight run through `quietly`, which shows that output's end.
# A failure inside $(...) stops the script too, not only the substitution's last command.
shopt -s inherit_errexit
set -E
say_failed() {
    echo "$(basename "$0"): failed at line $3 with exit code $1: $2" >&2
}
# A script that reads a command's exit code itself turns this off around it (trap - ERR).
say_failures() {
    trap 'say_failed $? "$BASH_COMMAND" "$LINENO"' ERR
}
say_failures

# Runs a step with its output kept in a log: STEP_NAME COMMAND...; when it fails, says which step,
# the command, its exit code and the last lines of its output, and ends the script with that code.
quietly() {
    local what=$1 log status=0
    shift
    log=$(mktemp)
    # In the background, so that a failing command inside a function still stops that function.
    "$@" >"$log" 2>&1 &
    wait "$!" || status=$?
    if [ "$status" -ne 0 ]; then
        {
            echo "$(basename "$0"): $what failed with exit code $status: $*"
            echo "its last lines:"
            tail -n 25 "$log" | sed 's/^/    /'
        } >&2
        rm -f "$log"
        exit "$status"
    fi
    rm -f "$log"
}

# What the machine runs. Some kernels cannot start 32-bit programs at all ("Exec format error"):
# there Wine's 32-bit loader does not start either, and only the x64 build can run; the x86 build
# is still built and checked. scripts/setup probes the machine once and keeps the answer in
# $machine_file; TERVOLIN_MODE (x64-only or both) overrides it.
machine_file="$build/machine-mode"
wine64_loader=/usr/lib/wine/wine64

# Writes a 96-byte i386 Linux program that exits with code 42 at once: the ELF header, one
# loadable segment (the whole file at 0x08048000), and mov eax,1; mov ebx,42; int 0x80.
write_i386_probe() {
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'   >"$1"
    printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$1"
    printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' >>"$1"
    printf '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' >>"$1"
    printf '\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00' >>"$1"
    printf '\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >>"$1"
    chmod +x "$1"
}

# The mode for a machine on which PROGRAM (a probe that exits with 42) does or does not start:
# "both" or "x64-only", unless TERVOLIN_MODE names one.
decide_mode() {
    case "${TERVOLIN_MODE:-}" in
    both | x64-only) echo "$TERVOLIN_MODE" ;;
    "")
        local status=0
        "$1" >/dev/null 2>&1 || status=$?
        if [ "$status" -eq 42 ]; then echo both; else echo x64-only; fi
        ;;
    *)
        echo "TERVOLIN_MODE is \"$TERVOLIN_MODE\"; it must be x64-only, both or unset" >&2
        return 2
        ;;
    esac
}

# Takes up the mode in force: TERVOLIN_MODE, else what scripts/setup found, else both. In x64-only
# mode every Wine command (wine, and wineboot, winepath and the like, which run wine-stable) goes
# through Wine's 64-bit loader: Debian's wine picks the 32-bit one whenever it is installed,
# whether or not the kernel can start it.
use_machine_mode() {
    if [ -n "${TERVOLIN_MODE:-}" ]; then
        machine_mode=$(decide_mode /bin/false)
    elif [ -f "$machine_file" ]; then
        machine_mode=$(cat "$machine_file")
    else
        machine_mode=both
    fi
    [ "$machine_mode" = x64-only ] || return 0
    if [ -n "${TERVOLIN_MODE:-}" ]; then
        x64_only_reason="TERVOLIN_MODE=x64-only"
    else
        x64_only_reason="this machine cannot run 32-bit programs"
    fi
    export WINELOADER="$wine64_loader"
    local folder="$build/wine64-loader"
    if [ ! -x "$folder/wine-stable" ]; then
        mkdir -p "$folder"
        printf '#!/bin/sh\nexec %s "$@"\n' "$wine64_loader" >"$folder/wine"
        chmod +x "$folder/wine"
        cp "$folder/wine" "$folder/wine-stable"
    fi
    case ":$PATH:" in
    *":$folder:"*) ;;
    *) export PATH="$folder:$PATH" ;;
    esac
}
use_machine_mode

# Whether the Windows program or library FILE is a 32-bit (x86) one.
is_x86() {
    [[ "$(file -b "$1")" == *80386* ]]
}

# Whether this machine runs the Windows program PROGRAM: every 64-bit one, a 32-bit one unless in
# x64-only mode.
runs_here() {
    [ "$machine_mode" != x64-only ] || ! is_x86 "$1"
}

# Ends a test that would start the 32-bit PROGRAM on a machine that cannot, with the line that
# makes CTest report it as skipped.
skip_unless_runs_here() {
    runs_here "$1" && return 0
    echo "skipped in x64-only mode ($x64_only_reason): $(basename "$1") is 32-bit; it is built and checked, not run"
    exit 0
}

jobs=$(nproc 2>/dev/null || echo 2)

# Runs the virtual camera's tool that sits in the program folder BIN: run_vcam BIN ARGUMENT...
run_vcam() {
    local bin=$1
    shift
    wine "$bin/vcam.exe" "$@"
}

# Windows path of a Unix path, for the programs run under Wine.
winpath() {
    winepath -w "$1" 2>/dev/null
}

# Starts an X server on a free display when none is set, with a compositing manager so that
# layered windows are blended with what lies below them as on Windows; stop_xvfb ends both.
xvfb_pid=""
compositor_pid=""
start_xvfb() {
    [ -n "${DISPLAY:-}" ] && return 0
    local n
    for n in $(seq 90 140); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        local i
        for i in $(seq 1 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            sleep 0.1
        done
        export DISPLAY=":$n"
        xcompmgr >/dev/null 2>&1 &
        compositor_pid=$!
        return 0
    done
    echo "no free X display found" >&2
    return 1
}

stop_xvfb() {
    if [ -n "$compositor_pid" ]; then
        kill "$compositor_pid" 2>/dev/null || true
        compositor_pid=""
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=""
    fi
}

# Wine's own background processes (services, device drivers, the desktop) start with the first
# program and inherit its output; start them here with no output of ours, so that a caller that
# reads a program's output to its end is not kept waiting by them.
start_wine_services() {
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# One persistent wineserver for the whole run: every Wine process start reuses it.
start_wineserver() {
    # Refused when a server for the prefix runs already (left by another command): use that one.
    wineserver -p 2>/dev/null || true
    start_wine_services
}

stop_wineserver() {
    wineserver -k 2>/dev/null || true
}

# The fuzz targets: the native portable code built with clang and libFuzzer.
configure_fuzz() {
    CC=clang CXX=clang++ cmake -S "$repo" -B "$fuzz_build" -DCMAKE_BUILD_TYPE=Debug -DTERVOLIN_FUZZ=ON >/dev/null
    cmake --build "$fuzz_build" -j "$jobs"
}

# Builds the native tree and the named Windows trees (win32, win64; both when none is named).
configure_and_build() {
    local arch toolchain archs=("$@")
    [ "${#archs[@]}" -gt 0 ] || archs=(win32 win64)
    cmake -S "$repo" -B "$native_build" -DCMAKE_BUILD_TYPE=Debug >/dev/null
    cmake --build "$native_build" -j "$jobs"
    for arch in "${archs[@]}"; do
        case "$arch" in
        win32) toolchain=mingw-w64-i686.cmake ;;
        *) toolchain=mingw-w64-x86_64.cmake ;;
        esac
        cmake -S "$repo" -B "$build/$arch" -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/$toolchain" >/dev/null
        cmake --build "$build/$arch" -j "$jobs"
    done
}

# The program's version, from the one header the version resource takes it from.
program_version() {
    sed -n 's/^#define TERVOLIN_VERSION_TEXT "\(.*\)"/\1/p' "$repo/res/Version.h"
}
