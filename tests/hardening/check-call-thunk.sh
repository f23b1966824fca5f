#!/usr/bin/env bash
# Reads the x86 program's disassembly and checks its call thunk into the driver library: an
# indirect call after which the stack pointer is restored from a register that both calling
# conventions preserve (ebx, esi, edi, ebp). Before the call the thunk saves that register and
# copies the stack pointer into it, writing it nowhere else; after the restore it pops the register
# back before it returns. Then a cdecl and a stdcall function leave the stack alike.
#   check-call-thunk.sh PROGRAM
set -euo pipefail
program=$1

i686-w64-mingw32-objdump -d --no-show-raw-insn "$program" | awk '
    # Instruction lines: "  40aaf5:	call   *0x8(%ebp)"; keep the instruction alone.
    /^ *[0-9a-f]+:\t/ { sub(/^ *[0-9a-f]+:\t/, ""); gsub(/ +/, " "); code[++n] = $0 }
    END {
        for (i = 2; i <= n; i++) {
            if (code[i - 1] !~ /^call \*/ || code[i] !~ /^mov %e[a-z][a-z],%esp$/)
                continue
            reg = substr(code[i], 5, 4)
            where = "the thunk around \"" code[i - 1] "\" restores %esp from " reg
            found++
            if (reg !~ /^%e(bx|si|di|bp)$/) {
                print "FAIL: " where ", which the callee may change"; bad++; continue
            }
            # Back from the call: the last write of the register must copy %esp, after a push.
            copied = 0; pushed = 0
            for (j = i - 2; j > 0 && j > i - 40; j--) {
                if (code[j] == "mov %esp," reg) { copied = j; break }
                if (code[j] ~ ("," reg "$") || code[j] == "pop " reg) break
            }
            for (j = copied - 1; copied && j > 0 && j > copied - 8; j--)
                if (code[j] == "push " reg) pushed = 1
            # On from the restore: the register popped before the return.
            popped = 0
            for (j = i + 1; j <= n && j < i + 8 && code[j] !~ /^ret/; j++)
                if (code[j] == "pop " reg) popped = 1
            if (!copied) { print "FAIL: " where ", but does not copy %esp into it before the call"; bad++ }
            else if (!pushed) { print "FAIL: " where ", but does not save it first"; bad++ }
            else if (!popped) { print "FAIL: " where ", but does not pop it back before returning"; bad++ }
            else print "ok: " where ", saved and copied before the call and popped after"
        }
        if (!found) { print "FAIL: no indirect call followed by a restore of %esp: the thunk is gone"; exit 1 }
        exit bad ? 1 : 0
    }'
