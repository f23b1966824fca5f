// The resource ids of what the core chooses between: the texts it shows and the firmware images it
// installs. The numbers are fixed: the language modules carry string ids 102 to 114, and the
// images are looked up by their ids. The resource scripts take them from here.
#pragma once

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
#define IDS_IMAGE_DAMAGED 117

// Firmware images (type BIN): the one an update installs, and the older one under /old.
#define IDBIN_FIRMWARE 133
#define IDBIN_FIRMWARE_OLD 134
