// The x86 call thunk, in the assembler of each compiler that builds the program: GNU's and
// Microsoft's.
#include "app/CallKeepingStack.h"

#if defined(_MSC_VER) && defined(_M_IX86)
extern "C" __declspec(naked) int __cdecl TervolinCallKeepingStack(const void*, const uintptr_t*, size_t) {
    __asm {
        push ebp
        mov ebp, esp
        push esi
        mov esi, esp
        mov ecx, [ebp + 16]
        mov edx, [ebp + 12]
        lea eax, [ecx * 4]
        sub esp, eax
        and esp, -16
        add esp, eax
    next:
        test ecx, ecx
        jz call_it
        push dword ptr [edx + ecx * 4 - 4]
        dec ecx
        jmp next
    call_it:
        call dword ptr [ebp + 8]
        mov esp, esi
        pop esi
        pop ebp
        ret
    }
}
#elif defined(__GNUC__) && defined(__i386__)
asm(R"(
    .text
    .globl _TervolinCallKeepingStack
    .def _TervolinCallKeepingStack; .scl 2; .type 32; .endef
_TervolinCallKeepingStack:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    movl %esp, %esi
    movl 16(%ebp), %ecx
    movl 12(%ebp), %edx
    leal (,%ecx,4), %eax
    subl %eax, %esp
    andl $-16, %esp
    addl %eax, %esp
1:  testl %ecx, %ecx
    jz 2f
    pushl -4(%edx,%ecx,4)
    decl %ecx
    jmp 1b
2:  call *8(%ebp)
    movl %esi, %esp
    popl %esi
    popl %ebp
    ret
)");
#endif
