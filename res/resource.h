// Every resource and control id of the program, its language modules and its message-box library.
// The numbers are fixed: the language modules carry string ids 102 to 114 and firmware images
// are looked up by their ids.
#pragma once

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

// The string table: every text the user reads, in English here and in each language module.
#define IDS_OK 102
#define IDS_CANCEL 103
#define IDS_FIRMWARE_UPDATE 104
#define IDS_DURATION 105
#define IDS_QUESTION 106
#define IDS_NOT_PLUGGED_IN 107
#define IDS_ALREADY_LATEST 108
#define IDS_YES 109
#define IDS_NO 110
#define IDS_UPDATE_SUCCEEDED 111
#define IDS_UPDATE_FAILED 112
#define IDS_PLEASE_WAIT 113
#define IDS_DO_NOT_DISCONNECT 114
// Texts added later; a language module without them leaves them in English.
#define IDS_DRIVER_FAILED 115
#define IDS_HELP 116

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

// Firmware images (type BIN): the one an update installs, and the older one under /old.
#define IDBIN_FIRMWARE 133
#define IDBIN_FIRMWARE_OLD 134
