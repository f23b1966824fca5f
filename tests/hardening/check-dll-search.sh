#!/usr/bin/env bash
# Starts the program under Wine with the library calls logged (relay trace) and checks, from the
# calls made by the program and by its own DLLs, that it restricts the DLL search to the system
# folder and its own folder before it loads any library, and that every library is then named by
# full path in one of those folders, or by bare name with the search limited to the system folder.
# Two runs cover every library: a camera plugged in (the driver library is opened, and its five
# functions must be looked up by their plain names), and no camera with French chosen (the
# language module and the message box library are loaded).
#   check-dll-search.sh BIN_FOLDER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/lib/common.sh"
bin=$(cd "$1" && pwd)
skip_unless_runs_here "$bin/Tervolin.exe"
work=$(mktemp -d)
debug_key='HKCU\Software\Wine\Debug'
language_key='HKCU\SOFTWARE\Quellmar\Webcam'
program_pid=""

cleanup() {
    if [ -n "$program_pid" ]; then
        kill "$program_pid" 2>/dev/null || true
        wait "$program_pid" 2>/dev/null || true
    fi
    wine reg delete "$debug_key" /v RelayInclude /f >/dev/null 2>&1 || true
    wine reg delete "$language_key" /f >/dev/null 2>&1 || true
    run_vcam "$bin" unplug >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

lower() { tr '[:upper:]' '[:lower:]'; }
program_dir=$(winpath "$bin" | lower)
system_dir=$(wine cmd /c 'echo %SystemRoot%\system32' 2>/dev/null | tr -d '\r' | lower)
export TERVOLIN_VCAM
TERVOLIN_VCAM=$(winpath "$work/camera")

# Only the calls that decide where libraries come from are logged.
wine reg add "$debug_key" /v RelayInclude /f /d "$(printf 'KERNEL32.%s;' SetDefaultDllDirectories \
    SetDllDirectoryA SetDllDirectoryW LoadLibraryA LoadLibraryW LoadLibraryExA LoadLibraryExW \
    GetProcAddress)" >/dev/null

failures=0
fail() {
    echo "FAIL: $1"
    failures=$((failures + 1))
}

# Runs the program until a line of the trace matches `last`, then ends it; the trace in `log`.
trace_program() {
    local last=$1
    log="$work/relay-$((++runs)).log"
    WINEDEBUG=+pid,+loaddll,+relay wine "$bin/Tervolin.exe" 2>"$log" &
    program_pid=$!
    for _ in $(seq 1 300); do
        grep -q "$last" "$log" && break
        sleep 0.1
    done
    sleep 0.5
    kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
    program_pid=""
}

# Checks the trace in `log` and that each of the libraries named in the arguments was loaded.
check_trace() {
    # The program's process: the one that loaded Tervolin.exe (under WoW64 a 32-bit launcher
    # starts a 64-bit program and comes first in the trace). Its image and those of our DLLs,
    # as address ranges: a call that returns into one of them was made by our code.
    local pid ranges=() path base size
    pid=$(grep -m1 'Loaded L".*\\Tervolin\.exe"' "$log" | grep -o '^[0-9a-f]\{4\}' || true)
    while read -r path base; do
        path=$(sed 's/\\\\/\\/g' <<<"$path")
        [[ "$(lower <<<"$path")" == "$program_dir\\"* ]] || continue
        path=${path:${#program_dir}+1}
        size=$(x86_64-w64-mingw32-objdump -p "$bin/${path//\\//}" | awk '/^SizeOfImage/ { print $2 }')
        [ -n "$size" ] && ranges+=("$((16#$base)) $((16#$base + 16#$size))")
    done < <(sed -n "s/^$pid:.*Loaded L\"\(.*\)\" at \([0-9A-Fa-f]*\): native.*/\1 \2/p" "$log")
    [ "${#ranges[@]}" -gt 0 ] || { fail "the program's image was not found in the trace"; return; }

    local restricted=no loads="" line ret ours range call flags name folder
    resolved=""
    while IFS= read -r line; do
        ret=$((16#${line##*ret=}))
        ours=no
        for range in "${ranges[@]}"; do
            ((ret >= ${range% *} && ret < ${range#* })) && ours=yes
        done
        [ "$ours" = yes ] || continue
        call=$(sed 's/^[0-9a-f]*:[0-9a-f]*:Call KERNEL32\.\([A-Za-z]*\)(.*/\1/' <<<"$line")
        case "$call" in
        SetDefaultDllDirectories)
            flags=$(sed 's/.*SetDefaultDllDirectories(\([0-9a-f]*\)).*/\1/' <<<"$line")
            # 0x200 the program's folder, 0x800 the system folder, nothing else
            [ $((16#$flags)) -eq $((0x200 | 0x800)) ] || fail "search set to $flags, not the two folders"
            restricted=yes
            ;;
        GetProcAddress)
            resolved="$resolved $(sed -n 's/.*GetProcAddress([0-9a-f]*,[0-9a-f]* "\(.*\)").*/\1/p' <<<"$line")"
            ;;
        SetDllDirectoryA | SetDllDirectoryW)
            grep -q '(.* L\?"")' <<<"$line" || fail "a folder was added to the search: $line"
            ;;
        LoadLibrary*)
            name=$(sed 's/.*L\?"\(.*\)".*/\1/' <<<"$line" | sed 's/\\\\/\\/g' | lower)
            loads="$loads $name"
            [ "$restricted" = yes ] || fail "loaded before the search was restricted: $name"
            case "$name" in
            [a-z]:\\* | \\\\*)
                folder=${name%\\*}
                if [ "$folder" != "$system_dir" ] && [ "$folder" != "$program_dir" ] &&
                    [ "$folder" != "$program_dir\\lang" ]; then
                    fail "loaded from a foreign folder: $name"
                fi
                ;;
            *)
                flags=$(sed 's/.*",[0-9a-f]*,\([0-9a-f]*\)).*/\1/' <<<"$line")
                if [[ "$call" != LoadLibraryEx* ]] || (((16#$flags & 0x800) == 0)); then
                    fail "loaded by bare name without limiting the search to the system folder: $line"
                fi
                ;;
            esac
            ;;
        esac
    done < <(grep "^$pid:[0-9a-f]*:Call KERNEL32\." "$log")

    [ "$restricted" = yes ] || fail "the DLL search was never restricted"
    local expected
    for expected in "$@"; do
        [[ " $loads " == *" $expected "* ]] || fail "no load of $expected seen (loads:$loads)"
    done
    echo "loaded:$loads"
}

runs=0
resolved=""
run_vcam "$bin" plug --version "SN9C250 0. 0. 5.11SBFgE" >/dev/null
trace_program 'GetProcAddress.*"UnInitialize_DriverInterface"'
check_trace "$system_dir\\gdiplus.dll" "$program_dir\\ravozev.dll" "$program_dir\\revezodarur.dll"
for name in Initialize_DriverInterface GetCodeVersion EraseSF ReqToDriver UnInitialize_DriverInterface; do
    [[ " $resolved " == *" $name "* ]] || fail "the program did not look up $name (looked up:$resolved)"
done
echo "looked up:$resolved"

run_vcam "$bin" unplug >/dev/null
wine reg add "$language_key" /v Language /d fr /f >/dev/null
trace_program 'LoadLibrary.*ZARidezi'
check_trace "$program_dir\\ravozev.dll" "$program_dir\\lang\\tervolin.fr.dll" "$program_dir\\zaridezi.dll"

echo "$failures problems"
[ "$failures" -eq 0 ]
