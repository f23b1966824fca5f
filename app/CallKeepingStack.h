// The call into a driver function on x86, where the driver's calling convention is not known.
// Plain C headers only: the Microsoft build of it is compiled and checked here by clang.
#pragma once

#include <stddef.h>
#include <stdint.h>

#if defined(__i386__) || defined(_M_IX86)
// Pushes `count` arguments of four bytes, last first, and calls `function` with the stack aligned
// to 16 bytes. The stack pointer is kept in ESI, which both conventions preserve, and restored
// after the call: a cdecl function leaves its arguments for the caller to remove, a stdcall
// function removes them itself, and either way the stack is as it was.
extern "C" int __cdecl TervolinCallKeepingStack(const void* function, const uintptr_t* arguments,
                                                size_t count);
#endif
