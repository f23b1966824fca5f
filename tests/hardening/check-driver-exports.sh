#!/usr/bin/env bash
# Checks that the driver library exports exactly the five functions of the camera driver, under
# the plain names the vendor's library uses (no "_" prefix, no "@N" suffix): the program finds
# them by those names, and a vendor library can stand in for ours.
#   check-driver-exports.sh DLL
set -euo pipefail
dll=$1
expected="EraseSF GetCodeVersion Initialize_DriverInterface ReqToDriver UnInitialize_DriverInterface"

# The names follow the "[Ordinal/Name Pointer] Table" heading, one "[ n] name" a line.
names=$(x86_64-w64-mingw32-objdump -p "$dll" |
    awk '/\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
         table && /^[ \t]*\[ *[0-9]+\] / { sub(/^[ \t]*\[ *[0-9]+\] /, ""); print; next }
         { table = 0 }' | sort | tr '\n' ' ' | sed 's/ $//')
echo "exports of $(basename "$dll"): $names"
if [ "$names" != "$expected" ]; then
    echo "FAIL: expected exactly: $expected"
    exit 1
fi
