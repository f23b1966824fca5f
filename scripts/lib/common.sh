# Shared by the README's commands: where things live and how Wine is run.
# Sourced, not executed.

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build="$repo/build"
# The cross builds, x86 first: it is the one users run (the camera vendor's driver library is
# 32-bit); x64 is built and tested beside it.
win32_build="$build/win32"
win64_build="$build/win64"
win_build="$win32_build"
native_build="$build/native"
fuzz_build="$build/fuzz"

export WINEPREFIX="$build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko: the prefix never asks to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="

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

# Writes OUT_FOLDER/Tervolin-<version>-<x86|x64>.zip from the program folder BIN (the program, its
# two libraries of its own, lang/ and the read-me for users, under a folder named like the package:
# no driver library, which users take from the camera's maker) and prints its path. With "demo" as
# third argument it writes Tervolin-<version>-<arch>-demo.zip instead: the same with the virtual
# camera's driver library, vcam.exe and the demo read-me. The architecture is read from the program.
make_package() {
    local bin=$1 out=$2 kind=${3:-} arch name stage
    case "$(file -b "$bin/Tervolin.exe")" in
    *80386*) arch=x86 ;;
    *x86-64*) arch=x64 ;;
    *) echo "make_package: $bin/Tervolin.exe is not a Windows program" >&2; return 1 ;;
    esac
    name="Tervolin-$(program_version)-$arch${kind:+-$kind}"
    stage=$(mktemp -d)
    mkdir -p "$stage/$name/lang" "$out"
    cp "$bin/Tervolin.exe" "$bin/ZARidezi.dll" "$bin/ravozev.dll" "$stage/$name/"
    cp "$bin"/lang/*.dll "$stage/$name/lang/"
    if [ "$kind" = demo ]; then
        cp "$bin/RevezoDaRur.dll" "$bin/vcam.exe" "$stage/$name/"
        sed 's/$/\r/' "$repo/res/DemoReadMe.txt" >"$stage/$name/ReadMe.txt"
    else
        sed 's/$/\r/' "$repo/res/ReadMe.txt" >"$stage/$name/ReadMe.txt"
    fi
    rm -f "$out/$name.zip"
    (cd "$stage" && TZ=UTC find "$name" -exec touch -d '2000-01-01 00:00:00' {} + &&
        zip -q -X -r "$out/$name.zip" "$name")
    rm -rf "$stage"
    echo "$out/$name.zip"
}
