// One updater at a time, across every session of the machine: two writing the same camera's
// flash would corrupt it, and the first could report a success that the second then undoes.
#pragma once

#include <windows.h>

#include "framework/Handle.h"

class CSingleInstance {
public:
    // Claims `name` (a mutex name) for the life of the object.
    explicit CSingleInstance(const char* name);
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // False when another process holds the name.
    bool IsFirst() const { return m_bFirst; }

private:
    CHandle m_hMutex;
    bool m_bFirst = true;
};

// Brings the window of the updater that runs already to the front, when this session shows one.
void ShowRunningInstance();
