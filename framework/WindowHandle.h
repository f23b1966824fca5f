// Owner of a window that no C++ object is attached to: destroys it when it goes, unless it was
// detached or has gone already.
#pragma once

#include <windows.h>

#include "framework/UniqueHandle.h"

struct WindowHandleTraits {
    using Type = HWND;
    static HWND Invalid() { return nullptr; }
    // A window may have gone with its parent before its owner goes.
    static void Close(HWND window) {
        if (::IsWindow(window))
            ::DestroyWindow(window);
    }
};

class CWindowHandle : public CUniqueHandle<WindowHandleTraits> {
public:
    using CUniqueHandle::CUniqueHandle;

    operator HWND() const { return Get(); }
    void Destroy() { Reset(); }
};
