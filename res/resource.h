// Every resource and control id of the program, its language modules and its message-box library.
// The ids of the texts and the firmware images come from the core, which chooses between them.
#pragma once

#include "core/ResourceIds.h"

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_TERVOLIN_DIALOG 102
#define IDD_FIRMWARE_UPDATE 103
#define IDD_MESSAGE_BOX 1 // in ZARidezi.dll

// Controls of the main window.
#define IDC_TITLE 1000
#define IDC_DURATION 1001
#define IDC_QUESTION 1002
// Controls of the firmware update dialog.
#define IDC_PROGRESS 1003
#define IDC_PLEASE_WAIT 1005
#define IDC_UPDATE_DURATION 1006
#define IDC_WARNING 1007
#define IDC_UPDATE_TITLE 1008
// Controls of the message box.
#define IDC_MESSAGE_TEXT 100
#define IDC_MESSAGE_CAPTION 101
#define IDC_MESSAGE_ICON 102

#define IDI_TERVOLIN 128

// PNG artwork: the skins carry alpha, the button faces do not.
#define IDPNG_MAIN_SKIN 103
#define IDPNG_UPDATE_SKIN 133
#define IDPNG_MESSAGE_SKIN 1 // in ZARidezi.dll
#define IDPNG_BUTTON_DISABLED 129
#define IDPNG_BUTTON_NORMAL 130
#define IDPNG_BUTTON_HOVER 131
#define IDPNG_BUTTON_PRESSED 132

// The progress bar's fill and empty track.
#define IDB_PROGRESS_FILL 136
#define IDB_PROGRESS_TRACK 137
