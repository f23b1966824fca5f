#!/usr/bin/env bash
# Compiles the call thunk's source as the Microsoft compiler would for x86 (clang in its place:
# Microsoft's naked functions and __asm blocks) and checks the object as the program's own thunk
# is checked.
#   check-call-thunk-msvc.sh SOURCE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source=$1
object=$(mktemp --suffix=.obj)
trap 'rm -f "$object"' EXIT
clang++ --target=i686-pc-windows-msvc -fms-extensions -fasm-blocks -ffreestanding \
    -I "$(cd "$(dirname "$source")/.." && pwd)" -c "$source" -o "$object"
bash "$here/check-call-thunk.sh" "$object"
