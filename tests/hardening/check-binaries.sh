#!/usr/bin/env bash
# Reads every program, DLL and language module the build ships and checks that each is marked for
# ASLR and for DEP (and on x64 for high-entropy ASLR, which 32-bit images do not have), that
# programs carry relocations, that 32-bit programs are large-address aware (4 GiB under 64-bit
# Windows), and that nothing imports a system DLL at link time that is not on the platform's
# known-DLL list (those are always taken from the system, never from beside the program).
#   check-binaries.sh BIN_FOLDER
set -euo pipefail
bin=$1
objdump=x86_64-w64-mingw32-objdump
known=" advapi32.dll clbcatq.dll combase.dll comdlg32.dll coml2.dll gdi32.dll imagehlp.dll imm32.dll kernel32.dll msctf.dll msvcrt.dll normaliz.dll nsi.dll ole32.dll oleaut32.dll psapi.dll rpcrt4.dll sechost.dll setupapi.dll shcore.dll shell32.dll shlwapi.dll user32.dll wldap32.dll ws2_32.dll "

failures=0
checked=0
for file in "$bin"/*.exe "$bin"/*.dll "$bin"/lang/*.dll; do
    [ -e "$file" ] || continue
    checked=$((checked + 1))
    headers=$($objdump -p "$file")
    flags=$(printf '%s\n' "$headers" | awk '/^DllCharacteristics/ { print $2 }')
    # 0x40 relocatable (ASLR), 0x100 no-execute (DEP); on x64 also 0x20 high-entropy addresses
    required=0x140
    if [[ "$headers" == *"file format pei-i386"* ]]; then
        characteristics=$(printf '%s\n' "$headers" | awk '/^Characteristics/ && !seen { print $2; seen = 1 }')
        # 0x20 IMAGE_FILE_LARGE_ADDRESS_AWARE; it only matters for the process image
        if [[ "$file" == *.exe ]] && (( (characteristics & 0x20) == 0 )); then
            echo "FAIL $file: Characteristics $characteristics lacks large address awareness"
            failures=$((failures + 1))
        fi
    else
        required=0x160
    fi
    if (( (16#$flags & required) != required )); then
        echo "FAIL $file: DllCharacteristics $flags lacks ASLR, high entropy or DEP"
        failures=$((failures + 1))
    fi
    if [[ "$file" == *.exe ]] && ! $objdump -h "$file" | grep -q '\.reloc'; then
        echo "FAIL $file: no relocations, so ASLR cannot move it"
        failures=$((failures + 1))
    fi
    for dll in $(printf '%s\n' "$headers" | awk '/DLL Name:/ { print tolower($3) }'); do
        if [[ "$known" != *" $dll "* ]]; then
            echo "FAIL $file imports $dll, which is not a known DLL"
            failures=$((failures + 1))
        fi
    done
done
echo "$checked binaries checked, $failures problems"
[ "$checked" -gt 0 ] && [ "$failures" -eq 0 ]
