// Ids of the string table: every text the user reads.
#pragma once

enum TextId : int {
    IDS_OK = 102,
    IDS_CANCEL = 103,
    IDS_FIRMWARE_UPDATE = 104,
    IDS_DURATION = 105,
    IDS_QUESTION = 106,
    IDS_NOT_PLUGGED_IN = 107,
    IDS_ALREADY_LATEST = 108,
    IDS_YES = 109,
    IDS_NO = 110,
    IDS_UPDATE_SUCCEEDED = 111,
    IDS_UPDATE_FAILED = 112,
    IDS_PLEASE_WAIT = 113,
    IDS_DO_NOT_DISCONNECT = 114,
};
