// CTervolinApp: the program's start-up. It prepares the user interface, picks the text module,
// reads the switches and runs the main window; when the main window closes, the program ends.
#pragma once

#include "framework/WinApp.h"

class CTervolinApp : public CWinApp {
public:
    CTervolinApp() : CWinApp("Tervolin") {}
    BOOL InitInstance() override;
};
