// Owner of a kernel object handle: closes it when it goes.
#pragma once

#include <windows.h>

#include "framework/UniqueHandle.h"

// A kernel handle is invalid when null, and also as INVALID_HANDLE_VALUE, which file calls give.
struct KernelHandleTraits {
    using Type = HANDLE;
    static HANDLE Invalid() { return nullptr; }
    static bool IsValid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { ::CloseHandle(handle); }
};

using CHandle = CUniqueHandle<KernelHandleTraits>;
