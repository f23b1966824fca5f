#!/usr/bin/env bash
# Starts the program under Wine with the library calls it makes logged (relay trace), lets it
# reach its main window with a camera plugged in, and checks from the calls made by the program
# itself that it restricts the DLL search to the system folder and its own folder before it loads
# any library, and that every library it loads is named by full path in one of those two folders,
# or by bare name with the search limited to the system folder.
#   check-dll-search.sh BIN_FOLDER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/lib/common.sh"
bin=$(cd "$1" && pwd)
work=$(mktemp -d)
key='HKCU\Software\Wine\Debug'
program_pid=""

cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null
    wine reg delete "$key" /v RelayInclude /f >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

lower() { tr '[:upper:]' '[:lower:]'; }
program_dir=$(winpath "$bin" | lower)
system_dir=$(wine cmd /c 'echo %SystemRoot%\system32' 2>/dev/null | tr -d '\r' | lower)

# Only the calls that decide where libraries come from are logged.
wine reg add "$key" /v RelayInclude /f /d "$(printf 'KERNEL32.%s;' SetDefaultDllDirectories \
    SetDllDirectoryA SetDllDirectoryW LoadLibraryA LoadLibraryW LoadLibraryExA LoadLibraryExW)" >/dev/null

export TERVOLIN_VCAM
TERVOLIN_VCAM=$(winpath "$work/camera")
wine "$bin/vcam.exe" plug --version "SN9C250 0. 0. 5.11SBFgE" >/dev/null

log="$work/relay.log"
WINEDEBUG=+pid,+loaddll,+relay wine "$bin/Tervolin.exe" 2>"$log" &
program_pid=$!
# The opening check loads the driver library last, with the main window ready.
for _ in $(seq 1 300); do
    grep -q 'LoadLibrary.*RevezoDaRur' "$log" && break
    sleep 0.1
done
sleep 0.5
kill "$program_pid" 2>/dev/null || true
wait "$program_pid" 2>/dev/null || true
program_pid=""

# The program's own process and the address range of its image: calls returning there are its own.
pid=$(grep -m1 -o '^[0-9a-f]\{4\}' "$log")
base_hex=$(sed -n "s/^$pid:.*Loaded L\".*Tervolin\.exe\" at \([0-9A-Fa-f]*\).*/\1/p" "$log" | head -n 1)
size_hex=$(x86_64-w64-mingw32-objdump -p "$bin/Tervolin.exe" | awk '/^SizeOfImage/ { print $2 }')
if [ -z "$base_hex" ] || [ -z "$size_hex" ]; then
    echo "FAIL: the program's image was not found in the trace"
    exit 1
fi
base=$((16#$base_hex))
end=$((base + 16#$size_hex))

failures=0
fail() {
    echo "FAIL: $1"
    failures=$((failures + 1))
}
restricted=no
loads=""
while IFS= read -r line; do
    ret=$((16#${line##*ret=}))
    ((ret >= base && ret < end)) || continue
    call=$(sed 's/^[0-9a-f]*:[0-9a-f]*:Call KERNEL32\.\([A-Za-z]*\)(.*/\1/' <<<"$line")
    case "$call" in
    SetDefaultDllDirectories)
        flags=$(sed 's/.*SetDefaultDllDirectories(\([0-9a-f]*\)).*/\1/' <<<"$line")
        # 0x200 the program's folder, 0x800 the system folder, nothing else
        [ $((16#$flags)) -eq $((0x200 | 0x800)) ] || fail "search set to $flags, not the two folders"
        restricted=yes
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
for expected in "$system_dir\\gdiplus.dll" "$program_dir\\ravozev.dll" "$program_dir\\revezodarur.dll"; do
    [[ " $loads " == *" $expected "* ]] || fail "no load of $expected seen (loads:$loads)"
done
echo "libraries loaded by the program:$loads"
echo "$failures problems"
[ "$failures" -eq 0 ]
